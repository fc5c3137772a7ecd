// The four line writers: text in, the model's byte stream out, and the preview mirrored.
#include "display/DisplayLink.h"

namespace vfd {
namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

const CharacterSet& DisplayLink::Charset() {
  const CharsetChoice choice = CharsetChoiceOf(display_model);
  if (charset_.Model() == display_model && charset_.Choice() == choice) return charset_;
  CharacterSet next = CharacterSet::ForModel(display_model, choice);
  const bool shows_otherwise = !next.ShowsAlike(charset_);
  charset_ = std::move(next);
  mapper_.Forget();
  if (shows_otherwise) charset_changed.Emit();
  return charset_;
}

void DisplayLink::SetCharsetChoice(int16_t model, CharsetChoice choice) {
  if (model == kModelNone) {
    charset_choices_.fill(choice);
  } else if (model > 0 && model < static_cast<int16_t>(charset_choices_.size())) {
    charset_choices_[static_cast<size_t>(model)] = choice;
  }
}

CharsetChoice DisplayLink::CharsetChoiceOf(int16_t model) const {
  if (model <= 0 || model >= static_cast<int16_t>(charset_choices_.size()))
    return CharsetChoice::kJapanese;
  return charset_choices_[static_cast<size_t>(model)];
}

std::string DisplayLink::TextCodes(std::string_view text) {
  Charset();
  return mapper_.Map(text);
}

void DisplayLink::Write2x20(std::string_view line1, std::string_view line2) {
  std::string a = Fit(line1, 20);
  std::string b = Fit(line2, 20);
  if (SerialReady() && (display_model == kModelIeeSerial || display_model == kModelOrbital2x20)) {
    // Cursor off, home, then the 40 characters of both lines.
    serial_.SendFrame(std::string(Row()->serial.frame_prefix) + a + b);
  }
  panel_.Line1.SetCaption(a);
  panel_.Line2.SetCaption(b);
}

void DisplayLink::Write2x40(std::string_view line1, std::string_view line2) {
  std::string a = Fit(line1, 40);
  std::string b = Fit(line2, 40);
  // A paced upload elsewhere owns the port while ParallelBusy is set; this frame is dropped.
  if (display_model == kModelIeeParallel && parallel_busy == 0 && ParallelReady()) {
    [&] {
      for (uint8_t command : {0x16, 0x12, 0x0E}) {
        if (!parallel_.WaitStatusHigh()) return;
        parallel_.StrobeWrite(command);
      }
      if (!parallel_.WaitStatusHigh()) return;
      for (std::string_view line : {std::string_view(a), std::string_view(b)}) {
        for (char c : line) {
          parallel_.StrobeWrite(static_cast<uint8_t>(c));
          if (!parallel_.WaitStatusNot7F()) return;
        }
      }
    }();
  }
  panel_.Line1.SetCaption(a);
  panel_.Line2.SetCaption(b);
}

void DisplayLink::Write4x20(std::string_view row1, std::string_view row2, std::string_view row3,
                            std::string_view row4) {
  std::string r1 = Fit(row1, 20);
  std::string r2 = Fit(row2, 20);
  std::string r3 = Fit(row3, 20);
  std::string r4 = Fit(row4, 20);
  if (display_model == kModelOrbital4x20 && SerialReady()) {
    // Written continuously from home, the display fills its rows in the order 1, 3, 2, 4.
    serial_.SendFrame(std::string(Row()->serial.frame_prefix) + r1 + r3 + r2 + r4);
  }
  panel_.Line1.SetCaption(FourRowPreview(r1, r2, r3, r4));
}

std::string DisplayLink::FourRowPreview(std::string_view row1, std::string_view row2,
                                        std::string_view row3, std::string_view row4) {
  std::string preview;
  preview.reserve(7 + 3 * 10 + 4 * 20);
  preview.append(7, ' ').append(row1).append(kCrLf);
  preview.append(8, ' ').append(row2).append(kCrLf);
  preview.append(8, ' ').append(row3).append(kCrLf);
  preview.append(8, ' ').append(row4);
  return preview;
}

void DisplayLink::Write2x24(std::string_view line1, std::string_view line2) {
  std::string a = Fit(line1, 24);
  std::string b = Fit(line2, 24);
  if (display_model == kModelNoritake && ParallelReady()) {
    parallel_.WriteControl(0x02);
    parallel_.HdWrite(0x02, 0x03, 0x02);  // return home
    parallel_.HdWrite(0x0C, 0x03, 0x06);  // display on, cursor off
    for (char c : a)
      parallel_.HdWrite(static_cast<uint8_t>(c), 0x07, 0x06);
    parallel_.WriteControl(0x02);
    parallel_.HdWrite(0xC0, 0x03, 0x06);  // address 0x40: start of line 2
    for (char c : b)
      parallel_.HdWrite(static_cast<uint8_t>(c), 0x07, 0x06);
  }
  panel_.Line1.SetCaption(a);
  panel_.Line2.SetCaption(b);
}

void DisplayLink::WriteLines(std::string_view line1, std::string_view line2) {
  switch (screen_type) {
    case kScreen2x20:
      Write2x20(line1, line2);
      break;
    case kScreen2x40:
      Write2x40(line1, line2);
      break;
    case kScreen4x20: {
      auto tail = [](std::string_view s) { return s.size() > 20 ? s.substr(20, 20) : ""; };
      Write4x20(line1, tail(line1), line2, tail(line2));
      break;
    }
    case kScreen2x24:
      Write2x24(line1, line2);
      break;
    default:
      break;
  }
}

}  // namespace vfd
