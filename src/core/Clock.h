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
