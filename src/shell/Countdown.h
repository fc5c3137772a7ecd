#pragma once

#include <cstdint>

#include <string>

#include "core/Clock.h"
#include "core/Controls.h"
#include "core/DisplayFunction.h"
#include "core/Form.h"
#include "display/DisplayLink.h"

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

// The event a program without settings counts down to: the next 25 December (today on the day).
void SetDefaultCountdownTarget(Settings& settings, const LocalDateTime& today);

class FrmCountdown;

// The countdown function: how many years, months and days remain until the named event.
class Countdown {
 public:
  struct Controls {
    Button& cmdCount;
    Timer& Timer15;
    Button& cmdCountConfig;
  };

  Countdown(Controls controls, DisplayLink& display, WallClock& wall, FrmCountdown& dialog)
      : c_(controls), display_(display), wall_(wall), dialog_(dialog) {}
  FunctionRegistration Registration();

  // The event, as the dialog last applied it.
  std::string event = "Christmas";  // CountdownEvent
  int16_t year = 2003;              // CountdownYear
  int16_t month = 12;               // CountdownMonth
  int16_t day = 25;                 // CountdownDay

  int16_t countdown_view = 0;  // CountdownView: which figure the narrow screens show next
  void Tick();

 private:
  Controls c_;
  DisplayLink& display_;
  WallClock& wall_;
  FrmCountdown& dialog_;
};

// The countdown's settings dialog: the event's name and its date on a month calendar.
class FrmCountdown : public Form {
 public:
  explicit FrmCountdown(Countdown& countdown);

  TextBox txtEvent{"txtEvent", ""};
  Label lblEvent{"lblEvent", "Event Name:"};
  ::vfd::Calendar Calendar{"Calendar"};
  Button cmdApply{"cmdApply", "Apply"};

 protected:
  void OnLoad() override;

 private:
  void Apply();
  Countdown& countdown_;
};

}  // namespace vfd
