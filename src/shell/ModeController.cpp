#include "shell/ModeController.h"

#include <algorithm>

namespace vfd {
namespace {

// Only the exact texts "1", "2", ... name a function: "03" or " 3" name none.
int16_t ParseCode(const std::string& text) {
  if (text.empty() || text.size() > 2 || text[0] == '0') return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return static_cast<int16_t>(value);
}

}  // namespace

ModeController::ModeController(FrmMain& main, DisplayLink& display)
    : main_(main), display_(display) {}

void ModeController::Register(FunctionRegistration function) {
  const int16_t code = function.code;
  if (function.button) function.button->on_click = [this, code] { ActivateFunction(code); };
  if (function.timer) function.timer->on_tick = [this, code] { RunTick(code); };
  if (function.dialog) {
    Form* dialog = function.dialog;
    if (std::find(dialogs_.begin(), dialogs_.end(), dialog) == dialogs_.end())
      dialogs_.push_back(dialog);
    if (function.config_button) {
      const bool quiet = function.opens_quietly;
      function.config_button->on_click = [this, dialog, quiet] {
        dialog->Show();
        if (!quiet) display_.ApplyBrightness();
      };
    }
  }
  auto at = std::lower_bound(functions_.begin(), functions_.end(), code,
                             [](const FunctionRegistration& f, int16_t c) { return f.code < c; });
  if (at != functions_.end() && at->code == code)
    *at = std::move(function);
  else
    functions_.insert(at, std::move(function));
}

void ModeController::RegisterDialog(Form& dialog, Button* opener, bool apply_brightness) {
  dialogs_.push_back(&dialog);
  if (opener) {
    opener->on_click = [this, &dialog, apply_brightness] {
      dialog.Show();
      if (apply_brightness) display_.ApplyBrightness();
    };
  }
}

const FunctionRegistration* ModeController::Find(int16_t code) const {
  for (const FunctionRegistration& f : functions_)
    if (f.code == code) return &f;
  return nullptr;
}

void ModeController::RunTick(int16_t code) {
  // The tick is copied: a tick may register or replace functions (tests do), which would move
  // the registration it runs from.
  if (const FunctionRegistration* f = Find(code); f && f->tick) {
    std::function<void()> tick = f->tick;
    tick();
  }
}

void ModeController::LoadFunctionSettings(const Settings& settings) {
  for (const FunctionRegistration& f : functions_)
    if (f.load) f.load(settings);
}

void ModeController::StoreFunctionSettings(Settings& settings) const {
  for (const FunctionRegistration& f : functions_)
    if (f.store) f.store(settings);
}

void ModeController::CloseDialogs() {
  for (Form* dialog : dialogs_)
    dialog->Unload();
}

void ModeController::ActivateFunction(int16_t code) {
  const FunctionRegistration* f = Find(code);
  if (!f || !f->timer) return;
  if (before_activate) before_activate();
  if (suspended_) {
    suspended_code_ = code;
    if (f->before_start) f->before_start();
    display_.ApplyBrightness();
    return;
  }
  for (const FunctionRegistration& other : functions_)
    if (other.code != code && other.timer) other.timer->SetEnabled(false);
  if (f->before_start) f->before_start();
  f->timer->SetEnabled(true);
  if (f->first_frame == FirstFrame::kBefore) RunTick(code);
  display_.ApplyBrightness();
  if (f->first_frame == FirstFrame::kAfter) RunTick(code);
  if (f->after_activate) f->after_activate();
}

std::string ModeController::RunningFunctionCode() const {
  if (suspended_) {
    if (suspended_rotation_) return "7";
    return std::to_string(suspended_code_);
  }
  if (main_.Timer7.Enabled()) return "7";
  for (const FunctionRegistration& f : functions_)
    if (f.timer && f.timer->Enabled()) return std::to_string(f.code);
  return "0";
}

void ModeController::StartFunctionByCode(const std::string& text) {
  int16_t code = ParseCode(text);
  if (suspended_) {
    if (code == 7) {
      suspended_rotation_ = true;
      main_.cmdRotate.SetCaption("Stop Rotation");
    } else if (const FunctionRegistration* f = Find(code); f && f->timer) {
      suspended_code_ = code;
    }
    return;
  }
  if (code == 7) {
    main_.Timer7.SetEnabled(true);
    if (rotation_step) rotation_step();
    main_.cmdRotate.SetCaption("Stop Rotation");
    return;
  }
  const FunctionRegistration* f = Find(code);
  if (!f || !f->timer) return;
  f->timer->SetEnabled(true);
  RunTick(code);
}

void ModeController::StopFunctions() {
  suspended_code_ = 0;
  for (const FunctionRegistration& f : functions_)
    if (f.timer) f.timer->SetEnabled(false);
}

void ModeController::RedrawRunningFunction() {
  for (const FunctionRegistration& f : functions_) {
    if (f.timer && f.timer->Enabled()) {
      RunTick(f.code);
      return;
    }
  }
}

void ModeController::RotateClick() {
  bool start = main_.cmdRotate.Caption() == "Rotation";
  main_.cmdRotate.SetCaption(start ? "End Rotation" : "Rotation");
  if (suspended_)
    suspended_rotation_ = start;
  else
    main_.Timer7.SetEnabled(start);
  rotation_slot = 1;
}

void ModeController::SuspendFunctions() {
  if (suspended_) return;
  suspended_code_ = 0;
  for (const FunctionRegistration& f : functions_) {
    if (f.timer && f.timer->Enabled()) {
      suspended_code_ = f.code;
      break;
    }
  }
  suspended_rotation_ = main_.Timer7.Enabled();
  suspended_ = true;
  main_.Timer7.SetEnabled(false);
  for (const FunctionRegistration& f : functions_)
    if (f.timer) f.timer->SetEnabled(false);
}

void ModeController::ResumeFunctions() {
  if (!suspended_) return;
  suspended_ = false;
  if (suspended_rotation_) main_.Timer7.SetEnabled(true);
  if (const FunctionRegistration* f = Find(suspended_code_); f && f->timer) {
    f->timer->SetEnabled(true);
    RunTick(f->code);
  }
  suspended_code_ = 0;
  suspended_rotation_ = false;
}

void ModeController::AutoTimerClick() {
  bool arm = main_.cmdSleepTimer.Caption() == "AutoTimer Off";
  main_.cmdSleepTimer.SetCaption(arm ? "AutoTimer On" : "AutoTimer Off");
  main_.Timer18.SetEnabled(arm);
  display_.ApplyBrightness();
}

void ModeController::ToggleSleep() {
  if (main_.cmdSleep.Caption() != "Wake") {
    sleep_resume_code_ = RunningFunctionCode();
    StopFunctions();
    // Rotation would restart a function on the sleeping display at its next step; it sleeps
    // too, and the resume code "7" brings it back on waking.
    main_.Timer7.SetEnabled(false);
    suspended_rotation_ = false;
    display_.SleepDisplay();
    main_.cmdSleep.SetCaption("Wake");
  } else {
    StartFunctionByCode(sleep_resume_code_);
    display_.WakeDisplay();
    main_.cmdSleep.SetCaption("Sleep");
  }
  display_.ApplyBrightness();
}

}  // namespace vfd
