#include "shell/Rotation.h"

#include <cmath>
#include <cstdlib>

namespace vfd {

void Rotation::Step() {
  // A slot with nothing to show passes on to the next one at once; after a whole cycle of those
  // the step gives up, or it would never end.
  const int16_t slots = Slots();
  // The clients' slot was due, but their screens have gone since.
  if (modes_.rotation_slot == 13 && slots == 12) modes_.rotation_slot = 1;
  for (int visited = 0; visited < slots; ++visited) {
    const int16_t s = modes_.rotation_slot;
    if (s < 1 || s > slots) break;
    modes_.rotation_slot = static_cast<int16_t>(s >= slots ? 1 : s + 1);
    const int16_t t = s <= 12 ? times[static_cast<size_t>(s - 1)] : lcdproc_time;
    const int16_t code = kSlotCodes[static_cast<size_t>(s - 1)];
    const FunctionRegistration* f = modes_.Find(code);
    if (t <= kSkipAtOrBelowMs || !f || !f->timer || (f->available && !f->available())) {
      if (visited == slots - 1) display_.ReportStatus(kNothingToShow, main_.Timer7);
      continue;
    }
    main_.Timer7.SetInterval(t);
    Show(code);
    break;
  }
  display_.ApplyBrightness();
}

int16_t Rotation::Slots() const {
  const FunctionRegistration* f = modes_.Find(kSlotCodes.back());
  const bool joins =
      f && f->timer && lcdproc_time > kSkipAtOrBelowMs && f->available && f->available();
  return joins ? 13 : 12;
}

void Rotation::Show(int16_t code) {
  // A function chosen now replaces whatever start-up's crack was going to start afterwards.
  if (modes_.before_activate) modes_.before_activate();
  const FunctionRegistration* f = modes_.Find(code);
  Timer* own = f->timer;
  for (Timer* timer : main_.FunctionTimers()) {
    if (timer != own) {
      timer->SetEnabled(false);
      continue;
    }
    // The code cracker reveals the message as it is now.
    if (code == 16 && f->before_start) f->before_start();
    timer->SetEnabled(true);
    // The tick may replace the registration; nothing of it is used after this.
    modes_.RunTick(code);
  }
}

FrmRotateConfig::FrmRotateConfig(Rotation& rotation, MessageBoxes& boxes)
    : Form("frmRotateConfig", "VFD Vorlinx - Function Rotation Config"),
      rows{{
          {{"lblTicker", "Ticker"}, {"txtTicker", ""}, 0},
          {{"lblMatrix", "The Matrix"}, {"txtMatrix", ""}, 2},
          {{"lblClock", "Clock"}, {"txtClock", ""}, 4},
          {{"lblWinamp", "Winamp"}, {"txtWinamp", ""}, 5},
          {{"lblMBM", "MB Monitor"}, {"txtMBM", ""}, 6},
          {{"lblVertScroll", "Vertical Scroll"}, {"txtVertScroll", ""}, 1},
          {{"lblTides", "Tides"}, {"txtTides", ""}, 8},
          {{"lblHardNews", "[H]ard|News"}, {"txtHardNews", ""}, 9},
          {{"lblShacknews", "Shacknews"}, {"txtShacknews", ""}, 10},
          {{"lblCount", "Countdown"}, {"txtCount", ""}, 11},
          {{"lblCodeCrack", "Code Cracker"}, {"txtCodeCrack", ""}, 3},
          {{"lblWeather", "Weather"}, {"txtWeather", ""}, 7},
      }},
      rotation_(rotation),
      boxes_(boxes) {
  cmdApply.on_click = [this] { Apply(); };
}

std::optional<double> FrmRotateConfig::ReadNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  size_t digits = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    ++at;
    ++digits;
  }
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      ++at;
      ++digits;
    }
  }
  if (digits == 0 || at != text.size()) return std::nullopt;
  return std::strtod(std::string(text).c_str(), nullptr);
}

void FrmRotateConfig::OnLoad() {
  for (Row& row : rows) {
    const long tenths = std::lround(rotation_.times[row.slot] / 100.0);
    row.box.SetText(std::to_string(tenths));
  }
}

void FrmRotateConfig::Apply() {
  for (Row& row : rows) {
    std::optional<double> number = ReadNumber(row.box.Text());
    if (number && *number > 300) row.box.SetText("300");
  }
  // Stored in slot order; a box that is no number (or whose time would not fit) stops the store
  // there, and the slots before it keep their new times.
  std::array<Row*, 12> by_slot{};
  for (Row& row : rows)
    by_slot[row.slot] = &row;
  for (Row* row : by_slot) {
    std::optional<double> number = ReadNumber(row->box.Text());
    const double whole = number ? std::trunc(*number) : 0;
    if (!number || whole < -327) {
      boxes_.ShowMessage(
          std::string(kBadTime) + "\n\n" + row->label.Caption() + ": \"" + row->box.Text() + "\"",
          kProgramTitle);
      return;
    }
    rotation_.times[row->slot] = static_cast<int16_t>(whole * 100);
  }
  Unload();
}

}  // namespace vfd
