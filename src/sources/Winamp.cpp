#include "sources/Winamp.h"

#include "effects/Clock.h"

namespace vfd {
namespace {

// Blanks; none for a count of zero or less.
std::string Sp(long n) {
  return std::string(n > 0 ? static_cast<size_t>(n) : 0, ' ');
}

long Len(std::string_view s) {
  return static_cast<long>(s.size());
}

constexpr std::string_view kSeparator = "      ";
constexpr std::string_view kActivationSeparator = " *** ";

// The alternate functions the dialog offers, by name.
struct AltFunction {
  int16_t code;
  const char* name;
};
constexpr AltFunction kAltFunctions[] = {
    {1, "Ticker"},
    {2, "The Matrix"},
    {3, "Clock"},
    {4, "Sleep"},
    {6, "Motherboard Monitor"},
    {10, "Vertical Scroll"},
    {12, "Tides"},
    {13, "[H]ard|News"},
    {14, "Shacknews"},
    {15, "Countdown"},
    {17, "Weather"},
};

}  // namespace

Winamp::Winamp(Controls controls, DisplayLink& display, ProgressBars& bars, MediaPlayer& player,
               WallClock& wall, RegionalFormats& formats)
    : reader(player),
      c_(controls),
      display_(display),
      bars_(bars),
      wall_(wall),
      formats_(formats),
      config_(*this) {}

FunctionRegistration Winamp::Registration() {
  return {.code = 4,
          .button = &c_.cmdWinamp,
          .timer = &c_.Timer4,
          .first_frame = FirstFrame::kNone,
          .tick = [this] { WinampTick(); },
          .after_activate =
              [this] {
                PrepareTitle();
                UploadPatterns();
              },
          .dialog = &config_,
          .config_button = &c_.cmdWinampConfig,
          .load =
              [this](const Settings& s) {
                mode = s.WinampMode;
                alt_function = s.WinampAltFunction;
                switch_when_stopped = s.WinampSwitchWhenStopped;
                title_style = s.WinampTitleStyle;
                time_style = s.WinampTimeStyle;
                scroll_interval = s.WinampScrollInterval;
                // A fixed title is redrawn once a second; a scrolling one moves at its speed.
                c_.Timer4.SetInterval(title_style == "Fixed" ? 1000 : scroll_interval);
              },
          .store =
              [this](Settings& s) {
                s.WinampMode = mode;
                s.WinampAltFunction = alt_function;
                s.WinampSwitchWhenStopped = switch_when_stopped;
                s.WinampTitleStyle = title_style;
                s.WinampTimeStyle = time_style;
                s.WinampScrollInterval = scroll_interval;
              }};
}

std::string Winamp::StripTitle(std::string_view title, int16_t playlist_pos,
                               std::string_view separator) {
  // The prefix is the playlist number and ". "; the suffix the player's nine characters.
  const long keep = Len(title) - Len(std::to_string(playlist_pos)) - 2;
  if (keep <= 0) return {};
  std::string t(title.substr(title.size() - static_cast<size_t>(keep)));
  if (t.size() > 9) {
    t.resize(t.size() - 9);
    t += separator;
  }
  return t;
}

std::string Winamp::Center20(std::string_view x) {
  return Sp((20 - Len(x)) / 2) + std::string(x);
}

int16_t Winamp::AltFunctionCode(std::string_view name) {
  for (const AltFunction& f : kAltFunctions)
    if (name == f.name) return f.code;
  return -1;
}

std::string Winamp::AltFunctionName(int16_t code) {
  for (const AltFunction& f : kAltFunctions)
    if (code == f.code) return f.name;
  return {};
}

void Winamp::PrepareTitle() {
  reader.RefreshNowPlaying();
  if (reader.QueryStatus() != 0 && reader.FindPlayer())
    now_playing_text = display_.TextCodes(
        StripTitle(reader.now_playing.Title, reader.now_playing.PlaylistPos, kActivationSeparator));
}

void Winamp::UploadPatterns() {
  display_.UploadCharacterPatterns();
}

void Winamp::RunAlternateFunction() {
  switch (alt_function) {
    case 4:
      BlankDisplay();
      break;
    case 1:
    case 2:
    case 3:
    case 6:
    case 10:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
      // The function's own timer stays off: its tick runs at this timer's pace.
      if (run_tick) run_tick(alt_function);
      break;
    default:
      break;
  }
}

void Winamp::BlankDisplay() {
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(std::string(20, ' '), std::string(20, ' '));
      break;
    case kScreen2x40:
      display_.Write2x40(std::string(40, ' '), std::string(40, ' '));
      break;
    case kScreen4x20: {
      const std::string row(20, ' ');
      display_.Write4x20(row, row, row, row);
      break;
    }
    case kScreen2x24:
      display_.Write2x24(std::string(24, ' '), std::string(24, ' '));
      break;
    default:
      break;
  }
}

std::string Winamp::Bar() {
  const NowPlayingRecord& np = reader.now_playing;
  // Without a length the position has no ratio: the bar shows nothing filled.
  if (np.LengthSec == 0) return bars_.EmptyBar(display_.screen_type);
  const float ratio = static_cast<float>(np.PositionSec) / static_cast<float>(np.LengthSec);
  switch (display_.screen_type) {
    case kScreen2x20:
      return bars_.ProgressBar9(ratio);
    case kScreen2x40:
      return bars_.ProgressBar22(ratio);
    case kScreen4x20:
      return bars_.ProgressBar20(ratio);
    case kScreen2x24:
      return bars_.ProgressBar13(ratio);
    default:
      return {};
  }
}

void Winamp::WinampTick() {
  reader.RefreshNowPlaying();
  const bool playing = reader.QueryStatus() != 0;  // paused counts as playing
  const bool found = reader.FindPlayer();
  if (!found || (!playing && switch_when_stopped)) {
    RunAlternateFunction();
    return;
  }
  const NowPlayingRecord& np = reader.now_playing;
  const int16_t screen = display_.screen_type;
  const std::string p = std::to_string(np.PlaylistPos);
  const std::string n = std::to_string(np.PlaylistLength);
  // A player that tells only the track's own number (its place on the album) gives no count:
  // "Track: 7" then, rather than a count made up for it. Where the count is shown, the padding
  // takes the missing "/n" so that the right edge stays put.
  const std::string pn = np.PlaylistLength == 0 ? p : p + "/" + n;
  // 2x24 shows no count but pads by its width; without one the number ends the line as it does
  // beside a two-digit count.
  const long count_width = np.PlaylistLength == 0 ? 2 : Len(n);

  // The song text is held as display codes, so that its columns are those the display shows. It
  // scrolls when it (with its six-space separator) is wider than the line, and only once the
  // track has played for five seconds.
  const long l = Len(now_playing_text);
  const bool scroll = title_style != "Fixed" && l > 26 &&
                      !(np.PositionSec >= 0 && np.PositionSec <= 4) &&
                      (l > 46 || screen != kScreen2x40) && (l > 30 || screen != kScreen2x24);
  // The record's title is the one read in this tick ("Error" for an empty one).
  if (scroll) {
    if (np.Title == last_title)
      now_playing_text = now_playing_text.substr(1) + now_playing_text.front();
    else
      now_playing_text = display_.TextCodes(StripTitle(np.Title, np.PlaylistPos, kSeparator));
    last_title = np.Title;
  } else {
    now_playing_text = display_.TextCodes(StripTitle(np.Title, np.PlaylistPos, kSeparator));
  }

  const bool remaining = time_style == "Remaining";
  std::string t = np.ElapsedText;
  if (remaining && np.LengthSec != 0 && np.PositionSec <= np.LengthSec)
    t = MinutesAndSeconds(np.LengthSec - np.PositionSec);
  const std::string& total = np.LengthText;
  const std::string t2 = remaining ? "-" + t : t;
  const std::string& title = now_playing_text;

  switch (mode) {
    case 1:
      switch (screen) {
        case kScreen2x20:
          display_.Write2x20(title, " |" + t + "|" + Sp(10 - Len(t) - Len(p)) + "Track:" + p + " ");
          break;
        case kScreen2x40:
          display_.Write2x40(title, "  Time: " + t2 + "/" + total +
                                        Sp(22 - Len(t2) - Len(total) - Len(pn)) + "Track: " + pn +
                                        "  ");
          break;
        case kScreen4x20:
          display_.Write4x20(title, Center20("Time: " + t2 + "/" + total), Center20("Track: " + pn),
                             Center20(Info()));
          break;
        case kScreen2x24:
          display_.Write2x24(title, "|" + t + "/" + total + "|" +
                                        Sp(17 - Len(t) - Len(total) - Len(p) - count_width) +
                                        "Track:" + p);
          break;
        default:
          break;
      }
      break;
    case 2:
      switch (screen) {
        case kScreen2x20:
          display_.Write2x20(title, Bar() + Sp(5 - Len(p)) + "Track:" + p + " ");
          break;
        case kScreen2x40:
          display_.Write2x40(title, Bar() + Sp(11 - Len(pn)) + "Track: " + pn);
          break;
        case kScreen4x20:
          display_.Write4x20(title, Bar(), Center20("Track: " + pn), Center20(Info()));
          break;
        case kScreen2x24:
          display_.Write2x24(title, Bar() + Sp(5 - Len(p)) + "Track:" + p);
          break;
        default:
          break;
      }
      break;
    case 3: {
      const LocalDateTime now = wall_.Now();
      const std::string clock = display_.TextCodes(formats_.TimeText(now));
      switch (screen) {
        case kScreen2x20: {
          const std::string d2 = ShortDate2Of(display_.TextCodes(formats_.ShortDateText(now)));
          display_.Write2x20(clock + Sp(20 - Len(clock) - Len(d2)) + d2, title);
          break;
        }
        case kScreen2x40: {
          const std::string dw = DateWordsOf(now);
          display_.Write2x40(Sp(14 - Len(clock)) + clock + Sp(36 - Len(clock) - Len(dw)) + dw,
                             title);
          break;
        }
        case kScreen4x20:
          display_.Write4x20(Center20(clock), Center20(DateWordsOf(now)), title,
                             Center20("Time: " + t2 + "/" + total));
          break;
        case kScreen2x24: {
          const std::string d = display_.TextCodes(formats_.ShortDateText(now));
          display_.Write2x24(clock + Sp(24 - Len(clock) - Len(d)) + d, title);
          break;
        }
        default:
          break;
      }
      break;
    }
    default:
      RunAlternateFunction();
      break;
  }
}

std::string Winamp::Info() const {
  const NowPlayingRecord& np = reader.now_playing;
  return std::to_string(np.Channels) + "Ch  " + std::to_string(np.SampleRate) + "KHz  " +
         std::to_string(np.Bitrate) + "Kbps";
}

}  // namespace vfd
