#pragma once

#include <string>

namespace vfd {

// Modal message boxes with an OK button. The real one lets timers run while it is open, as the
// window system's message boxes do.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
};

// The title a message box gets when its text names none.
inline constexpr const char* kProgramTitle = "VFD Vorlinx";

}  // namespace vfd
