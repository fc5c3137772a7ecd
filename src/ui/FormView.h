#pragma once

#include <QObject>

#include "core/Form.h"

class QWidget;

namespace vfd::ui {

// Ties a window to a form model: the model's caption is the window title, showing the form shows
// the window in front (the same window each time, the dialogs being single-instance), unloading
// the form hides it, and the user closing the window unloads the form. The window is not owned.
class FormView : public QObject {
 public:
  FormView(Form& form, QWidget* window);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowInFront();
  void UserClosed();

  Form& form_;
  QWidget* window_;
};

}  // namespace vfd::ui
