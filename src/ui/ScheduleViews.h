#pragma once

#include <QDialog>

#include "shell/AutoTimer.h"
#include "shell/Rotation.h"

namespace vfd::ui {

// The rotation's settings: a time in tenths of a second beside each function's name, the note on
// what the numbers mean, then Apply.
class RotateConfigView : public QDialog {
 public:
  explicit RotateConfigView(FrmRotateConfig& form, QWidget* parent = nullptr);
};

// The AutoTimer's settings: eight rows of a time and an action, then Apply.
class TimerConfigView : public QDialog {
 public:
  explicit TimerConfigView(FrmTimer& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui
