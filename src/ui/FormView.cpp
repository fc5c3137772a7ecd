#include "ui/FormView.h"

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "ui/Binders.h"

namespace vfd::ui {

FormView::FormView(Form& form, QWidget* window) : QObject(window), form_(form), window_(window) {
  window_->setObjectName(QString::fromStdString(form_.Name()));
  window_->setWindowTitle(FromText(form_.Caption()));
  window_->installEventFilter(this);
  // Escape and the dialog's own buttons end a dialog without a close event.
  if (auto* dialog = qobject_cast<QDialog*>(window_))
    connect(dialog, &QDialog::finished, this, [this] { UserClosed(); });

  QPointer<FormView> self(this);
  form_.changed.Connect([self] {
    if (self) self->window_->setWindowTitle(FromText(self->form_.Caption()));
  });
  form_.shown.Connect([self] {
    if (self) self->ShowInFront();
  });
  form_.closed.Connect([self] {
    if (self) self->window_->hide();
  });
}

void FormView::ShowInFront() {
  if (window_->isMinimized())
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void FormView::UserClosed() {
  // Unloading hides the window through `closed`; a form closed by the program is not loaded any
  // more and is left alone.
  if (form_.Loaded()) form_.Unload();
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Close) UserClosed();
  return QObject::eventFilter(watched, event);
}

}  // namespace vfd::ui
