#include "effects/Ticker.h"

#include "display/Bytes.h"
#include "display/Charset.h"

namespace vfd {
namespace {

std::string Mid(const std::string& s, size_t from, size_t count) {
  return from < s.size() ? s.substr(from, count) : std::string();
}

void RotateLeft(std::string& ring) {
  if (ring.size() > 1) ring = ring.substr(1) + ring[0];
}

// A file is taken as Windows-1252, the program's own code page, unless it is UTF-8 with
// characters beyond ASCII, as files written on Linux are; those are converted.
std::string FileTextToMessageBytes(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return IsUtf8BeyondAscii(text) ? Utf8ToCp1252(text) : text;
}

}  // namespace

Ticker::Ticker(FrmMain& main, DisplayLink& display, EventLoop& loop, TextFiles& files,
               FileDialogs& dialogs)
    : main_(main), display_(display), loop_(loop), files_(files), dialogs_(dialogs) {
  main_.txtMessage.on_change = [this] { LiveMessageEcho(); };
  main_.cmdCustomMode.on_click = [this] { CustomModeClick(); };
  main_.cmdCustomTextFile.on_click = [this] { CustomTextFileClick(); };
}

void Ticker::SetMessage(std::string message) {
  current_message = std::move(message);
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
  for (Timer* timer : main_.FunctionTimers())
    timer->SetEnabled(false);
  SetMessage(main_.txtMessage.Text());
  if (startup_complete == 1) Echo(current_message);
}

void Ticker::Echo(const std::string& m) {
  Label& l1 = main_.Line1;
  Label& l2 = main_.Line2;
  SerialLink& serial = display_.serial();
  ParallelLink& parallel = display_.parallel();
  switch (display_.display_model) {
    case kModelIeeSerial:
      if (serial.IsSerialOpen())
        serial.SendFrame(Bytes({0x0E}) + Bytes({0x15}) + m + Bytes({0x0F}));
      l1.SetCaption(Mid(m, 0, 20));
      l2.SetCaption(Mid(m, 20, 20));
      break;
    case kModelIeeParallel:
      // Not while a paced glyph upload owns the port: the message would land in the glyph.
      if (parallel.Base() != 0 && display_.parallel_busy == 0) {
        [&] {
          for (uint8_t command : {0x15, 0x12, 0x0F}) {
            parallel.StrobeWrite(command);
            if (!parallel.WaitStatusNot7F()) return;
          }
          for (char c : m) {
            parallel.StrobeWrite(static_cast<uint8_t>(c));
            if (!parallel.WaitStatusNot7F()) return;
          }
        }();
      }
      l1.SetCaption(Mid(m, 0, 40));
      l2.SetCaption(Mid(m, 40, 40));
      break;
    case kModelNoritake: {
      std::string a = Mid(m, 0, 24);
      std::string b = Mid(m, 24, 24);
      if (parallel.Base() != 0) {
        parallel.WriteControl(0x02);
        parallel.HdWrite(0x01, 0x03, 0x02);  // clear display
        // The clear takes the controller a moment; other events go on meanwhile.
        loop_.PumpEvents(5);
        parallel.WriteControl(0x02);
        parallel.HdWrite(0x0D, 0x03, 0x06);  // display on, blinking cursor
        for (char c : a)
          parallel.HdWrite(static_cast<uint8_t>(c), 0x07, 0x06);
        if (!b.empty()) {
          parallel.WriteControl(0x02);
          parallel.HdWrite(0xC0, 0x03, 0x06);
          for (char c : b)
            parallel.HdWrite(static_cast<uint8_t>(c), 0x07, 0x06);
        }
      }
      l1.SetCaption(a);
      l2.SetCaption(b);
      break;
    }
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      if (serial.IsSerialOpen())
        serial.SendFrame(Bytes({0xFE, 0x54, 0xFE, 0x58}) + m + Bytes({0xFE, 0x53}));
      if (display_.display_model == kModelOrbital2x20) {
        l1.SetCaption(Mid(m, 0, 20));
        l2.SetCaption(Mid(m, 20, 20));
      } else {
        // The rows as the display fills them: 1, 3, 2, 4.
        l1.SetCaption(DisplayLink::FourRowPreview(Mid(m, 0, 20), Mid(m, 40, 20), Mid(m, 20, 20),
                                                  Mid(m, 60, 20)));
      }
      break;
    default:
      break;
  }
}

void Ticker::CustomModeClick() {
  bool use_file = main_.cmdCustomMode.Caption() == "Use File";
  main_.cmdCustomMode.SetCaption(use_file ? "Use Text" : "Use File");
  main_.cmdCustomTextFile.SetVisible(use_file);
  main_.txtFile.SetVisible(use_file);
  main_.txtMessage.SetVisible(!use_file);
}

void Ticker::CustomTextFileClick() {
  std::optional<std::string> chosen =
      dialogs_.OpenFile("VFD Vorlinx - Custom Message File Open", "*.txt", "custommessage.txt");
  message_file_path = chosen ? *chosen : std::string("custommessage.txt");
  size_t slash = message_file_path.find_last_of('/');
  main_.txtFile.SetText(slash == std::string::npos ? message_file_path
                                                   : message_file_path.substr(slash + 1));
  LoadMessageFile();
}

void Ticker::LoadMessageFile() {
  std::string error;
  std::optional<std::string> content = files_.Read(message_file_path, &error);
  if (!content) {
    // The message stays as it was; say why nothing changed.
    display_.ReportStatus("Could not read " + message_file_path + ": " +
                          (error.empty() ? std::string("No such file or directory") : error) + ".");
    return;
  }
  std::string text = FileTextToMessageBytes(std::move(*content));
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
