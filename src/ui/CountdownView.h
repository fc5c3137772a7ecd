#pragma once

#include <QDialog>

#include "shell/Countdown.h"

namespace vfd::ui {

// The countdown's settings: the event's name and its date on a month calendar, then Apply.
class CountdownView : public QDialog {
 public:
  explicit CountdownView(FrmCountdown& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui
