#pragma once

#include <cstdint>

#include "core/Clock.h"
#include "core/Controls.h"
#include "core/Form.h"
#include "display/DisplayLink.h"
#include "shell/Settings.h"

namespace vfd {

// Years, months and days until the event.
struct CountdownFigures {
  int16_t years;
  int16_t months;
  int16_t days;
  friend bool operator==(const CountdownFigures&, const CountdownFigures&) = default;
};

// The difference of the event's date and today's, field by field, with borrowed days counted at
// the length of the event's month (28 for February in every year).
CountdownFigures CountdownBetween(const LocalDateTime& today, int16_t year, int16_t month,
                                  int16_t day);

// The countdown function: how many years, months and days remain until the named event.
class Countdown {
 public:
  Countdown(DisplayLink& display, WallClock& wall, Settings& settings)
      : display_(display), wall_(wall), settings_(settings) {}

  int16_t countdown_view = 0;  // CountdownView: which figure the narrow screens show next
  void Tick();

 private:
  DisplayLink& display_;
  WallClock& wall_;
  Settings& settings_;
};

// The countdown's settings dialog: the event's name and its date on a month calendar.
class FrmCountdown : public Form {
 public:
  explicit FrmCountdown(Settings& settings);

  TextBox txtEvent{"txtEvent", ""};
  Label lblEvent{"lblEvent", "Event Name:"};
  ::vfd::Calendar Calendar{"Calendar"};
  Button cmdApply{"cmdApply", "Apply"};

 protected:
  void OnLoad() override;

 private:
  void Apply();
  Settings& settings_;
};

}  // namespace vfd
