#include "shell/AutoTimer.h"

namespace vfd {

void AutoTimer::Tick() {
  const LocalDateTime now = wall_.Now();
  for (size_t k = 0; k < times.size(); ++k) {
    if (now.hour != times[k].hour || now.minute != times[k].minute) continue;
    // Whatever the slot does, a sleeping display wakes first, "None" included.
    if (main_.cmdSleep.Caption() == "Wake") modes_.ToggleSleep();
    Act(functions[k]);
  }
}

void AutoTimer::Act(int16_t code) {
  switch (code) {
    case kSleep:
      modes_.ToggleSleep();
      break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
    case 10:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
      // As its button would; a function that is not built does nothing.
      modes_.ActivateFunction(code);
      break;
    default:
      break;
  }
}

void AutoTimer::Load(const Settings& settings) {
  times = settings.AutoTimerTimes;
  functions = settings.AutoTimerFunctions;
}

void AutoTimer::Store(Settings& settings) const {
  settings.AutoTimerTimes = times;
  settings.AutoTimerFunctions = functions;
}

FrmTimer::FrmTimer(AutoTimer& timer, RegionalFormats& formats, MessageBoxes& boxes)
    : Form("frmTimer", "VFD Vorlinx - AutoTimer Config"),
      timer_(timer),
      formats_(formats),
      boxes_(boxes) {
  cmdApply.on_click = [this] { Apply(); };
}

void FrmTimer::OnLoad() {
  for (size_t k = 0; k < 8; ++k) {
    ComboBox& list = cboFunction[k];
    list.Clear();
    for (const Entry& e : kEntries)
      list.AddItem(e.text);
    // A code the list does not offer (the code cracker's 16) leaves the text empty.
    std::string text;
    for (const Entry& e : kEntries)
      if (e.code == timer_.functions[k]) text = e.text;
    list.SetText(text);
    const TimeOfDay& t = timer_.times[k];
    txtTime[k].SetText(
        formats_.TimeText(LocalDateTime{.hour = t.hour, .minute = t.minute, .second = t.second}));
  }
}

void FrmTimer::Apply() {
  for (size_t k = 0; k < 8; ++k) {
    for (const Entry& e : kEntries)
      if (cboFunction[k].Text() == e.text) timer_.functions[k] = e.code;
    // The rows before a bad time are stored, and of the bad row its action only.
    std::optional<TimeOfDay> time = formats_.ReadTime(txtTime[k].Text());
    if (!time) {
      // Which of the eight rows is meant, counted as the user sees them.
      boxes_.ShowMessage(std::string(kBadTime) + "\n\nRow " + std::to_string(k + 1) + ": \"" +
                             txtTime[k].Text() + "\"",
                         kProgramTitle);
      return;
    }
    timer_.times[k] = *time;
  }
  Unload();
}

}  // namespace vfd
