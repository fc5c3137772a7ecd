#include "sources/Tides.h"

#include <algorithm>
#include <cmath>

#include "effects/Clock.h"

namespace vfd {
namespace {

// The page is read with the classic string functions' rules: positions are 1-based, a search
// that finds nothing gives 0, and a negative length or a start before the first character is an
// error that ends the reading.
struct TextRunsOut {};

size_t InStr(std::string_view s, std::string_view what) {
  const size_t at = s.find(what);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string_view Mid(std::string_view s, long start, long length) {
  if (start < 1 || length < 0) throw TextRunsOut{};
  if (static_cast<size_t>(start) > s.size()) return {};
  return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length));
}

std::string_view Mid(std::string_view s, long start) {
  if (start < 1) throw TextRunsOut{};
  if (static_cast<size_t>(start) > s.size()) return {};
  return s.substr(static_cast<size_t>(start - 1));
}

std::string_view Left(std::string_view s, long length) {
  if (length < 0) throw TextRunsOut{};
  return s.substr(0, static_cast<size_t>(length));
}

// A number as the classic Val reads it: leading blanks skipped, digits up to the first other
// character, 0 when there are none.
int Val(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    value = value * 10 + (s[i] - '0');
  return negative ? -value : value;
}

int DayOf(std::string_view s) {
  return Val(Mid(s, 9, 2));
}

int HourOf(std::string_view s) {
  const int t = Val(Mid(s, 12, 2));
  if (Mid(s, 18, 2) == "PM") return t == 12 ? 12 : t + 12;
  return t == 12 ? 0 : t;
}

// Where the first "Tide" of the text still to be read lies. Entries only ever go from the front
// (and each takes one character off the end with it), so a "Tide" found stays the first one
// until the reading passes it, and a text without one never gains one: every character is
// searched once, however many entries are dropped. Searching afresh for each entry made a page
// without entry ends take time growing with its square.
class TideSearch {
 public:
  explicit TideSearch(std::string_view page) : page_(page) {}

  // InStr(s, "Tide") for `s`, a piece of the page no longer than the one asked about before.
  size_t In(std::string_view s) {
    if (s.empty()) return 0;
    const size_t begin = static_cast<size_t>(s.data() - page_.data());
    const size_t end = begin + s.size();
    if (!known_ || (found_ != kNone && found_ < begin)) {
      const size_t at = s.find("Tide");
      found_ = at == std::string_view::npos ? kNone : begin + at;
      known_ = true;
    }
    if (found_ == kNone) return 0;
    // The end has come before it: no piece from here on holds one.
    if (found_ + 4 > end) {
      found_ = kNone;
      return 0;
    }
    return found_ - begin + 1;
  }

 private:
  static constexpr size_t kNone = std::string_view::npos;
  std::string_view page_;
  bool known_ = false;
  size_t found_ = kNone;
};

std::string_view DropEntry(std::string_view s, TideSearch& tide) {
  const long p = static_cast<long>(tide.In(s));
  return Mid(s, p + 5, static_cast<long>(s.size()) - p - 5);
}

std::string WithoutLineFeeds(std::string_view s) {
  std::string out;
  for (char ch : s)
    if (ch != '\n') out += ch;
  return out;
}

std::string Spaces(long k) {
  return k > 0 ? std::string(static_cast<size_t>(k), ' ') : "";
}

std::string Centre20(const std::string& x) {
  return Spaces((20 - static_cast<long>(x.size())) / 2) + x;
}

// The 2x40's first line: the clock ending at column 14 and the date words after it. A clock
// shorter than ten characters (a 24-hour one) would push the date words past the edge, so they
// then end at the edge instead; a clock and date too long even for that get one space between.
std::string ClockAndDate(const std::string& clock, const std::string& dw) {
  const long lc = static_cast<long>(clock.size()), ld = static_cast<long>(dw.size());
  std::string line = Spaces(14 - lc) + clock + Spaces(36 - lc - ld) + dw;
  if (line.size() <= 40) return line;
  line = Spaces(14 - lc) + clock;
  if (static_cast<long>(line.size()) + 1 + ld > 40) line = clock;
  return line + Spaces(std::max(1L, 40 - static_cast<long>(line.size()) - ld)) + dw;
}

// What the glass says for a place no station is known for, in the first tide line's 20
// characters; the place itself takes the second.
constexpr char kNoStation[] = "No tide station for ";

}  // namespace

namespace {

// The page is cut at fixed distances from its markers, which counts bytes; where a character of
// several bytes stands at a cut, the pieces of it left at a line's ends are dropped rather than
// shown as a broken character.
std::string WholeCharacters(std::string line) {
  const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  size_t start = 0;
  while (start < line.size() && continuation(line[start]))
    ++start;
  line.erase(0, start);
  // The last character's first byte, and how long it says the character is.
  size_t lead = line.size();
  while (lead > 0 && line.size() - lead < 4 && continuation(line[lead - 1]))
    --lead;
  if (lead > 0) {
    const auto b = static_cast<unsigned char>(line[lead - 1]);
    const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (b >= 0x80 && line.size() - (lead - 1) < length) line.erase(lead - 1);
  }
  return line;
}

}  // namespace

TideReading ReadTidePage(std::string_view page, int day_of_month, int hour) {
  using Outcome = TideReading::Outcome;
  try {
    std::string_view s = Mid(page, static_cast<long>(InStr(page, "(click for map)")) + 17);
    TideSearch tide(page);
    while (DayOf(s) != day_of_month) {
      s = DropEntry(s, tide);
      if (s.size() < 40) return {Outcome::kParseError};
    }
    int h = HourOf(s);
    while (DayOf(s) == day_of_month && h < hour) {
      s = DropEntry(s, tide);
      h = HourOf(s);
    }
    std::string_view e = Left(s, static_cast<long>(tide.In(s)) + 4);
    const size_t sunrise = InStr(e, "Sunrise"), sunset = InStr(e, "Sunset");
    if (sunrise > 0 || sunset > 0) {
      if (sunrise < sunset)
        e = Mid(e, static_cast<long>(sunset) + 7);
      else
        e = Mid(e, static_cast<long>(sunrise) + 8);
    }
    const long q = static_cast<long>(InStr(e, "T"));
    TideReading reading{Outcome::kLines};
    reading.line1 = WholeCharacters(WithoutLineFeeds(Left(e, q - 3)));
    const std::string_view r = Mid(e, q + 4);
    reading.line2 =
        WholeCharacters(WithoutLineFeeds(Left(r, static_cast<long>(InStr(r, "Tide")) + 3)));
    return reading;
  } catch (const TextRunsOut&) {
    return {Outcome::kFailed};
  }
}

Tides::Tides(Controls controls, DisplayLink& display, TidePageSource& pages, WallClock& wall,
             RegionalFormats& formats, MessageBoxes& boxes, FrmTidesConfig& dialog)
    : c_(controls),
      display_(display),
      pages_(pages),
      wall_(wall),
      formats_(formats),
      boxes_(boxes),
      dialog_(dialog) {
  c_.tmrTide.on_tick = [this] { TideRefreshTick(); };
}

FunctionRegistration Tides::Registration() {
  // ActivateTides: the other function timers off, Timer12 on, one tick at once, then the level.
  return {.code = 12,
          .button = &c_.cmdTides,
          .timer = &c_.Timer12,
          .first_frame = FirstFrame::kBefore,
          .tick = [this] { TideTick(); },
          .dialog = &dialog_,
          .config_button = &c_.cmdTideConfig,
          .load =
              [this](const Settings& s) {
                location = s.TideLocation;
                refresh_ticks = s.TideRefreshTicks;
              },
          .store =
              [this](Settings& s) {
                s.TideLocation = location;
                s.TideRefreshTicks = refresh_ticks;
              }};
}

bool Tides::FetchTides() {
  if (fetch_in_flight_) return false;
  fetch_in_flight_ = true;
  const std::string place = location;
  pages_.Page(place, [this, place](TidePage page) {
    const bool from_refresh = refresh_fetch_;
    fetch_in_flight_ = false;
    refresh_fetch_ = false;
    PageArrived(place, from_refresh, page);
    FetchEnded();
  });
  return true;
}

void Tides::FetchEnded() {
  answered_ = true;
  if (!awaiting_page_) return;
  awaiting_page_ = false;
  // The first frame, held back since activation, comes with the lines the page gave.
  if (c_.Timer12.Enabled()) TideTick();
}

void Tides::PageArrived(const std::string& place, bool from_refresh, const TidePage& page) {
  if (!page.ok) {
    // A place no station matches is worth saying, once, and on the glass until a page for the
    // place is read; asking again before the usual time would only give the same answer. A
    // network that is down is told once and retried at the usual time.
    if (page.no_station) {
      no_station_for_ = place;
      if (from_refresh) refresh_count = 1;
    }
    if (!page.error.empty()) Say("Tides: " + page.error);
    return;
  }
  // A page in the station's own time is read by the station's day and hour.
  const LocalDateTime now = wall_.Now();
  const int day = page.station_now ? page.station_now->day : now.day;
  const int hour = page.station_now ? page.station_now->hour : now.hour;
  const TideReading reading = ReadTidePage(page.text, day, hour);
  switch (reading.outcome) {
    case TideReading::Outcome::kFailed:
      return;
    case TideReading::Outcome::kParseError:
      // The page has nothing of today: said once per place, and the program goes on with the
      // lines it had (ending here would lose every setting changed since start).
      if (parse_error_shown_for_ != place) {
        parse_error_shown_for_ = place;
        boxes_.ShowNotice("Tides Parse Error", kProgramTitle);
      }
      return;
    case TideReading::Outcome::kLines:
      break;
  }
  parse_error_shown_for_.reset();
  no_station_for_.reset();
  said_.clear();
  line1 = reading.line1;
  line2 = reading.line2;
  // The refresh tick that asked has counted itself already; the count starts again after it.
  if (from_refresh) refresh_count = 1;
  if (!page.station.empty()) display_.ReportStatus("Tides: " + page.station, c_.Timer12);
}

void Tides::Say(const std::string& status) {
  if (status == said_) return;
  said_ = status;
  // The message is the function's: it goes when the function stops.
  display_.ReportStatus(status, c_.Timer12);
}

void Tides::TideTick() {
  // The first tick after a long pause asks for the page and leaves the glass as it was until the
  // answer is in; a tick meanwhile (a second activation) neither asks again nor draws.
  if (!c_.tmrTide.Enabled()) {
    c_.tmrTide.SetEnabled(true);
    FetchTides();
    if (fetch_in_flight_) awaiting_page_ = true;
  }
  if (fetch_in_flight_ && !answered_) awaiting_page_ = true;
  const LocalDateTime now = wall_.Now();
  tide_hour = now.hour;
  if (awaiting_page_) return;
  const std::string clock = display_.TextCodes(formats_.TimeText(now));
  const std::string dw = DateWordsOf(now);
  // The page's text may name a station in any script, and the user's place too.
  const std::string row1 = display_.TextCodes(no_station_for_ ? kNoStation : line1);
  const std::string row2 = display_.TextCodes(no_station_for_ ? *no_station_for_ : line2);
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(row1, row2);
      break;
    case kScreen2x40:
      display_.Write2x40(ClockAndDate(clock, dw), row1 + row2);
      break;
    case kScreen4x20:
      display_.Write4x20(Centre20(clock), Centre20(dw), row1, row2);
      break;
    case kScreen2x24:
      display_.Write2x24("  " + row1, "  " + row2);
      break;
    default:
      break;
  }
}

void Tides::TideRefreshTick() {
  // More than an hour since the display last ticked, counted across midnight too (an hour of 0
  // after a tick at 23 is one hour later, and a tick at 22 must not keep the fetches going all
  // of the next day).
  if ((wall_.Now().hour - tide_hour + 24) % 24 > 1) c_.tmrTide.SetEnabled(false);
  if (refresh_count >= refresh_ticks) {
    refresh_fetch_ = FetchTides() || refresh_fetch_;
  }
  if (refresh_count < INT16_MAX) ++refresh_count;
}

FrmTidesConfig::FrmTidesConfig(Tides& tides)
    : Form("frmTidesConfig", "VFD Vorlinx - Tides Config"), tides_(tides) {
  sldUpdateFrequency.SetSteps(5, 5, 5);
  cmdApply.on_click = [this] { Apply(); };
}

void FrmTidesConfig::OnLoad() {
  txtLocation.SetText(tides_.location);
  // Minutes are ticks / 2, halves to even (45 ticks show as 22).
  sldUpdateFrequency.SetValue(static_cast<int>(std::nearbyint(tides_.refresh_ticks / 2.0)));
}

void FrmTidesConfig::Apply() {
  tides_.location = txtLocation.Text();
  tides_.refresh_ticks = static_cast<int16_t>(sldUpdateFrequency.Value() * 2);
  Unload();
}

std::vector<std::string> FrmTidesConfig::Completions(size_t limit) {
  return tides_.pages().Complete(txtLocation.Text(), limit);
}

}  // namespace vfd
