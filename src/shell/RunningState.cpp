#include "shell/RunningState.h"

namespace vfd {

RunningState::RunningState(FrmMain& main, ModeController& modes, clsSysTray& tray,
                           DisplayLink& display)
    : main_(main), modes_(modes), tray_(tray), display_(display) {}

void RunningState::Watch() {
  auto follow = [this](Timer& timer) {
    timer.changed.Connect([this, &timer] {
      if (!timer.Enabled()) display_.ReleaseStatusOf(timer);
      Update();
    });
  };
  for (const FunctionRegistration& f : modes_.Functions()) {
    if (!f.timer) continue;
    if (f.button) f.button->SetCheckable(true);
    follow(*f.timer);
  }
  main_.cmdRotate.SetCheckable(true);
  follow(main_.Timer7);
  main_.cmdSleep.changed.Connect([this] { Update(); });
  // The menu's window entry follows the window in and out of the tray.
  tray_.changed.Connect(
      [this] { tray_.mnuWindow.SetCaption(tray_.WindowHidden() ? "Show Window" : "Hide Window"); });
  Update();
}

const FunctionRegistration* RunningState::Running() const {
  for (const FunctionRegistration& f : modes_.Functions())
    if (f.timer && f.timer->Enabled()) return &f;
  return nullptr;
}

std::string RunningState::TipText() const {
  std::string tip = "VFD Vorlinx: ";
  if (main_.cmdSleep.Caption() == "Wake") return tip + "the display sleeps";
  const FunctionRegistration* running = Running();
  const std::string name =
      running && running->button ? running->button->Caption() : std::string("nothing runs");
  if (main_.Timer7.Enabled()) return tip + "Rotation, now " + name;
  return tip + name;
}

void RunningState::Update() {
  for (const FunctionRegistration& f : modes_.Functions())
    if (f.button && f.timer) f.button->SetChecked(f.timer->Enabled());
  main_.cmdRotate.SetChecked(main_.Timer7.Enabled());

  const bool asleep = main_.cmdSleep.Caption() == "Wake";
  tray_.mnuSleep.SetCaption(asleep ? "Wake Display" : "Sleep Display");
  tray_.mnuWindow.SetCaption(tray_.WindowHidden() ? "Show Window" : "Hide Window");
  // The icon is the program's from start-up on; before that there is nothing to change.
  if (!tray_.SourceWindow()) return;
  const std::string tip = TipText();
  if (tray_.ToolTip() != tip) tray_.ChangeToolTip(tip);
  const char* icon = asleep ? kAsleepIcon : kAwakeIcon;
  if (tray_.Icon() != icon) tray_.ChangeIcon(icon);
}

}  // namespace vfd
