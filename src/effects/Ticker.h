#pragma once

#include <cstdint>
#include <string>

#include "core/DisplayFunction.h"
#include "core/Files.h"
#include "core/UserDialogs.h"
#include "display/DisplayLink.h"

namespace vfd {

// The user's message (typed or loaded from a file), the ticker that scrolls it, and the live
// echo that shows it on the display while it is typed.
class Ticker {
 public:
  struct Controls {
    Button& cmdTicker;
    Timer& Timer1;
    TextBox& txtMessage;
    TextBox& txtFile;
    Button& cmdCustomMode;
    Button& cmdCustomTextFile;
  };

  Ticker(Controls controls, DisplayLink& display, TextFiles& files, FileDialogs& dialogs);
  FunctionRegistration Registration();

  // The message as the display shows it (its codes); the functions count its columns.
  std::string current_message;  // CurrentMessage
  std::string ticker_line1;     // TickerLine1
  std::string ticker_line2;     // TickerLine2
  int16_t line2_toggle = 0;     // Line2Toggle
  // 0 during start-up, 1 once the stored function has been started; the echo is off before.
  int16_t startup_complete = 0;                         // StartupComplete
  std::string message_file_path = "custommessage.txt";  // MessageFilePath
  // The largest message file taken: far more than a display shows in an evening, small enough
  // that the ticker's rings stay cheap to turn every 50 ms.
  static constexpr size_t kMaxMessageFile = 64 * 1024;

  // Sets CurrentMessage from `text` (as typed or read, UTF-8) and restarts both rings from it.
  void SetMessage(std::string text);
  // The message as typed or read, before it became codes.
  const std::string& MessageText() const { return message_text_; }
  // One tick of the ticker (Timer1).
  void Tick();
  // The message box changed (which has stopped the running function): its text becomes the
  // message, shown on the display at once once start-up is complete.
  void LiveMessageEcho();
  // "Use File" / "Use Text".
  void CustomModeClick();
  // "Load File": choose a file, then load it.
  void CustomTextFileClick();
  // Reads MessageFilePath into CurrentMessage: its lines, each followed by " ^ ".
  void LoadMessageFile();

 private:
  Controls c_;
  std::string message_text_;
  DisplayLink& display_;
  TextFiles& files_;
  FileDialogs& dialogs_;
};

}  // namespace vfd
