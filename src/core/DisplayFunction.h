#pragma once

#include <cstdint>
#include <functional>

#include "core/Controls.h"
#include "core/Form.h"
#include "core/Settings.h"
#include "core/Timer.h"

namespace vfd {

// When activating a function draws its first frame: not at all (the first timer tick does),
// before the brightness is sent again, or after it.
enum class FirstFrame { kNone, kBefore, kAfter };

// A display function as the mode controller runs it. Every function fills one in about itself
// and registers it; the mode controller needs nothing else to start, stop, tick, save and close
// it, so a new function is one new file pair and one registration.
struct FunctionRegistration {
  int16_t code = 0;          // FunctionCode: its timer's number
  Button* button = nullptr;  // the main window's button that activates it
  Timer* timer = nullptr;    // runs exactly while the function runs
  FirstFrame first_frame = FirstFrame::kAfter;
  std::function<void()> tick{};
  // Activation by its button only (not start-up or wake): runs before its timer starts.
  std::function<void()> before_start{};
  // Activation by its button only: runs last, after the first frame and the brightness.
  std::function<void()> after_activate{};
  // Its settings dialog, and the main window's button that opens it (both optional). Opening
  // re-sends the brightness unless `opens_quietly`.
  Form* dialog = nullptr;
  Button* config_button = nullptr;
  bool opens_quietly = false;
  // Its own values in the settings file: taken at start, given back at exit (both optional).
  std::function<void(const Settings&)> load{};
  std::function<void(Settings&)> store{};
  // Whether it has anything to show now (optional; without it, always): rotation passes over a
  // function that has not.
  std::function<bool()> available{};
};

}  // namespace vfd
