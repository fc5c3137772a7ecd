#pragma once

#include "core/DisplayFunction.h"
#include "display/DisplayLink.h"
#include "effects/Ticker.h"

namespace vfd {

// The message cut into lines of the screen's width, moved up one line every tick. The message
// itself is the state: it is padded and rotated in place.
class VerticalScroll {
 public:
  struct Controls {
    Button& cmdVertScroll;
    Timer& Timer10;
  };

  VerticalScroll(Controls controls, DisplayLink& display, Ticker& ticker)
      : c_(controls), display_(display), ticker_(ticker) {}
  FunctionRegistration Registration() {
    return {.code = 10,
            .button = &c_.cmdVertScroll,
            .timer = &c_.Timer10,
            .first_frame = FirstFrame::kBefore,
            .tick = [this] { Tick(); }};
  }
  void Tick();

 private:
  Controls c_;
  DisplayLink& display_;
  Ticker& ticker_;
};

}  // namespace vfd
