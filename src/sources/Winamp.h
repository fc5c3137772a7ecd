#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/Clock.h"
#include "core/DisplayFunction.h"
#include "core/MediaPlayer.h"
#include "display/DisplayLink.h"
#include "effects/ProgressBars.h"
#include "sources/WinampConfig.h"
#include "sources/WinampReader.h"

namespace vfd {

// The now-playing function: the song text (scrolling when it does not fit), the track time and
// playlist position, a progress bar, the stream's figures or the clock, in one of three layouts.
// While no player runs, or a stopped one should not be shown, its timer drives another function
// (the alternate function) so that the display never goes stale.
class Winamp {
 public:
  struct Controls {
    Button& cmdWinamp;
    Timer& Timer4;
    Button& cmdWinampConfig;
  };

  Winamp(Controls controls, DisplayLink& display, ProgressBars& bars, MediaPlayer& player,
         WallClock& wall, RegionalFormats& formats);
  FunctionRegistration Registration();

  // Start-up's steps for the player: its state read once before the first tick, and the
  // character patterns of the IEE parallel display.
  void PrereadAtStart() { PrepareTitle(); }
  void UploadPatternsAtStart() { UploadPatterns(); }

  // Timer4's tick.
  void WinampTick();
  // Activation's own steps: the song text prepared from a playing player's title (with a
  // separator of its own, which the first tick replaces), then the character patterns.
  void PrepareTitle();
  void UploadPatterns();

  // The song text of a player title: the playlist-number prefix ("12. ") and the player's
  // 9-character suffix cut off by length, followed by `separator`. A title too short to hold
  // more than the suffix keeps what is left after the prefix, without separator.
  static std::string StripTitle(std::string_view title, int16_t playlist_pos,
                                std::string_view separator);
  // `x` centred on a row of 20 (more than 20 characters are left to the writer to cut).
  static std::string Center20(std::string_view x);
  // The code of an alternate function's name in the dialog's list; -1 for no name of the list.
  static int16_t AltFunctionCode(std::string_view name);
  // The name of an alternate function's code; empty for codes the list does not offer.
  static std::string AltFunctionName(int16_t code);

  // Runs the tick of the function with the given code (set by the program to the mode
  // controller's; codes nobody registered do nothing).
  std::function<void(int16_t)> run_tick;

  int16_t mode = 1;                    // WinampMode
  int16_t alt_function = 3;            // WinampAltFunction
  bool switch_when_stopped = true;     // WinampSwitchWhenStopped
  std::string title_style = "Fixed";   // WinampTitleStyle
  std::string time_style = "Elapsed";  // WinampTimeStyle
  int16_t scroll_interval = 203;       // WinampScrollInterval

  std::string now_playing_text;  // NowPlayingText
  std::string last_title;        // LastTitle
  WinampReader reader;

  Timer& timer() { return c_.Timer4; }
  const DisplayLink& display() const { return display_; }
  FrmWinampConfig& config() { return config_; }

 private:
  void RunAlternateFunction();
  void BlankDisplay();
  // The progress bar of the screen type for the track's position.
  std::string Bar();
  // Channels, sample rate and bitrate.
  std::string Info() const;

  Controls c_;
  DisplayLink& display_;
  ProgressBars& bars_;
  WallClock& wall_;
  RegionalFormats& formats_;
  FrmWinampConfig config_;
};

}  // namespace vfd
