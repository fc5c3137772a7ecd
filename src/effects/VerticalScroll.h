#pragma once

#include "display/DisplayLink.h"
#include "effects/Ticker.h"

namespace vfd {

// The message cut into lines of the screen's width, moved up one line every tick. The message
// itself is the state: it is padded and rotated in place.
class VerticalScroll {
 public:
  VerticalScroll(DisplayLink& display, Ticker& ticker) : display_(display), ticker_(ticker) {}
  void Tick();

 private:
  DisplayLink& display_;
  Ticker& ticker_;
};

}  // namespace vfd
