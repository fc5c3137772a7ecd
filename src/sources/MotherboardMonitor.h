#pragma once

#include <array>
#include <string>

#include "core/Controls.h"
#include "core/DisplayFunction.h"
#include "core/EventLoop.h"
#include "core/Form.h"
#include "core/SensorTable.h"
#include "core/Settings.h"
#include "core/Timer.h"
#include "display/DisplayLink.h"

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

  // One frame, by screen type: two lines on the two-line screens, the four segments as rows on
  // 4x20, nothing without a screen type.
  void MbmTick();
  // Label and reading of slots 1+2, 3+4, 5+6 and 7+8, from one reading of the table. The table
  // is read only when some slot names a sensor.
  std::array<std::string, 4> Segments();

  SensorSource& sensors() { return sensors_; }

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
class FrmMBMConfig : public Form {
 public:
  FrmMBMConfig(MotherboardMonitor& monitor, TimerHost& timers);

  // The preview's design text: a ruler of the 40 columns it shows.
  static constexpr const char* kRuler = "0123456789012345678901234567890123456789";

  Frame fraLine1{"fraLine1", "Line 1"};
  TextBox txtLine1Label1{"txtLine1Label1", ""};
  TextBox txtLine1Label2{"txtLine1Label2", ""};
  TextBox txtLine1Label3{"txtLine1Label3", ""};
  TextBox txtLine1Label4{"txtLine1Label4", ""};
  ListBox cboLine1Variable1{"cboLine1Variable1"};
  ListBox cboLine1Variable2{"cboLine1Variable2"};
  ListBox cboLine1Variable3{"cboLine1Variable3"};
  ListBox cboLine1Variable4{"cboLine1Variable4"};
  Frame fraLine2{"fraLine2", "Line 2"};
  TextBox txtLine2Label1{"txtLine2Label1", ""};
  TextBox txtLine2Label2{"txtLine2Label2", ""};
  TextBox txtLine2Label3{"txtLine2Label3", ""};
  TextBox txtLine2Label4{"txtLine2Label4", ""};
  ListBox cboLine2Variable1{"cboLine2Variable1"};
  ListBox cboLine2Variable2{"cboLine2Variable2"};
  ListBox cboLine2Variable3{"cboLine2Variable3"};
  ListBox cboLine2Variable4{"cboLine2Variable4"};
  // The column headings, the same in both frames.
  std::array<Label, 4> lblLabel{{{"lblLabel1", "Label 1"},
                                 {"lblLabel2", "Label 2"},
                                 {"lblLabel3", "Label 3"},
                                 {"lblLabel4", "Label 4"}}};
  std::array<Label, 4> lblVariable{{{"lblVariable1", "Variable 1"},
                                    {"lblVariable2", "Variable 2"},
                                    {"lblVariable3", "Variable 3"},
                                    {"lblVariable4", "Variable 4"}}};
  Label lblLine1{"lblLine1", kRuler};
  Label lblLine2{"lblLine2", kRuler};
  Timer tmrUpdate{"tmrUpdate", 100};
  Button cmdApply{"cmdApply", "Apply"};
  Button cmdCancel{"cmdCancel", "Cancel"};

  // Slot k's controls at index k - 1.
  std::array<TextBox*, 8> LabelBoxes();
  std::array<ListBox*, 8> SensorLists();

 protected:
  void OnLoad() override;
  void OnUnload() override;

 private:
  void Update();
  // The lists and boxes into the slots.
  void CopyIntoSlots();
  void Cancel();

  MotherboardMonitor& monitor_;
  std::array<std::string, 8> sensor_on_load_;
  std::array<std::string, 8> label_on_load_;
  bool cancelling_ = false;
};

}  // namespace vfd
