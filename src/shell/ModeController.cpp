#include "shell/ModeController.h"

#include "display/Bytes.h"

namespace vfd {
namespace {

using F = FrmMain;

const std::array<FunctionRow, 12> kFunctions = {{
    {1, &F::cmdTicker, &F::Timer1, FirstFrame::kAfter},
    {2, &F::cmdMatrix, &F::Timer2, FirstFrame::kAfter},
    {3, &F::cmdClock, &F::Timer3, FirstFrame::kAfter},
    {4, &F::cmdWinamp, &F::Timer4, FirstFrame::kNone},
    {6, &F::cmdMBM, &F::Timer6, FirstFrame::kAfter},
    {10, &F::cmdVertScroll, &F::Timer10, FirstFrame::kBefore},
    {12, &F::cmdTides, &F::Timer12, FirstFrame::kBefore},
    {13, &F::cmdHardNews, &F::Timer13, FirstFrame::kNone},
    {14, &F::cmdShacknews, &F::Timer14, FirstFrame::kNone},
    {15, &F::cmdCount, &F::Timer15, FirstFrame::kBefore},
    {16, &F::cmdCodeCrack, &F::Timer16, FirstFrame::kNone},
    {17, &F::cmdWeather, &F::Timer17, FirstFrame::kBefore},
}};

int16_t ParseCode(const std::string& text) {
  if (text.empty() || text.size() > 2) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return static_cast<int16_t>(value);
}

}  // namespace

ModeController::ModeController(FrmMain& main, DisplayLink& display)
    : main_(main), display_(display) {
  for (const FunctionRow& row : kFunctions) {
    int16_t code = row.code;
    (main_.*row.timer).on_tick = [this, code] { RunTick(code); };
  }
  main_.Timer7.on_tick = [this] {
    if (rotation_step) rotation_step();
  };
  WireButtons();
}

const std::array<FunctionRow, 12>& ModeController::Functions() {
  return kFunctions;
}

const FunctionRow* ModeController::Find(int16_t code) {
  for (const FunctionRow& row : kFunctions)
    if (row.code == code) return &row;
  return nullptr;
}

void ModeController::SetTick(int16_t code, std::function<void()> tick) {
  if (code > 0 && code < static_cast<int16_t>(ticks_.size())) ticks_[code] = std::move(tick);
}

void ModeController::RunTick(int16_t code) {
  if (code > 0 && code < static_cast<int16_t>(ticks_.size()) && ticks_[code]) ticks_[code]();
}

void ModeController::ActivateFunction(int16_t code) {
  const FunctionRow* row = Find(code);
  if (!row) return;
  if (before_activate) before_activate();
  for (const FunctionRow& other : kFunctions)
    if (other.code != code) (main_.*other.timer).SetEnabled(false);
  if (code == 16 && on_code_cracker_activated) on_code_cracker_activated();
  (main_.*row->timer).SetEnabled(true);
  if (row->first_frame == FirstFrame::kBefore) RunTick(code);
  display_.ApplyBrightness();
  if (row->first_frame == FirstFrame::kAfter) RunTick(code);
  if (code == 4 && on_winamp_activated) on_winamp_activated();
}

std::string ModeController::RunningFunctionCode() const {
  if (main_.Timer7.Enabled()) return "7";
  for (const FunctionRow& row : kFunctions)
    if ((main_.*row.timer).Enabled()) return std::to_string(row.code);
  return "0";
}

void ModeController::StartFunctionByCode(const std::string& text) {
  int16_t code = ParseCode(text);
  if (code == 7) {
    main_.Timer7.SetEnabled(true);
    if (rotation_step) rotation_step();
    main_.cmdRotate.SetCaption("Stop Rotation");
    return;
  }
  const FunctionRow* row = Find(code);
  if (!row) return;
  (main_.*row->timer).SetEnabled(true);
  RunTick(code);
}

void ModeController::StopFunctions() {
  for (const FunctionRow& row : kFunctions)
    (main_.*row.timer).SetEnabled(false);
}

void ModeController::Toggle(Button& button, const char* when, const char* then_caption,
                            const char* else_caption) {
  button.SetCaption(button.Caption() == when ? then_caption : else_caption);
}

void ModeController::WireButtons() {
  FrmMain& m = main_;
  for (const FunctionRow& row : kFunctions) {
    int16_t code = row.code;
    (m.*row.button).on_click = [this, code] { ActivateFunction(code); };
  }
  m.cmdRotate.on_click = [this] {
    bool start = main_.cmdRotate.Caption() == "Rotation";
    main_.cmdRotate.SetCaption(start ? "End Rotation" : "Rotation");
    main_.Timer7.SetEnabled(start);
    rotation_slot = 1;
  };
  m.cmdSleepTimer.on_click = [this] {
    bool arm = main_.cmdSleepTimer.Caption() == "AutoTimer Off";
    main_.cmdSleepTimer.SetCaption(arm ? "AutoTimer On" : "AutoTimer Off");
    main_.Timer18.SetEnabled(arm);
    display_.ApplyBrightness();
  };
  m.cmdMatrixDirection.on_click = [this] {
    Toggle(main_.cmdMatrixDirection, "Across", "Down", "Across");
    display_.ApplyBrightness();
  };
  m.cmdClockMode.on_click = [this] {
    Toggle(main_.cmdClockMode, "Default", "Custom", "Default");
    display_.ApplyBrightness();
  };
  m.cmdCrackStart.on_click = [this] {
    Toggle(main_.cmdCrackStart, "Crack Code on Load", "Standard Load", "Crack Code on Load");
    display_.ApplyBrightness();
  };
  m.cmdAutoSleep.on_click = [this] {
    Toggle(main_.cmdAutoSleep, "Sleep on Exit", "Leave Awake on Exit", "Sleep on Exit");
  };
  m.cmdUpdate.on_click = [this] {
    Toggle(main_.cmdUpdate, "Auto Update Check is Currently: ENABLED",
           "Auto Update Check is Currently: DISABLED", "Auto Update Check is Currently: ENABLED");
  };
  m.cmdSleep.on_click = [this] { ToggleSleep(); };
}

void ModeController::ToggleSleep() {
  if (main_.cmdSleep.Caption() != "Wake") {
    sleep_resume_code_ = RunningFunctionCode();
    StopFunctions();
    // Rotation would restart a function on the sleeping display at its next step; it sleeps
    // too, and the resume code "7" brings it back on waking.
    main_.Timer7.SetEnabled(false);
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
