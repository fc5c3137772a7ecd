#pragma once

#include <optional>
#include <string>

namespace vfd {

// Modal message boxes with an OK button. The real one lets timers run while it is open, as the
// window system's message boxes do.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
  // The same message without holding up the caller: the box stays until the user closes it,
  // and everything goes on meanwhile. Where there is no such box, an ordinary message.
  virtual void ShowNotice(const std::string& text, const std::string& title) {
    ShowMessage(text, title);
  }
};

// The title a message box gets when its text names none.
inline constexpr const char* kProgramTitle = "VFD Vorlinx";

}  // namespace vfd

namespace vfd {

// The file-open dialog. Returns the chosen file's full path, or nullopt when the user cancels.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                              const std::string& proposed_name) = 0;
};

}  // namespace vfd
