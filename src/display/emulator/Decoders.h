#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display/emulator/Glass.h"

namespace vfd {

// Decodes one display model's input into what its glass shows. Serial models take bytes;
// parallel models take the register writes of the port (offset 0 data, 2 control) and answer
// status reads (offset 1) as a ready display does.
class DisplayEmulator {
 public:
  virtual ~DisplayEmulator() = default;

  // The emulator for a model code 1..5, its glass showing the codes through the ROM `choice`;
  // nullptr for anything else.
  static std::unique_ptr<DisplayEmulator> ForModel(int16_t model,
                                                   CharsetChoice choice = CharsetChoice::kJapanese);

  virtual void FeedSerial(std::string_view bytes);
  virtual void WriteRegister(int offset, uint8_t value);
  virtual uint8_t ReadStatus() { return 0xFF; }

  const Glass& glass() const { return glass_; }
  Glass& glass() { return glass_; }
  // Bytes (serial) or latched bus bytes (parallel) decoded so far.
  uint64_t BytesDecoded() const { return decoded_; }

 protected:
  DisplayEmulator(int rows, int columns, int max_level) : glass_(rows, columns, max_level) {}
  // One byte as the display's controller receives it. `instruction` is the register-select
  // line of a bus display; serial displays and the IEE parallel display always pass false.
  virtual void Byte(uint8_t value, bool instruction) = 0;

  Glass glass_;
  uint64_t decoded_ = 0;

 private:
  uint8_t data_ = 0;
  uint8_t control_ = 0;
};

}  // namespace vfd
