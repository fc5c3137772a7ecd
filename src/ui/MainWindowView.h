#pragma once

#include <QMainWindow>

#include "shell/Program.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace vfd::ui {

// The main window: every control of the main window's model, laid out in groups, with the
// display preview on top. Closing the window ends the program in order.
class MainWindowView : public QMainWindow {
 public:
  explicit MainWindowView(Program& program, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* BuildPreview();
  QGroupBox* BuildFunctions();
  QGroupBox* BuildEffectsAndOptions();
  QGroupBox* BuildDevice();
  QGroupBox* BuildMessage();
  QWidget* BuildInfo();
  QPushButton* MakeButton(Button& model, QWidget* parent);
  void MirrorForm();

  Program& program_;
  FrmMain& form_;
  bool closing_ = false;
};

}  // namespace vfd::ui
