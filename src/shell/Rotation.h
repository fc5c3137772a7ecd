#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Controls.h"
#include "core/Form.h"
#include "core/Settings.h"
#include "core/UserDialogs.h"
#include "display/DisplayLink.h"
#include "shell/FrmMain.h"
#include "shell/ModeController.h"

namespace vfd {

// The rotation: the display functions one after another, each for its own time, in a fixed
// cycle of twelve slots.
class Rotation {
 public:
  // The function code each slot shows, in slot order. The last slot, the LCDproc clients, keeps
  // its time in the services file, since the settings file has room for twelve.
  static constexpr std::array<int16_t, 13> kSlotCodes = {1,  10, 2,  16, 3,  4, 6,
                                                         17, 12, 13, 14, 15, 19};
  // The cycle is twelve slots long, and thirteen while a client has a screen to show.
  int16_t Slots() const;
  // A slot whose time is this or less is left out.
  static constexpr int16_t kSkipAtOrBelowMs = 10;

  Rotation(FrmMain& main, ModeController& modes, DisplayLink& display)
      : main_(main), modes_(modes), display_(display) {}

  // RotationTimes, milliseconds, in slot order.
  std::array<int16_t, 12> times{10000, 7000, 7000, 7000, 7000, 7000,
                                7000,  7000, 7000, 7000, 7000, 7000};
  // The last slot's time, milliseconds.
  int16_t lcdproc_time = 7000;

  // RotationStep: the Timer7 tick. Shows the next slot whose function is built, has something to
  // show and whose time is above 10 ms. When a whole cycle has none, the display stays as it is and
  // the status line says why.
  void Step();

  void Load(const Settings& settings) { times = settings.RotationTimes; }
  void Store(Settings& settings) const { settings.RotationTimes = times; }

  static constexpr const char* kNothingToShow =
      "Rotation has nothing to show: every function's rotation time is 0 or it is not available.";

 private:
  // Shows `code`: every other function timer stops and its own starts and draws at once, at its
  // place in ascending timer order.
  void Show(int16_t code);

  FrmMain& main_;
  ModeController& modes_;
  DisplayLink& display_;
};

// The rotation's settings dialog: one time per function in tenths of a second.
class FrmRotateConfig : public Form {
 public:
  FrmRotateConfig(Rotation& rotation, MessageBoxes& boxes);

  static constexpr const char* kBadTime =
      "You did not enter a rotation time correctly, please enter a positive integer between 300 "
      "and 0.";

  Label lblFunction{"lblFunction", "Function"};
  Label lblTime{"lblTime", "Rotation Time"};
  Label lblNote{"lblNote",
                "Rotation Times are listed in 1/10ths of a second. Thus a function with a time of "
                "50 will remain onscreen for 5 seconds. A function with a time of 0 will be "
                "skipped in the rotation."};

  // One row per function, in the dialog's order.
  struct Row {
    Label label;
    TextBox box;
    int slot;  // index into RotationTimes
  };
  std::array<Row, 12> rows;
  Button cmdApply{"cmdApply", "Apply"};

  // The text of a box as a number the way the time is read: blanks around it, a sign, digits and
  // an optional fraction. Anything else is no number.
  static std::optional<double> ReadNumber(std::string_view text);

 protected:
  void OnLoad() override;

 private:
  void Apply();

  Rotation& rotation_;
  MessageBoxes& boxes_;
};

}  // namespace vfd
