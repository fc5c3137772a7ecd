#include "ui/TrayIconView.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "shell/RunningState.h"
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

// The image of a sleeping display: the icon, greyed as a disabled one.
QIcon AsleepImage() {
  const QIcon awake = TrayImage();
  QIcon asleep;
  for (int size : {16, 22, 24, 32, 48, 64})
    asleep.addPixmap(awake.pixmap(size, size, QIcon::Disabled));
  return asleep;
}

}  // namespace

bool StatusNotifierHostPresent() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  static const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kWatcher))
    return false;
  // The watcher exists; a host is there when it says so (as Qt itself asks before it chooses).
  QDBusMessage get = QDBusMessage::createMethodCall(
      kWatcher, QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
  const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  return qvariant_cast<QDBusVariant>(reply.arguments().front()).variant().toBool();
}

TrayIconView::TrayIconView(clsSysTray& model, QWidget* window)
    : QObject(window), model_(model), window_(window) {
  model_.available = QSystemTrayIcon::isSystemTrayAvailable();
  model_.restore_on_click = StatusNotifierHostPresent();
  icon_ = new QSystemTrayIcon(TrayImage(), this);
  shown_icon_ = QString::fromLatin1(RunningState::kAwakeIcon);
  menu_ = new QMenu(window);
  for (Button* entry : {&model_.mnuWindow, &model_.mnuSleep}) {
    auto* action = menu_->addAction(QString());
    BindAction(*entry, action);
  }
  menu_->addSeparator();
  exit_ = menu_->addAction(QString());
  BindAction(model_.mnuExit, exit_);
  icon_->setContextMenu(menu_);
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
      // The older trays open the menu on the right press and report the click after it.
      if (!menu_->isVisible()) model_.MouseMessage(clsSysTray::kRButtonUp);
      break;
    default:
      break;
  }
}

void TrayIconView::Mirror() {
  const QString tip = FromText(model_.TipText());
  if (icon_->toolTip() != tip) icon_->setToolTip(tip);
  const QString image = FromText(model_.Icon());
  if (image != shown_icon_) {
    shown_icon_ = image;
    icon_->setIcon(image == QLatin1String(RunningState::kAsleepIcon) ? AsleepImage() : TrayImage());
  }
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
