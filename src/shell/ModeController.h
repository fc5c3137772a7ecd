#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/DisplayFunction.h"
#include "display/DisplayLink.h"
#include "shell/FrmMain.h"

namespace vfd {

// The rule that one display function runs at a time, the registry of the display functions and
// the settings dialogs, and sleep and wake.
class ModeController {
 public:
  ModeController(FrmMain& main, DisplayLink& display);

  // Adds a display function; a later registration of the same code replaces the earlier one.
  // This is where the function's button, timer and dialog button get their handlers.
  void Register(FunctionRegistration function);
  // Adds a settings dialog that belongs to no display function. `opener` (optional) shows it;
  // with `apply_brightness` the level is re-sent after it opens.
  void RegisterDialog(Form& dialog, Button* opener, bool apply_brightness);

  // The registered functions in ascending code; nullptr for a code nobody registered.
  const std::vector<FunctionRegistration>& Functions() const { return functions_; }
  const FunctionRegistration* Find(int16_t code) const;

  // Runs one tick of a function at once; nothing for codes nobody registered.
  void RunTick(int16_t code);
  // Every function's own values from the settings, and back.
  void LoadFunctionSettings(const Settings& settings);
  void StoreFunctionSettings(Settings& settings) const;
  // Closes every registered dialog; what was typed into one without Apply is gone.
  void CloseDialogs();

  // Runs first whenever a function is activated.
  std::function<void()> before_activate;
  // One rotation step.
  std::function<void()> rotation_step;

  // What a function button does.
  void ActivateFunction(int16_t code);
  // "7" for rotation, the code of the running function, or "0".
  std::string RunningFunctionCode() const;
  // Start-up and wake: enable the function's timer and draw one frame at once.
  void StartFunctionByCode(const std::string& code);
  // Disables the timers of all display functions.
  void StopFunctions();
  // Draws the running function's frame again at once (a display that came back blank).
  void RedrawRunningFunction();

  // Something else holds the glass for a while (an LCDproc client's alert): the running function
  // and rotation pause where they are, and Resume starts them again. While suspended, a function
  // chosen (by a button, the AutoTimer or waking) is the one that resumes, and counts as running.
  void SuspendFunctions();
  void ResumeFunctions();
  bool Suspended() const { return suspended_; }

  // The scheduling toggles.
  void RotateClick();
  void AutoTimerClick();

  // Sleep or wake the display, by the caption of cmdSleep.
  void ToggleSleep();
  const std::string& SleepResumeCode() const { return sleep_resume_code_; }

  int16_t rotation_slot = 1;  // RotationSlot

 private:
  FrmMain& main_;
  DisplayLink& display_;
  std::vector<FunctionRegistration> functions_;
  std::vector<Form*> dialogs_;
  std::string sleep_resume_code_;
  bool suspended_ = false;
  int16_t suspended_code_ = 0;
  bool suspended_rotation_ = false;
};

}  // namespace vfd
