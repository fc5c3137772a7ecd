#pragma once

#include <cstdint>
#include <string>

#include "core/Clock.h"
#include "core/DisplayFunction.h"
#include "display/DisplayLink.h"
#include "effects/Ticker.h"

namespace vfd {

// The month name (spelled as the clock has always spelled it), the day's ordinal and the year:
// "December 6th, 2026".
std::string DateWordsOf(const LocalDateTime& at);
// A short date with its four-digit year cut to two digits: "12/6/2026" gives "12/6/26".
std::string ShortDate2Of(const std::string& short_date);

// The time of day and the date, twice a second, in the "Default" style (time and the date in
// words) or the "Custom" style (time, short date and the message sliding back and forth).
class Clock {
 public:
  struct Controls {
    Button& cmdClock;
    Timer& Timer3;
    Button& cmdClockMode;  // "Default" or "Custom"
  };

  Clock(Controls controls, DisplayLink& display, Ticker& ticker, WallClock& wall,
        RegionalFormats& formats);
  FunctionRegistration Registration();

  int16_t bounce_offset = 0;   // BounceOffset
  int16_t bounce_counter = 0;  // BounceCounter

  void Tick();  // ClockTick
  std::string DateWords();
  std::string ShortDate2();
  // The message line of width `width`, moving one step along its slide.
  std::string BounceLine(size_t width);

 private:
  Controls c_;
  DisplayLink& display_;
  Ticker& ticker_;
  WallClock& wall_;
  RegionalFormats& formats_;
};

}  // namespace vfd
