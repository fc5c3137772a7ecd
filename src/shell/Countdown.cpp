#include "shell/Countdown.h"

#include <string>

namespace vfd {

CountdownFigures CountdownBetween(const LocalDateTime& today, int16_t year, int16_t month,
                                  int16_t day) {
  auto y = static_cast<int16_t>(year - today.year);
  auto m = static_cast<int16_t>(month - today.month);
  auto d = static_cast<int16_t>(day - today.day);
  const int16_t month_length = month == 2                                                ? 28
                               : (month == 4 || month == 6 || month == 9 || month == 11) ? 30
                                                                                         : 31;
  while (d < 0) {
    d = static_cast<int16_t>(d + month_length);
    --m;
  }
  while (m < 0) {
    m = static_cast<int16_t>(m + 12);
    --y;
  }
  return {y, m, d};
}

void Countdown::Tick() {
  const CountdownFigures f = CountdownBetween(wall_.Now(), settings_.CountdownYear,
                                              settings_.CountdownMonth, settings_.CountdownDay);
  const std::string y = std::to_string(f.years);
  const std::string m = std::to_string(f.months);
  const std::string d = std::to_string(f.days);
  const std::string& event = settings_.CountdownEvent;
  switch (display_.screen_type) {
    case kScreen2x20:
    case kScreen2x24: {
      std::string line1;
      if (countdown_view == 0) {
        line1 = y + " Years Until:";
        countdown_view = 1;
      } else if (countdown_view == 1) {
        line1 = m + " Months Until:";
        countdown_view = 2;
      } else if (countdown_view == 2) {
        line1 = d + " Days Until:";
        countdown_view = 0;
      }
      display_.WriteLines(line1, event);
      break;
    }
    case kScreen2x40:
      display_.Write2x40(y + " Years, " + m + " Months, and " + d + " Days Until:", event);
      break;
    case kScreen4x20:
      display_.Write4x20(y + " Years, " + m + " Months,", "and " + d + " Days Until:", event,
                         event.size() > 20 ? event.substr(20, 20) : "");
      break;
    default:
      break;
  }
}

FrmCountdown::FrmCountdown(Settings& settings)
    : Form("frmCountdown", "VFD Vorlinx - Countdown Config"), settings_(settings) {
  cmdApply.on_click = [this] { Apply(); };
}

void FrmCountdown::OnLoad() {
  txtEvent.SetText(settings_.CountdownEvent);
  Calendar.SetDate(settings_.CountdownYear, settings_.CountdownMonth, settings_.CountdownDay);
}

void FrmCountdown::Apply() {
  settings_.CountdownEvent = txtEvent.Text();
  settings_.CountdownYear = static_cast<int16_t>(Calendar.Year());
  settings_.CountdownMonth = static_cast<int16_t>(Calendar.Month());
  settings_.CountdownDay = static_cast<int16_t>(Calendar.Day());
  Unload();
}

}  // namespace vfd
