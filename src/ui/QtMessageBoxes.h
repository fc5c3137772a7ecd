#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "core/UserDialogs.h"

namespace vfd::ui {

// Where a message box of `box` size goes so that it does not cover `dialog`: beside it on the
// screen where there is room, below it where there is not.
QPoint PlaceBeside(const QRect& dialog, const QSize& box, const QRect& screen);

// Message boxes as Qt dialogs. QMessageBox runs a nested event loop, so the program's timers keep
// running while one is open. Without a screen (headless) nobody could press OK: the message goes
// to standard error and the call returns at once.
class QtMessageBoxes : public MessageBoxes {
 public:
  explicit QtMessageBoxes(bool headless) : headless_(headless) {}
  void ShowMessage(const std::string& text, const std::string& title) override;
  void ShowNotice(const std::string& text, const std::string& title) override;

 private:
  bool headless_;
};

}  // namespace vfd::ui
