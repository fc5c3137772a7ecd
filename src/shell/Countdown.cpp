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

void SetDefaultCountdownTarget(Settings& settings, const LocalDateTime& today) {
  const bool past = today.month == 12 && today.day > 25;
  settings.CountdownYear = static_cast<int16_t>(past ? today.year + 1 : today.year);
  settings.CountdownMonth = 12;
  settings.CountdownDay = 25;
}

FunctionRegistration Countdown::Registration() {
  return {.code = 15,
          .button = &c_.cmdCount,
          .timer = &c_.Timer15,
          .first_frame = FirstFrame::kBefore,
          .tick = [this] { Tick(); },
          .dialog = &dialog_,
          .config_button = &c_.cmdCountConfig,
          .load =
              [this](const Settings& s) {
                event = s.CountdownEvent;
                year = s.CountdownYear;
                month = s.CountdownMonth;
                day = s.CountdownDay;
              },
          .store =
              [this](Settings& s) {
                s.CountdownEvent = event;
                s.CountdownYear = year;
                s.CountdownMonth = month;
                s.CountdownDay = day;
              }};
}

void Countdown::Tick() {
  const CountdownFigures f = CountdownBetween(wall_.Now(), year, month, day);
  const std::string y = std::to_string(f.years);
  const std::string m = std::to_string(f.months);
  const std::string d = std::to_string(f.days);
  // The event as the user typed it, as the display shows it.
  const std::string event = display_.TextCodes(this->event);
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

FrmCountdown::FrmCountdown(Countdown& countdown)
    : Form("frmCountdown", "VFD Vorlinx - Countdown Config"), countdown_(countdown) {
  cmdApply.on_click = [this] { Apply(); };
}

void FrmCountdown::OnLoad() {
  txtEvent.SetText(countdown_.event);
  Calendar.SetDate(countdown_.year, countdown_.month, countdown_.day);
}

void FrmCountdown::Apply() {
  countdown_.event = txtEvent.Text();
  countdown_.year = static_cast<int16_t>(Calendar.Year());
  countdown_.month = static_cast<int16_t>(Calendar.Month());
  countdown_.day = static_cast<int16_t>(Calendar.Day());
  Unload();
}

}  // namespace vfd
