#include "ui/FormView.h"

#include <QDialog>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPointer>
#include <QWidget>

#include "ui/Binders.h"

namespace vfd::ui {
namespace {

// What the window manager's title bar needs besides the title: the icon and three buttons.
constexpr int kTitleBarRoom = 140;

// A window at least as wide as its title, which the window manager would otherwise cut short.
void FitTitle(QWidget* window) {
  const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
  const int wanted = metrics.horizontalAdvance(window->windowTitle()) + kTitleBarRoom;
  if (window->minimumWidth() < wanted) window->setMinimumWidth(wanted);
}

}  // namespace

FormView::FormView(Form& form, QWidget* window) : QObject(window), form_(form), window_(window) {
  window_->setObjectName(QString::fromStdString(form_.Name()));
  window_->setWindowTitle(FromText(form_.Caption()));
  FitTitle(window_);
  window_->installEventFilter(this);
  // Escape and the dialog's own buttons end a dialog without a close event.
  if (auto* dialog = qobject_cast<QDialog*>(window_))
    connect(dialog, &QDialog::finished, this, [this] { UserClosed(); });

  QPointer<FormView> self(this);
  form_.changed.Connect([self] {
    if (!self) return;
    self->window_->setWindowTitle(FromText(self->form_.Caption()));
    FitTitle(self->window_);
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
