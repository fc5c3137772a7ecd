// The simulator's decoders on arbitrary input: the first byte picks the model (1..5) and its
// character ROM; the rest is the serial byte stream, or for the parallel models the port's
// register writes. Besides never crashing: the cursor stays in memory, the levels in range, both
// renderings draw it, and a serial stream decodes the same however the line cuts it into reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "display/emulator/Decoders.h"
#include "display/emulator/TerminalView.h"

namespace {

void CheckGlass(const vfd::Glass& glass) {
  // A controller's memory may be wider than its glass (the Noritake's holds 40 characters a
  // line for 24 shown), so the cursor may stand beyond the last column, never beyond the memory.
  vfd::fuzz::Require(glass.cursor_row >= 0 && glass.cursor_row < glass.Rows() &&
                         glass.cursor_column >= 0 && glass.cursor_column < 64,
                     "the cursor is in the display's memory");
  for (int row = 0; row < glass.Rows(); ++row) {
    vfd::fuzz::Require(glass.Row(row).size() == static_cast<size_t>(glass.Columns()),
                       "a row is as wide as the glass");
    for (int column = 0; column < glass.Columns(); ++column) {
      const int level = glass.Level(row, column);
      vfd::fuzz::Require(level >= 0 && level <= glass.MaxLevel(), "levels within the display's");
    }
  }
  (void)vfd::RenderAnsi(glass, vfd::AnsiViewOptions{.model_name = "fuzz", .bytes_decoded = 0});
  (void)vfd::RenderPlain(glass);
}

std::string StateOf(const vfd::Glass& glass) {
  std::string state = glass.Text() + '\n' + glass.Picture() + '\n';
  for (int row = 0; row < glass.Rows(); ++row)
    state += glass.Levels(row);
  state += std::to_string(glass.cursor_row) + ':' + std::to_string(glass.cursor_column);
  state += glass.display_on ? "on" : "off";
  state += glass.cursor_visible ? "v" : "-";
  state += glass.cursor_blink ? "b" : "-";
  state += std::to_string(glass.global_level);
  state += std::to_string(glass.glyphs.size());
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vfd::fuzz::FuzzInput in(data, size);
  const uint8_t header = in.Byte();
  const auto model = static_cast<int16_t>(1 + header % 5);
  const vfd::CharsetChoice choice =
      header & 0x80 ? vfd::CharsetChoice::kEuropean : vfd::CharsetChoice::kJapanese;
  std::unique_ptr<vfd::DisplayEmulator> emulator = vfd::DisplayEmulator::ForModel(model, choice);
  vfd::fuzz::Require(emulator != nullptr, "every model has an emulator");

  if (model == 2 || model == 3) {
    // Two bytes a step: whole strobed bytes (data or instruction), or raw writes to any register.
    while (!in.Empty()) {
      const uint8_t kind = in.Byte();
      const uint8_t value = in.Byte();
      if (kind & 0x80) {
        emulator->WriteRegister(kind & 0x03, value);
        if (kind & 0x40) (void)emulator->ReadStatus();
        continue;
      }
      const uint8_t select = (kind & 0x01) ? 0x04 : 0x00;
      emulator->WriteRegister(0, value);
      emulator->WriteRegister(2, select | 0x01);
      emulator->WriteRegister(2, select);
    }
    CheckGlass(emulator->glass());
    return 0;
  }

  const uint8_t cut = in.Byte();
  const std::string_view stream = in.Rest();
  emulator->FeedSerial(stream);
  CheckGlass(emulator->glass());
  vfd::fuzz::Require(emulator->BytesDecoded() == stream.size(), "every byte is counted");

  std::unique_ptr<vfd::DisplayEmulator> pieces = vfd::DisplayEmulator::ForModel(model, choice);
  const size_t at = stream.empty() ? 0 : cut % (stream.size() + 1);
  pieces->FeedSerial(stream.substr(0, at));
  pieces->FeedSerial(stream.substr(at));
  vfd::fuzz::Require(StateOf(pieces->glass()) == StateOf(emulator->glass()),
                     "a stream decodes the same in two reads");
  return 0;
}
