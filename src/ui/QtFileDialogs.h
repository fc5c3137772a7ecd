#pragma once

#include "core/UserDialogs.h"

namespace vfd::ui {

// The file-open dialog as a Qt dialog. Headless there is nobody to choose: it answers as a
// cancelled dialog does.
class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(bool headless) : headless_(headless) {}
  std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                      const std::string& proposed_name) override;

 private:
  bool headless_;
};

}  // namespace vfd::ui
