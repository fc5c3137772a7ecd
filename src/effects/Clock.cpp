#include "effects/Clock.h"

#include <algorithm>

namespace vfd {
namespace {

// Blanks; none for a count below one.
std::string Space(long n) {
  return std::string(n > 0 ? static_cast<size_t>(n) : 0, ' ');
}

long Len(const std::string& s) {
  return static_cast<long>(s.size());
}

}  // namespace

std::string DateWordsOf(const LocalDateTime& at) {
  static constexpr const char* kMonths[] = {"January",   "Febuary", "March",    "April",
                                            "May",       "June",    "July",     "August",
                                            "September", "October", "November", "December"};
  const int d = at.day;
  const char* suffix = "th";
  if (d == 1 || d == 21 || d == 31) suffix = "st";
  if (d == 2 || d == 22) suffix = "nd";
  if (d == 3 || d == 23) suffix = "rd";
  const char* month = at.month >= 1 && at.month <= 12 ? kMonths[at.month - 1] : "";
  return std::string(month) + " " + std::to_string(d) + suffix + ", " + std::to_string(at.year);
}

std::string ShortDate2Of(const std::string& s) {
  if (s.size() < 4) return s;
  return s.substr(0, s.size() - 4) + s.substr(s.size() - 2);
}

Clock::Clock(Controls controls, DisplayLink& display, Ticker& ticker, WallClock& wall,
             RegionalFormats& formats)
    : c_(controls), display_(display), ticker_(ticker), wall_(wall), formats_(formats) {}

FunctionRegistration Clock::Registration() {
  return {.code = 3,
          .button = &c_.cmdClock,
          .timer = &c_.Timer3,
          .first_frame = FirstFrame::kAfter,
          .tick = [this] { Tick(); }};
}

std::string Clock::DateWords() {
  return DateWordsOf(wall_.Now());
}

std::string Clock::ShortDate2() {
  return ShortDate2Of(display_.TextCodes(formats_.ShortDateText(wall_.Now())));
}

std::string Clock::BounceLine(size_t width) {
  const std::string& m = ticker_.current_message;
  if (m.size() <= width) return m + std::string(width - m.size(), ' ');
  const auto n = static_cast<int16_t>(std::min<size_t>(m.size() - width, 32767));
  // A shorter message can leave the window beyond its new end, and a changed one can leave it
  // between the ends while holding; bring both back so that the slide always goes on.
  if (bounce_offset > n) bounce_offset = n;
  if (bounce_offset < 0) bounce_offset = 0;
  if (bounce_offset > 0 && bounce_offset < n && bounce_counter != 3 && bounce_counter != -3)
    bounce_counter = -3;
  if (bounce_offset >= n) {
    if (bounce_counter < 3) ++bounce_counter;
  } else if (bounce_offset <= 0) {
    if (bounce_counter > -3) --bounce_counter;
  }
  if (bounce_counter == 3) {
    --bounce_offset;
  } else if (bounce_counter == -3) {
    ++bounce_offset;
  }
  return m.substr(std::min(m.size(), static_cast<size_t>(bounce_offset)), width);
}

void Clock::Tick() {
  const LocalDateTime now = wall_.Now();
  // The regional forms may hold any script ("午後 3:45:12"); their columns are counted as shown.
  const std::string t = display_.TextCodes(formats_.TimeText(now));
  const std::string d = DateWordsOf(now);
  const std::string s = ShortDate2Of(display_.TextCodes(formats_.ShortDateText(now)));
  const long lt = Len(t), ld = Len(d), ls = Len(s);
  const bool custom = c_.cmdClockMode.Caption() == "Custom";
  switch (display_.screen_type) {
    case kScreen2x20:
      if (custom)
        display_.Write2x20(t + Space(20 - lt - ls) + s, BounceLine(20));
      else
        display_.Write2x20(Space((20 - lt) / 2) + t, Space((20 - ld) / 2) + d);
      break;
    case kScreen2x40: {
      // The time ends at column 14 and the date words at column 50 - LT.
      std::string l = Space(14 - lt) + t + Space(36 - lt - ld) + d;
      display_.Write2x40(l, custom ? BounceLine(40) : "     ::TIME::              ::DATE::");
      break;
    }
    case kScreen4x20:
      if (custom) {
        std::string x = BounceLine(40);
        display_.Write4x20(Space((20 - lt) / 2) + t, Space((20 - ld) / 2) + d, x,
                           x.size() > 20 ? x.substr(20, 20) : "");
      } else {
        display_.Write4x20(Space((20 - lt) / 2) + t, "", Space((20 - ld) / 2) + d, "");
      }
      break;
    case kScreen2x24:
      if (custom)
        display_.Write2x24(t + Space(24 - lt - ls) + s, BounceLine(24));
      else
        display_.Write2x24(Space((24 - lt) / 2) + t, Space((24 - ld) / 2) + d);
      break;
    default:
      break;
  }
}

}  // namespace vfd
