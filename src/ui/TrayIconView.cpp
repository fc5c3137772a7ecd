#include "ui/TrayIconView.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "ui/Binders.h"

namespace vfd::ui {
namespace {

// The program's icon; a small glass of lit cells when the program has none set (tests).
QIcon TrayImage() {
  QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon;
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(0x30, 0x30, 0x30));
  painter.setBrush(QColor(0x10, 0x14, 0x14));
  painter.drawRoundedRect(1, 6, 30, 20, 3, 3);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x40, 0xE0, 0xC0));
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 6; ++col)
      painter.drawRect(4 + col * 4, 9 + row * 7, 3, 6);
  return QIcon(pixmap);
}

}  // namespace

TrayIconView::TrayIconView(clsSysTray& model, QWidget* window)
    : QObject(window), model_(model), window_(window) {
  model_.available = QSystemTrayIcon::isSystemTrayAvailable();
  icon_ = new QSystemTrayIcon(TrayImage(), this);
  menu_ = new QMenu(window);
  exit_ = menu_->addAction(QStringLiteral("Exit"));
  icon_->setContextMenu(menu_);
  connect(exit_, &QAction::triggered, this,
          [this] { model_.MouseMessage(clsSysTray::kRButtonDblClk); });
  connect(icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
  // Unloading the window ends the program the way closing it does.
  model_.RButtonDblClk.Connect([window = window_] {
    if (window) window->close();
  });
  model_.changed.Connect([self = QPointer<TrayIconView>(this)] {
    if (self) self->Mirror();
  });
  Mirror();
}

void TrayIconView::Activated(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      model_.MouseMessage(clsSysTray::kLButtonDown);
      model_.MouseMessage(clsSysTray::kLButtonUp);
      break;
    case QSystemTrayIcon::DoubleClick:
      model_.MouseMessage(clsSysTray::kLButtonDblClk);
      break;
    case QSystemTrayIcon::Context:
      model_.MouseMessage(clsSysTray::kRButtonUp);
      break;
    default:
      break;
  }
}

void TrayIconView::Mirror() {
  const QString tip = FromText(model_.TipText());
  if (icon_->toolTip() != tip) icon_->setToolTip(tip);
  if (icon_->isVisible() != model_.InSysTray()) icon_->setVisible(model_.InSysTray());
  if (!window_) return;
  if (model_.WindowHidden() && !hidden_by_tray_) {
    hidden_by_tray_ = true;
    // The window is hidden once its minimizing is over, not inside the state change.
    QTimer::singleShot(0, window_, [this] {
      if (window_ && model_.WindowHidden()) window_->hide();
    });
  } else if (!model_.WindowHidden() && hidden_by_tray_) {
    hidden_by_tray_ = false;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
  }
}

}  // namespace vfd::ui
