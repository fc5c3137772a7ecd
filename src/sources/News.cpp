#include "sources/News.h"

#include <algorithm>
#include <cmath>

#include "effects/Clock.h"

namespace vfd {

const NewsSite kHardNewsSite{.code = 13,
                             .head_label = "Hard|News: ",
                             .pass_label = " Hard|News:",
                             .dialog_name = "frmHardNewsConfig",
                             .dialog_caption = "VFD Vorlinx - [H]ard|News Config",
                             .caption_name = "[H]ard|News",
                             .refresh_ticks = &Settings::HardNewsRefreshTicks,
                             .mode = &Settings::HardNewsMode,
                             .scroll_interval = &Settings::HardNewsScrollInterval,
                             .item_change_speed = &Settings::HardNewsItemChangeSpeed};

const NewsSite kShacknewsSite{.code = 14,
                              .head_label = "Shacknews: ",
                              .pass_label = " Shacknews:",
                              .dialog_name = "frmShackNewsConfig",
                              .dialog_caption = "VFD Vorlinx -Shacknews Config",
                              .caption_name = "Shacknews",
                              .refresh_ticks = &Settings::ShackNewsRefreshTicks,
                              .mode = &Settings::ShackNewsMode,
                              .scroll_interval = &Settings::ShackNewsScrollInterval,
                              .item_change_speed = &Settings::ShackNewsItemChangeSpeed};

namespace {

// A count of blanks that long time or date texts have made negative is taken as none.
std::string Blanks(long count) {
  return std::string(static_cast<size_t>(std::max(0L, count)), ' ');
}

long Len(const std::string& s) {
  return static_cast<long>(s.size());
}

}  // namespace

NewsFeed::NewsFeed(const NewsSite& site, Controls controls, DisplayLink& display, HttpClient& http,
                   WebDocuments& documents, WallClock& wall, RegionalFormats& formats)
    : site_(site),
      c_(controls),
      display_(display),
      http_(http),
      documents_(documents),
      wall_(wall),
      formats_(formats),
      config_(*this) {
  c_.refetch_timer.on_tick = [this] { RefetchTick(); };
}

FunctionRegistration NewsFeed::Registration() {
  // Activation draws nothing at once: the first frame comes with the timer's first tick.
  return {.code = site_.code,
          .button = &c_.cmdNews,
          .timer = &c_.display_timer,
          .first_frame = FirstFrame::kNone,
          .tick = [this] { DisplayTick(); },
          .dialog = &config_,
          .config_button = &c_.cmdNewsConfig,
          .load =
              [this](const Settings& s) {
                refresh_ticks = s.*site_.refresh_ticks;
                mode = s.*site_.mode;
                scroll_interval = s.*site_.scroll_interval;
                item_change_speed = s.*site_.item_change_speed;
              },
          .store =
              [this](Settings& s) {
                s.*site_.refresh_ticks = refresh_ticks;
                s.*site_.mode = mode;
                s.*site_.scroll_interval = scroll_interval;
                s.*site_.item_change_speed = item_change_speed;
              }};
}

void NewsFeed::FetchHeadlines() {
  if (fetching_) return;
  fetching_ = true;
  // The feed comes as bytes: its encoding may be named only inside it.
  http_.Get(url, HttpBody::kBytes, [this](HttpResult result) {
    fetching_ = false;
    failures_.Take(result);
    TakeReading(result.ok ? documents_.ReadFeed(result.body, result.content_type) : FeedReading{});
    FetchEnded();
  });
}

void NewsFeed::FetchEnded() {
  answered_ = true;
  if (!awaiting_headlines_) return;
  awaiting_headlines_ = false;
  // The first frame, held back since activation, comes with the list (or the error entry).
  if (c_.display_timer.Enabled()) DisplayTick();
}

void NewsFeed::TakeReading(const FeedReading& reading) {
  if (reading.outcome == FeedReading::Outcome::kWalkFailed) {
    headlines = {kErrorLoadingNews};
  } else if (reading.outcome == FeedReading::Outcome::kTitles) {
    // Each title cuts the list to one entry past itself, so the list ends with one extra entry
    // that keeps what the previous list had there.
    size_t c = 0;
    for (const std::string& title : reading.titles) {
      headlines.resize(c + 2);
      headlines[c] = title;
      ++c;
    }
  }
  const bool no_title =
      headlines.empty() || (headlines.size() == 1 && headlines[0] == kErrorLoadingNews);
  if (no_title) headlines = {kErrorLoadingNews};
  // A shorter list starts again from its first entry.
  if (headline_index < 0 || static_cast<size_t>(headline_index) >= headlines.size())
    headline_index = 0;
}

std::string NewsFeed::Entry(int index) {
  if (headlines.empty()) return {};
  const int n = static_cast<int>(headlines.size());
  return display_.TextCodes(headlines[static_cast<size_t>(((index % n) + n) % n)]);
}

void NewsFeed::RebuildOrRotate(std::string& text) {
  if (text.size() < 11 || text.compare(0, 11, site_.pass_label) == 0) {
    text = site_.head_label;
    for (const std::string& entry : headlines)
      text += display_.TextCodes(entry) + "   ";
  } else {
    std::rotate(text.begin(), text.begin() + 1, text.end());
  }
}

void NewsFeed::AdvanceItem() {
  if (item_ticks < item_change_speed) {
    ++item_ticks;
    return;
  }
  item_ticks = 1;
  const int next = headline_index + 1;
  headline_index = static_cast<int16_t>(next >= static_cast<int>(headlines.size()) ? 0 : next);
}

std::array<std::string, 2> NewsFeed::ClockLines(bool four_rows) {
  const LocalDateTime now = wall_.Now();
  const std::string t = display_.TextCodes(formats_.TimeText(now));
  const std::string d = display_.TextCodes(formats_.ShortDateText(now));
  switch (display_.screen_type) {
    case kScreen2x20: {
      const std::string d2 = ShortDate2Of(d);
      return {t + Blanks(20 - Len(t) - Len(d2)) + d2, ""};
    }
    case kScreen2x40: {
      const std::string dw = DateWordsOf(now);
      return {Blanks(14 - Len(t)) + t + Blanks(36 - Len(t) - Len(dw)) + dw, ""};
    }
    case kScreen4x20: {
      const std::string dw = DateWordsOf(now);
      (void)four_rows;
      return {Blanks((20 - Len(t)) / 2) + t, Blanks((20 - Len(dw)) / 2) + dw};
    }
    case kScreen2x24:
      return {t + Blanks(24 - Len(t) - Len(d)) + d, ""};
    default:
      return {"", ""};
  }
}

void NewsFeed::DisplayTick() {
  // The first tick after a long pause asks for the feed and leaves the glass as it was until the
  // reply is in: no pass of the bare label, no item period cut short. A tick meanwhile (a second
  // activation, or the timer's own) neither asks again nor moves anything.
  if (!c_.refetch_timer.Enabled()) {
    c_.refetch_timer.SetEnabled(true);
    FetchHeadlines();
    if (fetching_) awaiting_headlines_ = true;
  }
  if (fetching_ && !answered_) awaiting_headlines_ = true;
  last_shown_hour = static_cast<int16_t>(wall_.Now().hour);
  if (awaiting_headlines_) {
    c_.display_timer.SetInterval(mode == 1 ? scroll_interval : 1000);
    return;
  }
  const bool four_rows = display_.screen_type == kScreen4x20;
  std::array<std::string, 4> rows;
  if (mode == 1) {
    c_.display_timer.SetInterval(scroll_interval);
    RebuildOrRotate(scroll_text);
    const std::array<std::string, 2> clock = ClockLines(four_rows);
    if (four_rows) {
      if (half_speed_toggle == 1) {
        RebuildOrRotate(scroll_text2);
        half_speed_toggle = 0;
      } else {
        half_speed_toggle = 1;
      }
      rows = {clock[0], clock[1], scroll_text, scroll_text2};
    } else {
      rows = {clock[0], scroll_text, "", ""};
    }
  } else if (mode == 3) {
    c_.display_timer.SetInterval(1000);
    AdvanceItem();
    const int i = headline_index;
    rows = {Entry(i), Entry(i + 1), Entry(i + 2), Entry(i + 3)};
  } else {
    c_.display_timer.SetInterval(1000);
    AdvanceItem();
    const std::array<std::string, 2> clock = ClockLines(four_rows);
    if (four_rows) {
      rows = {clock[0], clock[1], Entry(headline_index), Entry(headline_index + 1)};
    } else {
      rows = {clock[0], Entry(headline_index), "", ""};
    }
  }
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(rows[0], rows[1]);
      break;
    case kScreen2x40:
      display_.Write2x40(rows[0], rows[1]);
      break;
    case kScreen2x24:
      display_.Write2x24(rows[0], rows[1]);
      break;
    case kScreen4x20:
      display_.Write4x20(rows[0], rows[1], rows[2], rows[3]);
      break;
    default:
      break;
  }
}

void NewsFeed::RefetchTick() {
  // More than an hour since the display last ticked, counted across midnight too: a last tick
  // at 23:xx must not keep the fetches going for the rest of the run.
  const int hour = wall_.Now().hour;
  if ((hour - last_shown_hour + 24) % 24 > 1) c_.refetch_timer.SetEnabled(false);
  if (refresh_count >= refresh_ticks) {
    refresh_count = 0;
    FetchHeadlines();
  }
  // Kept from running over: a period beyond the counter's range would otherwise never come.
  if (refresh_count < INT16_MAX) ++refresh_count;
}

FrmNewsConfig::FrmNewsConfig(NewsFeed& feed)
    : Form(feed.site().dialog_name, feed.site().dialog_caption),
      fraNewsUpdateFrequency("fraNewsUpdateFrequency",
                             std::string(feed.site().caption_name) + " Info Update Frequency"),
      fraItemChangeSpeed("fraItemChangeSpeed",
                         std::string(feed.site().caption_name) + " Item Change Speed"),
      fraScrollSpeed("fraScrollSpeed", std::string(feed.site().caption_name) + " Scroll Speed"),
      feed_(feed) {
  const std::string name = feed.site().caption_name;
  mode_pictures = {{{"Clock", name + " (Scrolling)"},
                    {"Clock", name + " (Item by Item)"},
                    {name + " (Item by Item)", name + " (Item by Item)"}}};
  sldScrollSpeed.SetSteps(5, 65, 65);
  sldItemChangeSpeed.SetSteps(1, 5, 1);
  sldInfoUpdateFrequency.SetSteps(1, 1, 1);
  sldItemChangeSpeed.on_change = [this] {
    feed_.display_timer().SetInterval(1000);
    feed_.item_change_speed = static_cast<int16_t>(sldItemChangeSpeed.Value());
  };
  sldScrollSpeed.on_change = [this] {
    feed_.display_timer().SetInterval(sldScrollSpeed.Value());
    feed_.scroll_interval = static_cast<int16_t>(sldScrollSpeed.Value());
  };
  optMode1.on_click = [this] { SelectMode(1); };
  optMode2.on_click = [this] { SelectMode(2); };
  optMode3.on_click = [this] { SelectMode(3); };
  cmdApply.on_click = [this] { Apply(); };
}

void FrmNewsConfig::SelectMode(int16_t mode) {
  std::array<OptionButton*, 3> options{&optMode1, &optMode2, &optMode3};
  for (int16_t m = 1; m <= 3; ++m) {
    if (m != mode) options[static_cast<size_t>(m - 1)]->SetValue(false);
  }
  feed_.mode = mode;
  const bool scrolling = mode == 1;
  if (scrolling) {
    feed_.display_timer().SetInterval(sldScrollSpeed.Value());
    feed_.scroll_interval = static_cast<int16_t>(sldScrollSpeed.Value());
  } else {
    feed_.display_timer().SetInterval(1000);
    feed_.item_change_speed = static_cast<int16_t>(sldItemChangeSpeed.Value());
  }
  fraScrollSpeed.SetEnabled(scrolling);
  sldScrollSpeed.SetEnabled(scrolling);
  fraItemChangeSpeed.SetEnabled(!scrolling);
  sldItemChangeSpeed.SetEnabled(!scrolling);
}

void FrmNewsConfig::OnLoad() {
  sldScrollSpeed.SetValue(feed_.scroll_interval);
  sldItemChangeSpeed.SetValue(feed_.item_change_speed);
  // Hours to the nearest whole number, halves to the even one.
  sldInfoUpdateFrequency.SetValue(
      static_cast<int>(std::nearbyint(static_cast<double>(feed_.refresh_ticks) / 120.0)));
  // Selecting the stored mode applies it, as a click would; a mode that is none of the three
  // shows as the default one.
  switch (feed_.mode) {
    case 1:
      optMode1.SetValue(true);
      break;
    case 3:
      optMode3.SetValue(true);
      break;
    default:
      optMode2.SetValue(true);
      break;
  }
}

void FrmNewsConfig::Apply() {
  feed_.refresh_ticks = static_cast<int16_t>(sldInfoUpdateFrequency.Value() * 120);
  if (optMode1.Value()) {
    SelectMode(1);
  } else if (optMode3.Value()) {
    SelectMode(3);
  } else {
    SelectMode(2);
  }
  Unload();
}

}  // namespace vfd
