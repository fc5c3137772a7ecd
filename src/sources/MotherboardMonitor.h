#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/Controls.h"
#include "core/DisplayFunction.h"
#include "core/EventLoop.h"
#include "core/Form.h"
#include "core/SensorTable.h"
#include "core/Settings.h"
#include "core/Timer.h"
#include "display/DisplayLink.h"
#include "sources/MbmAccess.h"
#include "sources/SlotGridForm.h"

namespace vfd {

class FrmMBMConfig;

// The hardware monitor function: up to eight sensor readings, four per line, each after a label
// of the user's, refreshed once a second.
class MotherboardMonitor {
 public:
  struct Controls {
    Button& cmdMBM;
    Timer& Timer6;
    Button& cmdMBMConfig;
  };

  MotherboardMonitor(Controls controls, DisplayLink& display, SensorSource& sensors,
                     FrmMBMConfig& dialog)
      : c_(controls), display_(display), sensors_(sensors), dialog_(dialog) {}
  FunctionRegistration Registration();

  // The eight slots: slots 1-4 make line 1, slots 5-8 line 2.
  std::array<std::string, 8> sensor = Settings{}.MbmSensor;  // MbmSensor1..8
  std::array<std::string, 8> label = Settings{}.MbmLabel;    // MbmLabel1..8
  // The sensor each slot's choice was made for, so that it follows that sensor when the table's
  // numbering shifts. Kept beside the settings file; empty where it is not known.
  std::array<SensorOrigin, 8> origin{};

  // One frame, by screen type: two lines on the two-line screens, the four segments as rows on
  // 4x20, nothing without a screen type.
  void MbmTick();
  // Label and reading of slots 1+2, 3+4, 5+6 and 7+8, from one reading of the table. The table
  // is read only when some slot names a sensor.
  std::array<std::string, 4> Segments();
  std::array<std::string, 4> Segments(const SensorTable& table);
  // The entry slot k's choice names in `table` now (FindSensorChoice). A choice that follows its
  // sensor to another number takes that number (and the sensor's name today), so that the
  // settings file, the dialog and older versions of the program read it as it is now. A choice
  // without an origin whose entry still bears the name it was chosen by follows that sensor
  // from then on.
  int Follow(size_t k, const SensorTable& table);

  SensorSource& sensors() { return sensors_; }
  DisplayLink& display() { return display_; }

 private:
  Controls c_;
  DisplayLink& display_;
  SensorSource& sensors_;
  FrmMBMConfig& dialog_;
};

// The function's settings dialog. It edits the slots live: every 100 ms the lists and boxes are
// copied into the slots (so a running display follows at its next tick) and the preview shows
// the two lines. Cancel puts back what the slots held when it opened; Apply and closing the
// window keep the edits.
class FrmMBMConfig : public SlotGridForm {
 public:
  FrmMBMConfig(MotherboardMonitor& monitor, TimerHost& timers);
  const CharacterSet& PreviewCharset() override { return monitor_.display().Charset(); }

 protected:
  void OnLoad() override;
  void OnUnload() override;

 private:
  void Update() override;
  // The lists and boxes into the slots.
  void CopyIntoSlots();
  void Cancel() override;

  // One entry of the eight lists, and the choice it stands for.
  struct Item {
    std::string text;
    std::string choice;
    SensorOrigin origin;
    bool operator==(const Item&) const = default;
  };
  // "00 None", the table's 99 entries, then one entry for each slot's choice whose sensor is
  // absent now, so that the choice stays as it is until the user picks another.
  std::vector<Item> ItemsFor(const SensorTable& table);
  // Slot k's choice, listed as absent: "-- Core 0 (absent)".
  Item AbsentItem(size_t k) const;
  // Puts the items into the lists (when they changed) and each slot's choice in its list.
  void FillLists(const SensorTable& table);

  MotherboardMonitor& monitor_;
  std::vector<Item> items_;
  std::array<std::string, 8> sensor_on_load_;
  std::array<SensorOrigin, 8> origin_on_load_;
  std::array<std::string, 8> label_on_load_;
  bool cancelling_ = false;
};

}  // namespace vfd
