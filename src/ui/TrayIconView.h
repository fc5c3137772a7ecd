#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include "shell/SysTray.h"

class QAction;
class QMenu;
class QWidget;

namespace vfd::ui {

// The tray icon's model on the desktop's notification area (a StatusNotifierItem on current
// desktops, the older tray protocol elsewhere). What the desktop delivers becomes the model's
// mouse messages: a left click is a press and a release, a double click restores the window, a
// right click is a right release (sleep or wake). Desktops deliver no right double-click, so the
// icon's menu, which the right click opens, offers "Exit" in its place: a right click and "Exit"
// are the right double-click's two halves, sleep toggled by the first and the program ended by
// the second.
class TrayIconView : public QObject {
 public:
  // `window` is the model's source window on screen: hidden into the tray and shown again.
  TrayIconView(clsSysTray& model, QWidget* window);

  // What the desktop reported on the icon.
  void Activated(QSystemTrayIcon::ActivationReason reason);

  QSystemTrayIcon* icon() { return icon_; }
  QAction* exit_action() { return exit_; }

 private:
  void Mirror();

  clsSysTray& model_;
  QPointer<QWidget> window_;
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* exit_;
  bool hidden_by_tray_ = false;
};

}  // namespace vfd::ui
