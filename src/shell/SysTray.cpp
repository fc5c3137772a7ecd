#include "shell/SysTray.h"

#include "core/Charset.h"

namespace vfd {

void clsSysTray::RemoveFromSysTray() {
  if (!in_tray_) return;
  in_tray_ = false;
  changed.Emit();
}

void clsSysTray::IconInSysTray() {
  if (in_tray_) return;
  in_tray_ = true;
  changed.Emit();
}

void clsSysTray::MinToSysTray() {
  in_tray_ = true;
  window_hidden_ = true;
  changed.Emit();
}

void clsSysTray::ChangeIcon(std::string icon) {
  icon_ = std::move(icon);
  changed.Emit();
}

void clsSysTray::ChangeToolTip(std::string text) {
  tool_tip_ = std::move(text);
  // The field ends at its end mark; a text as long as the field or longer fills it all.
  tip_field_ = (tool_tip_ + '\0').substr(0, kTipField);
  changed.Emit();
  if (source_ && source_->WindowState() == 1) source_->SetCaption(tool_tip_);
}

std::string clsSysTray::TipText() const {
  std::string tip = tip_field_.substr(0, tip_field_.find('\0'));
  // The field counts bytes; a character it cut in two is left out whole.
  while (!tip.empty() && !IsUtf8(tip))
    tip.pop_back();
  return tip;
}

void clsSysTray::RestoreSourceWindow() {
  // The state goes first: whoever watches the window then already finds it out of the tray.
  window_hidden_ = false;
  in_tray_ = false;
  if (source_) source_->SetWindowState(0);
  changed.Emit();
}

void clsSysTray::MouseMessage(int message) {
  if (busy_) return;
  busy_ = true;
  last_message_ = message;
  switch (message) {
    case kLButtonDown:
      LButtonDown.Emit();
      break;
    case kLButtonUp:
      if (restore_on_click && default_dbl_clk_ && window_hidden_) RestoreSourceWindow();
      LButtonup.Emit();
      break;
    case kLButtonDblClk:
      if (default_dbl_clk_) RestoreSourceWindow();
      LButtonDblClk.Emit();
      break;
    case kRButtonDown:
      RButtonDown.Emit();
      break;
    case kRButtonUp:
      RButtonUp.Emit();
      break;
    case kRButtonDblClk:
      RButtonDblClk.Emit();
      break;
    default:
      break;
  }
  busy_ = false;
}

}  // namespace vfd
