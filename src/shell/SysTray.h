#pragma once

#include <string>

#include "core/Signal.h"
#include "shell/FrmMain.h"

namespace vfd {

// The tray icon: an icon in the desktop's notification area that stands for the main window
// while the window is minimized into it. The desktop reports the mouse on the icon as window
// message numbers; the class turns them into its six events.
class clsSysTray {
 public:
  // The mouse messages, as the notification area reports them.
  static constexpr int kLButtonDown = 513;
  static constexpr int kLButtonUp = 514;
  static constexpr int kLButtonDblClk = 515;
  static constexpr int kRButtonDown = 516;
  static constexpr int kRButtonUp = 517;
  static constexpr int kRButtonDblClk = 518;
  // The tip is a fixed field of this many characters.
  static constexpr size_t kTipField = 64;

  // ToolTip: writing it runs ChangeToolTip.
  const std::string& ToolTip() const { return tool_tip_; }
  void SetToolTip(std::string text) { ChangeToolTip(std::move(text)); }
  // Icon: the name of the window's image; writing it runs ChangeIcon.
  const std::string& Icon() const { return icon_; }
  void SetIcon(std::string icon) { ChangeIcon(std::move(icon)); }
  // Whether a left double-click restores the source window (before LButtonDblClk is raised).
  bool DefaultDblClk() const { return default_dbl_clk_; }
  void SetDefaultDblClk(bool enabled) { default_dbl_clk_ = enabled; }
  // The window the icon hides and restores.
  FrmMain* SourceWindow() const { return source_; }
  void SetSourceWindow(FrmMain& window) { source_ = &window; }

  // Takes the icon out of the notification area.
  void RemoveFromSysTray();
  // Puts the icon into the notification area.
  void IconInSysTray();
  // The icon appears, and the source window is hidden and leaves the task bar.
  void MinToSysTray();
  void ChangeIcon(std::string icon);
  void ChangeToolTip(std::string text);

  // What the view shows: the icon, its tip (the field up to its end mark) and whether the source
  // window is hidden in the tray.
  bool InSysTray() const { return in_tray_; }
  std::string TipText() const;
  bool WindowHidden() const { return window_hidden_; }

  // Whether the desktop has a notification area; without one the window is never hidden.
  bool available = false;
  // Whether the desktop reports the icon's activation as a single click (a StatusNotifier host
  // sends one activation and never a double click). The default action then comes with the left
  // release; elsewhere it waits for the double click.
  bool restore_on_click = false;

  // The icon's menu: the window back (or into the tray), the display's sleep, the program's end.
  // Their captions follow what each would do now; the program gives them their handlers.
  Button mnuWindow{"mnuWindow", "Show Window"};
  Button mnuSleep{"mnuSleep", "Sleep Display"};
  Button mnuExit{"mnuExit", "Exit"};
  // The source window shown normally again, the icon gone (the default double-click action).
  void RestoreSourceWindow();

  // A mouse message on the icon. One that arrives while an earlier one is still handled (its
  // handler let events through) is dropped.
  void MouseMessage(int message);
  bool Busy() const { return busy_; }
  int LastMessage() const { return last_message_; }

  Signal<> LButtonDblClk;
  Signal<> LButtonDown;
  Signal<> LButtonup;
  Signal<> RButtonDblClk;
  Signal<> RButtonDown;
  Signal<> RButtonUp;
  // The icon, its tip, or the window's hiding changed.
  Signal<> changed;

 private:
  std::string tool_tip_;
  std::string tip_field_;
  std::string icon_;
  bool default_dbl_clk_ = true;
  FrmMain* source_ = nullptr;
  bool in_tray_ = false;
  bool window_hidden_ = false;
  bool busy_ = false;
  int last_message_ = 0;
};

}  // namespace vfd
