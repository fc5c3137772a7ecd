#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/Controls.h"
#include "core/DisplayFunction.h"
#include "core/Form.h"
#include "core/Http.h"
#include "core/Settings.h"
#include "core/Timer.h"
#include "core/WebDocuments.h"
#include "display/DisplayLink.h"
#include "sources/FetchFailures.h"

namespace vfd {

// What tells the two headline functions apart: their code, their labels, their settings and
// their dialog's texts.
struct NewsSite {
  int16_t code;
  const char* head_label;  // at the head of the scrolling line
  const char* pass_label;  // the scrolling line has come round once
  const char* dialog_name;
  const char* dialog_caption;
  const char* caption_name;  // the site's name in the dialog's captions
  int16_t Settings::*refresh_ticks;
  int16_t Settings::*mode;
  int16_t Settings::*scroll_interval;
  int16_t Settings::*item_change_speed;
};

extern const NewsSite kHardNewsSite;
extern const NewsSite kShacknewsSite;

inline constexpr const char* kErrorLoadingNews = "Error Loading News";

class NewsFeed;

// A headline function's settings dialog. Mode and speeds take effect at once; the update
// frequency only with Apply. There is no Cancel.
class FrmNewsConfig : public Form {
 public:
  explicit FrmNewsConfig(NewsFeed& feed);

  // The slider's tick positions, with the labels under them, left to right.
  static constexpr std::array<int, 5> kSpeedTicks{73, 138, 203, 268, 333};

  Frame fraNewsUpdateFrequency;
  Slider sldInfoUpdateFrequency{"sldInfoUpdateFrequency", 1, 12};
  Label lblOneHour{"lblOneHour", "1 Hour"};
  Label lblTwelveHours{"lblTwelveHours", "12 Hours"};
  Frame fraItemChangeSpeed;
  Slider sldItemChangeSpeed{"sldItemChangeSpeed", 1, 30};
  Label lblOneSecond{"lblOneSecond", "1 Second"};
  Label lblThirtySeconds{"lblThirtySeconds", "30 Seconds"};
  Frame fraScrollSpeed;
  Slider sldScrollSpeed{"sldScrollSpeed", 73, 333};
  Label lblLudicrous{"lblLudicrous", "Ludicrous"};
  Label lblRidiculous{"lblRidiculous", "Ridiculous"};
  Label lblLight{"lblLight", "Light"};
  Label lblFast{"lblFast", "Fast"};
  Label lblSlow{"lblSlow", "Slow"};
  OptionButton optMode1{"optMode1", ""};
  OptionButton optMode2{"optMode2", ""};
  OptionButton optMode3{"optMode3", ""};
  // The two display lines pictured beside each mode option: top, bottom.
  std::array<std::array<std::string, 2>, 3> mode_pictures;
  Button cmdApply{"cmdApply", "Apply"};

 protected:
  void OnLoad() override;

 private:
  void SelectMode(int16_t mode);
  void Apply();

  NewsFeed& feed_;
};

// One news site's headlines: fetched into a list and refetched every few hours, shown as a
// clock over a scrolling line of all headlines (mode 1), a clock over one headline at a time
// (mode 2), or headlines only (mode 3).
class NewsFeed {
 public:
  struct Controls {
    Button& cmdNews;
    Timer& display_timer;  // Timer13 or Timer14
    Timer& refetch_timer;  // tmrHN or tmrSN
    Button& cmdNewsConfig;
  };

  NewsFeed(const NewsSite& site, Controls controls, DisplayLink& display, HttpClient& http,
           WebDocuments& documents, WallClock& wall, RegionalFormats& formats);
  FunctionRegistration Registration();

  // The feed's address.
  std::string url;

  // Its settings.
  int16_t refresh_ticks = 240;
  int16_t mode = 2;
  int16_t scroll_interval = 203;
  int16_t item_change_speed = 10;

  // Its state, kept for the whole run. The headlines are text as the feed had them; the scroll
  // texts are display codes.
  std::vector<std::string> headlines;  // Headlines
  int16_t headline_index = 0;          // HeadlineIndex
  int16_t item_ticks = 0;              // ItemTicks
  std::string scroll_text;             // ScrollText
  std::string scroll_text2;            // ScrollText2
  int16_t half_speed_toggle = 0;       // HalfSpeedToggle
  int16_t refresh_count = 0;           // RefreshTicks
  int16_t last_shown_hour = 0;         // LastShownHour

  // The display timer's tick.
  void DisplayTick();
  // The refetch timer's tick.
  void RefetchTick();
  // Asks for the feed; the list changes when the reply is in. While one request is in flight
  // no second one starts.
  void FetchHeadlines();
  bool Fetching() const { return fetching_; }
  // Whether the display ticks are held until the fetch in flight has ended.
  bool AwaitingHeadlines() const { return awaiting_headlines_; }
  // What a reply does to the list.
  void TakeReading(const FeedReading& reading);
  // The entry at `index`, counted round the list, as display codes; empty for an empty list.
  std::string Entry(int index);

  const NewsSite& site() const { return site_; }
  Timer& display_timer() { return c_.display_timer; }
  FrmNewsConfig& config() { return config_; }

 private:
  void FetchEnded();
  void RebuildOrRotate(std::string& text);
  void AdvanceItem();
  std::array<std::string, 2> ClockLines(bool four_rows);

  const NewsSite& site_;
  Controls c_;
  DisplayLink& display_;
  HttpClient& http_;
  WebDocuments& documents_;
  WallClock& wall_;
  RegionalFormats& formats_;
  FrmNewsConfig config_;
  bool fetching_ = false;
  bool awaiting_headlines_ = false;
  bool answered_ = false;  // some fetch has ended, well or not
  FetchFailures failures_{display_, site_.caption_name, &c_.display_timer};
};

}  // namespace vfd
