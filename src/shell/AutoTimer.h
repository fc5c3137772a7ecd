#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/Clock.h"
#include "core/Controls.h"
#include "core/Form.h"
#include "core/Settings.h"
#include "core/UserDialogs.h"
#include "shell/FrmMain.h"
#include "shell/ModeController.h"

namespace vfd {

// The AutoTimer: at set times of day it starts a display function or puts the display to sleep.
// Eight slots, each a time (hour and minute count) and an action; checked every 30 s while
// armed.
class AutoTimer {
 public:
  // The action that puts the display to sleep; every other code is a function code.
  static constexpr int16_t kSleep = 5;

  AutoTimer(FrmMain& main, ModeController& modes, WallClock& wall)
      : main_(main), modes_(modes), wall_(wall) {}

  std::array<TimeOfDay, 8> times{TimeOfDay{23, 0, 0}, TimeOfDay{7, 0, 0}};  // AutoTimerTimes
  std::array<int16_t, 8> functions{5, 17, 0, 0, 0, 0, 0, 0};                // AutoTimerFunctions

  // AutoTimerTick: every slot whose hour and minute are now's wakes a sleeping display, then
  // acts, in slot order.
  void Tick();

  void Load(const Settings& settings);
  void Store(Settings& settings) const;

 private:
  void Act(int16_t code);

  FrmMain& main_;
  ModeController& modes_;
  WallClock& wall_;
};

// The AutoTimer's settings dialog: a time and an action per slot.
class FrmTimer : public Form {
 public:
  FrmTimer(AutoTimer& timer, RegionalFormats& formats, MessageBoxes& boxes);

  static constexpr const char* kBadTime =
      "You didn't enter a time properly, please use the format 'hh:mm:ss AM'";

  // The list's entries in their order, and the code each stands for.
  struct Entry {
    const char* text;
    int16_t code;
  };
  static constexpr std::array<Entry, 13> kEntries = {{{"None", 0},
                                                      {"Sleep", 5},
                                                      {"Ticker", 1},
                                                      {"Vertical Scroll", 10},
                                                      {"The Matrix", 2},
                                                      {"Clock", 3},
                                                      {"Winamp", 4},
                                                      {"Motherboard Monitor", 6},
                                                      {"Weather", 17},
                                                      {"Tides", 12},
                                                      {"[H]ard|News", 13},
                                                      {"Shacknews", 14},
                                                      {"Countdown", 15}}};

  Label lblTime{"lblTime", "Time"};
  Label lblFunction{"lblFunction", "Function"};
  std::array<TextBox, 8> txtTime{{{"txtTime(0)", ""},
                                  {"txtTime(1)", ""},
                                  {"txtTime(2)", ""},
                                  {"txtTime(3)", ""},
                                  {"txtTime(4)", ""},
                                  {"txtTime(5)", ""},
                                  {"txtTime(6)", ""},
                                  {"txtTime(7)", ""}}};
  std::array<ComboBox, 8> cboFunction{{ComboBox{"cboFunction(0)"}, ComboBox{"cboFunction(1)"},
                                       ComboBox{"cboFunction(2)"}, ComboBox{"cboFunction(3)"},
                                       ComboBox{"cboFunction(4)"}, ComboBox{"cboFunction(5)"},
                                       ComboBox{"cboFunction(6)"}, ComboBox{"cboFunction(7)"}}};
  Button cmdApply{"cmdApply", "Apply"};

 protected:
  void OnLoad() override;

 private:
  void Apply();

  AutoTimer& timer_;
  RegionalFormats& formats_;
  MessageBoxes& boxes_;
};

}  // namespace vfd
