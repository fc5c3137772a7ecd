// What the display functions send besides whole lines: the message echo, per-character levels,
// The Matrix's own frame on the IEE serial display, and user glyph definitions.
#include "display/Bytes.h"
#include "display/DisplayLink.h"

namespace vfd {
namespace {

std::string Mid(const std::string& s, size_t from, size_t count) {
  return from < s.size() ? s.substr(from, count) : std::string();
}

}  // namespace

void DisplayLink::EchoMessage(const std::string& m) {
  Label& l1 = panel_.Line1;
  Label& l2 = panel_.Line2;
  switch (display_model) {
    case kModelIeeSerial:
      // Cursor off, clear and home, the text, cursor on again.
      if (SerialReady()) serial_.SendFrame(Bytes({0x0E, 0x15}) + m + Bytes({0x0F}));
      l1.SetCaption(Mid(m, 0, 20));
      l2.SetCaption(Mid(m, 20, 20));
      break;
    case kModelIeeParallel:
      // Not while a paced glyph upload owns the port: the message would land in the glyph.
      if (ParallelReady() && parallel_busy == 0) {
        [&] {
          for (uint8_t command : {0x15, 0x12, 0x0F}) {
            parallel_.StrobeWrite(command);
            if (!parallel_.WaitStatusNot7F()) return;
          }
          for (char c : m) {
            parallel_.StrobeWrite(static_cast<uint8_t>(c));
            if (!parallel_.WaitStatusNot7F()) return;
          }
        }();
      }
      l1.SetCaption(Mid(m, 0, 40));
      l2.SetCaption(Mid(m, 40, 40));
      break;
    case kModelNoritake: {
      std::string a = Mid(m, 0, 24);
      std::string b = Mid(m, 24, 24);
      if (ParallelReady()) {
        parallel_.WriteControl(0x02);
        parallel_.HdWrite(0x01, 0x03, 0x02);  // clear display
        // The clear takes the controller a moment; other events go on meanwhile.
        loop_.PumpEvents(5);
        parallel_.WriteControl(0x02);
        parallel_.HdWrite(0x0D, 0x03, 0x06);  // display on, blinking cursor
        for (char c : a)
          parallel_.HdWrite(static_cast<uint8_t>(c), 0x07, 0x06);
        if (!b.empty()) {
          parallel_.WriteControl(0x02);
          parallel_.HdWrite(0xC0, 0x03, 0x06);  // address 0x40: start of line 2
          for (char c : b)
            parallel_.HdWrite(static_cast<uint8_t>(c), 0x07, 0x06);
        }
      }
      l1.SetCaption(a);
      l2.SetCaption(b);
      break;
    }
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      // Block cursor off, clear, the text, blinking cursor on.
      if (SerialReady())
        serial_.SendFrame(Bytes({0xFE, 0x54, 0xFE, 0x58}) + m + Bytes({0xFE, 0x53}));
      if (display_model == kModelOrbital2x20) {
        l1.SetCaption(Mid(m, 0, 20));
        l2.SetCaption(Mid(m, 20, 20));
      } else {
        // The rows as the display fills them: 1, 3, 2, 4.
        l1.SetCaption(
            FourRowPreview(Mid(m, 0, 20), Mid(m, 40, 20), Mid(m, 20, 20), Mid(m, 60, 20)));
      }
      break;
    default:
      break;
  }
}

void DisplayLink::SendCharLevel(int position, int level) {
  if (display_model != kModelIeeSerial || !SerialReady()) return;
  serial_.SendCharLevel(
      Bytes({0x19, 0x30, static_cast<uint8_t>(position), static_cast<uint8_t>(level)}), position);
}

void DisplayLink::WriteMatrix2x20(const std::string& line1, const std::string& line2) {
  if (display_model == kModelIeeSerial && SerialReady())
    serial_.SendFrame(Bytes({0x1D, 0x16}) + line1 + line2);
  panel_.Line1.SetCaption(line1);
  panel_.Line2.SetCaption(line2);
}

bool DisplayLink::DefineGlyph(uint8_t code, std::span<const uint8_t> pattern) {
  std::string definition = Bytes({0x18, code});
  definition.append(pattern.begin(), pattern.end());
  if (display_model == kModelIeeSerial) {
    if (!SerialReady()) return false;
    serial_.SerialSend(definition);
    return true;
  }
  if (display_model == kModelIeeParallel) {
    return PacedParallelSend(
        std::span(reinterpret_cast<const uint8_t*>(definition.data()), definition.size()));
  }
  return false;
}

bool DisplayLink::UploadCharacterPatterns() {
  // The user-character command and fifteen bytes in all. The command takes six pattern bytes
  // after the glyph code (as the bar glyphs show), so this defines glyph 0; the seven bytes after
  // it are taken as ordinary codes, of which only 0x20 shows: a blank at the cursor, which the
  // next frame (always written from home) covers.
  static constexpr uint8_t kPatterns[] = {0x18, 0x00, 0x00, 0x04, 0x46, 0x42, 0x62, 0x40,
                                          0x02, 0x00, 0x04, 0x04, 0x00, 0x20, 0x00};
  if (display_model != kModelIeeParallel) return false;
  return PacedParallelSend(kPatterns);
}

bool DisplayLink::PacedParallelSend(std::span<const uint8_t> bytes) {
  if (!ParallelReady() || parallel_busy != 0) return false;
  // Each byte needs the display's time to be taken; the pauses let other events run, and the
  // guard keeps their output off the port until the transfer is whole.
  ParallelUpload upload(*this);
  loop_.PumpEvents(5);
  for (uint8_t b : bytes) {
    parallel_.StrobeWrite(b);
    loop_.PumpEvents(5);
  }
  return true;
}

}  // namespace vfd
