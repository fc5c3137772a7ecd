#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "display/DisplayLink.h"
#include "shell/FrmMain.h"

namespace vfd {

// When activating a function draws its first frame: not at all (the first timer tick does),
// before the brightness is sent again, or after it.
enum class FirstFrame { kNone, kBefore, kAfter };

// A display function: its code is its timer's number.
struct FunctionRow {
  int16_t code;
  Button FrmMain::*button;
  Timer FrmMain::*timer;
  FirstFrame first_frame;
};

// The rule that one display function runs at a time, the toggle buttons, and sleep and wake.
class ModeController {
 public:
  ModeController(FrmMain& main, DisplayLink& display);

  static const std::array<FunctionRow, 12>& Functions();
  static const FunctionRow* Find(int16_t code);

  // The tick routine of a function (its timer runs the same routine).
  void SetTick(int16_t code, std::function<void()> tick);
  // Runs one tick of a function at once; nothing for unknown codes or functions not built.
  void RunTick(int16_t code);

  // Runs first whenever a function is activated.
  std::function<void()> before_activate;
  // Optional steps some functions add to their activation.
  std::function<void()> on_code_cracker_activated;  // the message becomes the crack target
  std::function<void()> on_winamp_activated;        // player pre-read and pattern upload
  std::function<void()> rotation_step;              // one rotation step

  // What a function button does.
  void ActivateFunction(int16_t code);
  // "7" for rotation, the code of the running function, or "0".
  std::string RunningFunctionCode() const;
  // Start-up and wake: enable the function's timer and draw one frame at once.
  void StartFunctionByCode(const std::string& code);
  // Disables the twelve function timers.
  void StopFunctions();

  // Sleep or wake the display, by the caption of cmdSleep.
  void ToggleSleep();
  const std::string& SleepResumeCode() const { return sleep_resume_code_; }

  int16_t rotation_slot = 1;  // RotationSlot

 private:
  void WireButtons();
  void Toggle(Button& button, const char* when, const char* then_caption, const char* else_caption);

  FrmMain& main_;
  DisplayLink& display_;
  std::array<std::function<void()>, 18> ticks_;
  std::string sleep_resume_code_;
};

}  // namespace vfd
