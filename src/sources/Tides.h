#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Clock.h"
#include "core/Controls.h"
#include "core/DisplayFunction.h"
#include "core/Form.h"
#include "core/TidePages.h"
#include "core/Timer.h"
#include "core/UserDialogs.h"
#include "display/DisplayLink.h"

namespace vfd {

// What reading a tide table page gave: the two texts of the next event, or why there are none.
struct TideReading {
  enum class Outcome { kLines, kFailed, kParseError };
  Outcome outcome = Outcome::kFailed;
  std::string line1{};
  std::string line2{};
};

// Reads the next event of today from a tide table page, by the character positions the page
// layout guarantees: the entries after "(click for map)", day of month in characters 9-10, hour
// in 12-13, "PM" in 18-19, the time part before the first capital T and the description from
// four characters after it. Events of other days are skipped; so are today's events of hours
// before `hour` (one earlier in the current hour is kept). Text that runs out while skipping
// today's events is a failure; no entry of today before the rest drops below 40 characters is a
// parse error.
TideReading ReadTidePage(std::string_view page, int day_of_month, int hour);

class FrmTidesConfig;

// The tides function: the next tide event of today as two short texts, with the clock and date
// on the larger screens. The table is asked for at activation and every `refresh_ticks` ticks of
// the 30-second refresh timer after; the lines keep their last good values meanwhile.
class Tides {
 public:
  struct Controls {
    Button& cmdTides;
    Timer& Timer12;
    Timer& tmrTide;
    Button& cmdTideConfig;
  };

  Tides(Controls controls, DisplayLink& display, TidePageSource& pages, WallClock& wall,
        RegionalFormats& formats, MessageBoxes& boxes, FrmTidesConfig& dialog);
  FunctionRegistration Registration();

  std::string location = "Northport";  // TideLocation
  int16_t refresh_ticks = 60;          // TideRefreshTicks

  std::string line1;          // TideLine1
  std::string line2;          // TideLine2
  int tide_hour = 0;          // TideHour
  int16_t refresh_count = 0;  // TideRefreshCount
  bool FetchInFlight() const { return fetch_in_flight_; }
  // Whether the display ticks are held until the page asked for has come.
  bool AwaitingPage() const { return awaiting_page_; }

  // Asks for the page of `location`; the lines change when the answer has been read. Returns
  // false when a request is already on its way (the answer to that one will do).
  bool FetchTides();
  void TideTick();
  void TideRefreshTick();

  TidePageSource& pages() { return pages_; }

 private:
  void PageArrived(const std::string& place, bool from_refresh, const TidePage& page);
  void FetchEnded();
  // The status line, unless it was the last thing said (a failure repeats every 30 s).
  void Say(const std::string& status);

  Controls c_;
  DisplayLink& display_;
  TidePageSource& pages_;
  WallClock& wall_;
  RegionalFormats& formats_;
  MessageBoxes& boxes_;
  FrmTidesConfig& dialog_;
  bool fetch_in_flight_ = false;
  bool refresh_fetch_ = false;
  bool awaiting_page_ = false;
  bool answered_ = false;  // some page request has ended, well or not
  // The place the parse error was last shown for: one box per place, not one every 30 s.
  std::optional<std::string> parse_error_shown_for_;
  // The place the source has no station for, shown on the glass until a page is read.
  std::optional<std::string> no_station_for_;
  std::string said_;
};

// The tides settings dialog: the place and how often its table is fetched again.
class FrmTidesConfig : public Form {
 public:
  explicit FrmTidesConfig(Tides& tides);

  Label lblLocation{"lblLocation", "Your Location:"};
  TextBox txtLocation{"txtLocation", "Northport"};
  Label lblTidesInfo{"lblTidesInfo",
                     "Enter the name of a city or harbour near you as the tide tables name it; "
                     "the box offers the names of the stations it knows as you type."};
  Frame fraUpdateFrequency{"fraUpdateFrequency", "Tide Update Frequency"};
  Slider sldUpdateFrequency{"sldUpdateFrequency", 10, 60};
  Label lbl10min{"lbl10min", "10 Min"};
  Label lbl1hr{"lbl1hr", "1 Hour"};
  Button cmdApply{"cmdApply", "Apply"};

  // Station names for what the location box holds now, for its completion list.
  std::vector<std::string> Completions(size_t limit = 20);

 protected:
  void OnLoad() override;

 private:
  void Apply();
  Tides& tides_;
};

}  // namespace vfd
