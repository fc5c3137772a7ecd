#pragma once

#include <string>

#include "display/DisplayLink.h"
#include "shell/FrmMain.h"
#include "shell/ModeController.h"
#include "shell/SysTray.h"

namespace vfd {

// What the window and the tray icon show of what runs: the running function's button (and the
// rotation's) marked, the icon's tip naming the function, the icon and its menu following the
// display's sleep, and a status message that belongs to a function going when it stops. All of
// it follows the timers, whoever switched them (a button, a rotation step, the AutoTimer, sleep).
class RunningState {
 public:
  static constexpr const char* kAwakeIcon = "tray";
  static constexpr const char* kAsleepIcon = "tray-asleep";

  RunningState(FrmMain& main, ModeController& modes, clsSysTray& tray, DisplayLink& display);

  // Starts following the registered functions; called once they are all registered.
  void Watch();
  // Brings every mark, the tip, the icon and the menu in line with what runs now.
  void Update();

  // The icon's tip: the program and what it shows, or that the display sleeps.
  std::string TipText() const;

 private:
  // The registered function whose timer runs, or nullptr.
  const FunctionRegistration* Running() const;

  FrmMain& main_;
  ModeController& modes_;
  clsSysTray& tray_;
  DisplayLink& display_;
};

}  // namespace vfd
