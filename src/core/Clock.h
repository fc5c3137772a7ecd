#pragma once

namespace vfd {

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

// The local wall clock (the user's time zone).
class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual LocalDateTime Now() = 0;
};

}  // namespace vfd

#include <string>

namespace vfd {

// Dates and times as text in the user's regional formats. Texts are in the program's
// single-byte code page.
class RegionalFormats {
 public:
  virtual ~RegionalFormats() = default;
  // The time of day in the regional time format, e.g. "3:45:12 PM".
  virtual std::string TimeText(const LocalDateTime& at) = 0;
  // The date in the regional short date format, always ending in the four-digit year, e.g.
  // "12/6/2026".
  virtual std::string ShortDateText(const LocalDateTime& at) = 0;
};

// The US forms: "3:45:12 PM" and "12/6/2026". Used where no regional setting applies.
class UsRegionalFormats : public RegionalFormats {
 public:
  std::string TimeText(const LocalDateTime& at) override;
  std::string ShortDateText(const LocalDateTime& at) override;
};

}  // namespace vfd
