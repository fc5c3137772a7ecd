#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vfd {

// A time of day, one-second resolution.
struct TimeOfDay {
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// A local calendar date and time of day, one-second resolution.
struct LocalDateTime {
  int year = 2000;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59

  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Days from 1970-01-01 to a civil date of the proleptic Gregorian calendar (negative before).
// Exact for every year an int64_t can hold days of; the days of the week follow from it.
constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The local wall clock (the user's time zone).
class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual LocalDateTime Now() = 0;
};

// Dates and times as text in the user's regional formats. Texts are UTF-8 and may hold any
// script ("午後 3:45:12").
class RegionalFormats {
 public:
  virtual ~RegionalFormats() = default;
  // The time of day in the regional time format, e.g. "3:45:12 PM".
  virtual std::string TimeText(const LocalDateTime& at) = 0;
  // The date in the regional short date format, always ending in the four-digit year, e.g.
  // "12/6/2026".
  virtual std::string ShortDateText(const LocalDateTime& at) = 0;
  // A time of day typed by the user, in 12- or 24-hour form ("11:00:00 PM", "7:00 pm",
  // "7 PM", "23:00:00", "23:00"); nullopt for a text that is no time of day.
  virtual std::optional<TimeOfDay> ReadTime(std::string_view text) { return ReadTimeOfDay(text); }

  // The forms every locale accepts: hours, minutes and seconds separated by ':' or '.', minutes
  // and seconds optional only with a 12-hour marker; the markers `am` and `pm` besides "AM" and
  // "PM", compared without case.
  static std::optional<TimeOfDay> ReadTimeOfDay(std::string_view text, std::string_view am = "AM",
                                                std::string_view pm = "PM");
};

// The US forms: "3:45:12 PM" and "12/6/2026". Used where no regional setting applies.
class UsRegionalFormats : public RegionalFormats {
 public:
  std::string TimeText(const LocalDateTime& at) override;
  std::string ShortDateText(const LocalDateTime& at) override;
};

}  // namespace vfd
