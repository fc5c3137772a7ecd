#pragma once

#include <cstdint>
#include <string>

#include "core/DisplayFunction.h"

namespace vfd {

// The now-playing function. For now it keeps its settings and its timer's period; the player
// reader and the frames it draws come with the media-player backend, and until then a tick draws
// nothing.
class Winamp {
 public:
  struct Controls {
    Button& cmdWinamp;
    Timer& Timer4;
  };

  explicit Winamp(Controls controls) : c_(controls) {}
  FunctionRegistration Registration();

  // Start-up's steps for the player: its state read once before the first tick, and the
  // character patterns of the IEE parallel display. Nothing to do without a reader.
  void PrereadAtStart() {}
  void UploadPatternsAtStart() {}

  int16_t mode = 1;                    // WinampMode
  int16_t alt_function = 3;            // WinampAltFunction
  bool switch_when_stopped = true;     // WinampSwitchWhenStopped
  std::string title_style = "Fixed";   // WinampTitleStyle
  std::string time_style = "Elapsed";  // WinampTimeStyle
  int16_t scroll_interval = 203;       // WinampScrollInterval

 private:
  Controls c_;
};

}  // namespace vfd
