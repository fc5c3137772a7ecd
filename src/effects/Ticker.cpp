#include "effects/Ticker.h"

#include "core/Charset.h"

namespace vfd {
namespace {

void RotateLeft(std::string& ring) {
  if (ring.size() > 1) ring = ring.substr(1) + ring[0];
}

}  // namespace

Ticker::Ticker(Controls controls, DisplayLink& display, TextFiles& files, FileDialogs& dialogs)
    : c_(controls), display_(display), files_(files), dialogs_(dialogs) {
  // Another model or ROM shows the same text with other codes.
  display_.charset_changed.Connect([this] { SetMessage(message_text_); });
}

FunctionRegistration Ticker::Registration() {
  return {.code = 1,
          .button = &c_.cmdTicker,
          .timer = &c_.Timer1,
          .first_frame = FirstFrame::kAfter,
          .tick = [this] { Tick(); }};
}

void Ticker::SetMessage(std::string text) {
  message_text_ = std::move(text);
  current_message = display_.TextCodes(message_text_);
  ticker_line1 = current_message + "   ";
  ticker_line2 = ticker_line1;
}

void Ticker::Tick() {
  size_t width = 0;
  switch (display_.screen_type) {
    case kScreen2x20:
      width = 20;
      break;
    case kScreen2x40:
    case kScreen4x20:
      width = 40;
      break;
    case kScreen2x24:
      width = 24;
      break;
    default:
      break;
  }
  if (ticker_line1.size() >= width)
    RotateLeft(ticker_line1);
  else
    ticker_line1.resize(width, ' ');
  if (ticker_line2.size() >= width) {
    if (line2_toggle == 1) {
      RotateLeft(ticker_line2);
      line2_toggle = 0;
    } else {
      line2_toggle = 1;
    }
  } else {
    ticker_line2.resize(width, ' ');
  }
  display_.WriteLines(ticker_line1, ticker_line2);
}

void Ticker::LiveMessageEcho() {
  SetMessage(c_.txtMessage.Text());
  if (startup_complete == 1) display_.EchoMessage(current_message);
}

void Ticker::CustomModeClick() {
  bool use_file = c_.cmdCustomMode.Caption() == "Use File";
  c_.cmdCustomMode.SetCaption(use_file ? "Use Text" : "Use File");
  c_.cmdCustomTextFile.SetVisible(use_file);
  c_.txtFile.SetVisible(use_file);
  c_.txtMessage.SetVisible(!use_file);
}

void Ticker::CustomTextFileClick() {
  std::optional<std::string> chosen =
      dialogs_.OpenFile("VFD Vorlinx - Custom Message File Open", "*.txt", "custommessage.txt");
  message_file_path = chosen ? *chosen : std::string("custommessage.txt");
  size_t slash = message_file_path.find_last_of('/');
  c_.txtFile.SetText(slash == std::string::npos ? message_file_path
                                                : message_file_path.substr(slash + 1));
  LoadMessageFile();
}

void Ticker::LoadMessageFile() {
  std::string error;
  std::optional<std::string> content = files_.Read(message_file_path, &error, kMaxMessageFile);
  if (!content) {
    // The message stays as it was; say why nothing changed.
    display_.ReportStatus("Could not read " + message_file_path + ": " +
                          (error.empty() ? std::string("No such file or directory") : error) + ".");
    return;
  }
  // Files written here are UTF-8; older ones are in the system code page of the program's first
  // home.
  const std::string text = TextOfFile(*content);
  // Each load starts afresh: the user asked for this file's text.
  std::string accumulated;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    accumulated += text.substr(pos, end - pos) + " ^ ";
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    pos = end + 1;
  }
  SetMessage(accumulated);
  display_.ReportStatus("");
}

}  // namespace vfd
