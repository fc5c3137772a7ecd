#include "sources/Winamp.h"

namespace vfd {

FunctionRegistration Winamp::Registration() {
  return {.code = 4,
          .button = &c_.cmdWinamp,
          .timer = &c_.Timer4,
          .first_frame = FirstFrame::kNone,
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

}  // namespace vfd
