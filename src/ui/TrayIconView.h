#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include "shell/SysTray.h"

class QAction;
class QMenu;
class QWidget;

namespace vfd::ui {

// Whether a StatusNotifier host (the notification area of KDE Plasma, GNOME with the
// AppIndicator extension, XFCE, Cinnamon and most current desktops) serves the session bus; Qt
// puts the icon there when one does, and the older tray protocol is used otherwise.
bool StatusNotifierHostPresent();

// The tray icon's model on the desktop's notification area. What the desktop delivers becomes
// the model's mouse messages. A StatusNotifier host reports a left click as one activation and
// never a double click, so there the activation restores the window; on the older trays a click
// is a press and a release and the double click restores it. The icon's menu (the window, the
// display's sleep, "Exit") is what a right click opens everywhere; a right click reaches the
// model as a right release (sleep or wake) only when the desktop opened no menu with it, or one
// click would both toggle the sleep and open the menu. "Exit" stands for the right double-click
// that no desktop delivers any more.
class TrayIconView : public QObject {
 public:
  // `window` is the model's source window on screen: hidden into the tray and shown again.
  TrayIconView(clsSysTray& model, QWidget* window);

  // What the desktop reported on the icon.
  void Activated(QSystemTrayIcon::ActivationReason reason);

  QSystemTrayIcon* icon() { return icon_; }
  QMenu* menu() { return menu_; }
  QAction* exit_action() { return exit_; }

 private:
  void Mirror();

  clsSysTray& model_;
  QPointer<QWidget> window_;
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* exit_;
  QString shown_icon_;
  bool hidden_by_tray_ = false;
};

}  // namespace vfd::ui
