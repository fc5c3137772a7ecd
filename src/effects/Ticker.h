#pragma once

#include <cstdint>
#include <string>

#include "core/EventLoop.h"
#include "core/Files.h"
#include "core/UserDialogs.h"
#include "display/DisplayLink.h"
#include "shell/FrmMain.h"

namespace vfd {

// The user's message (typed or loaded from a file), the ticker that scrolls it, and the live
// echo that shows it on the display while it is typed.
class Ticker {
 public:
  Ticker(FrmMain& main, DisplayLink& display, EventLoop& loop, TextFiles& files,
         FileDialogs& dialogs);

  std::string current_message;  // CurrentMessage
  std::string ticker_line1;     // TickerLine1
  std::string ticker_line2;     // TickerLine2
  int16_t line2_toggle = 0;     // Line2Toggle
  // 0 during start-up, 1 once the stored function has been started; the echo is off before.
  int16_t startup_complete = 0;                         // StartupComplete
  std::string message_file_path = "custommessage.txt";  // MessageFilePath

  // Sets CurrentMessage and restarts both rings from it.
  void SetMessage(std::string message);
  // One tick of the ticker (Timer1).
  void Tick();
  // The message box changed.
  void LiveMessageEcho();
  // "Use File" / "Use Text".
  void CustomModeClick();
  // "Load File": choose a file, then load it.
  void CustomTextFileClick();
  // Reads MessageFilePath into CurrentMessage: its lines, each followed by " ^ ".
  void LoadMessageFile();

 private:
  void Echo(const std::string& m);

  FrmMain& main_;
  DisplayLink& display_;
  EventLoop& loop_;
  TextFiles& files_;
  FileDialogs& dialogs_;
};

}  // namespace vfd
