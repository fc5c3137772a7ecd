#pragma once

#include "core/UserDialogs.h"

namespace vfd::app {

// Message boxes without a screen: nobody could press OK, so the message goes to standard error
// and the call returns at once.
class ConsoleMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(const std::string& text, const std::string& title) override;
};

// The file-open dialog without a screen: nobody can choose, so it answers as a cancelled dialog.
class NoFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> OpenFile(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
};

}  // namespace vfd::app
