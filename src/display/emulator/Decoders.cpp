#include "display/emulator/Decoders.h"

#include <cstdio>

namespace vfd {
namespace {

std::string Hex(std::initializer_list<uint8_t> bytes) {
  std::string out;
  char buf[4];
  for (uint8_t b : bytes) {
    if (!out.empty()) out.push_back(' ');
    std::snprintf(buf, sizeof buf, "%02X", b);
    out += buf;
  }
  return out;
}

// A display written as one run of character addresses (cursor advancing, wrapping to the start)
// that maps each address to a row and column. `row_of_block` maps the address's 20- or 40-wide
// block to a glass row, which is how the 4x20 display fills rows 1, 3, 2, 4.
class LinearEmulator : public DisplayEmulator {
 protected:
  LinearEmulator(int rows, int columns, int max_level, std::vector<int> row_of_block)
      : DisplayEmulator(rows, columns, max_level), row_of_block_(std::move(row_of_block)) {}

  int Cells() const { return glass_.Rows() * glass_.Columns(); }

  void Home() { SetAddress(0); }
  void SetAddress(int address) {
    address_ = ((address % Cells()) + Cells()) % Cells();
    glass_.cursor_row = row_of_block_[address_ / glass_.Columns()];
    glass_.cursor_column = address_ % glass_.Columns();
  }
  void PutChar(uint8_t code) {
    glass_.Put(glass_.cursor_row, glass_.cursor_column, code);
    SetAddress(address_ + 1);
  }
  // The cell a 0-based character position names (per-character brightness).
  void SetLevelAt(int position, int level) {
    if (position < 0 || position >= Cells()) return;
    glass_.SetLevel(row_of_block_[position / glass_.Columns()], position % glass_.Columns(), level);
  }
  void Mode(std::initializer_list<uint8_t> bytes) { glass_.modes.push_back(Hex(bytes)); }

 private:
  std::vector<int> row_of_block_;
  int address_ = 0;
};

// The IEE serial (model 1) and IEE parallel (model 2) dialects. They share their control codes;
// model 1 has eight brightness levels set with 19 30 and per-character levels, model 2 three
// levels set with single codes.
class IeeEmulator : public LinearEmulator {
 public:
  IeeEmulator(int columns, bool serial)
      : LinearEmulator(2, columns, serial ? 7 : 2, {0, 1}),
        serial_(serial),
        glyph_bytes_(serial ? 5 : 6) {}

 protected:
  void Byte(uint8_t b, bool) override {
    if (!pending_.empty()) {
      pending_.push_back(b);
      Continue();
      return;
    }
    if (b >= 0x20) {
      PutChar(b);
      return;
    }
    switch (b) {
      case 0x0E:
        glass_.cursor_visible = false;
        break;
      case 0x0F:
        glass_.cursor_visible = true;
        break;
      case 0x14:  // clear display memory
      case 0x15:  // clear, then write from home
        glass_.Clear();
        Home();
        break;
      case 0x16:
        Home();
        break;
      case 0x18:
        pending_.push_back(b);
        break;
      case 0x19:
        if (serial_) {
          pending_.push_back(b);
        } else {
          Mode({b});
        }
        break;
      case 0x1D:
      case 0x1E:
      case 0x1F:
        if (serial_) {
          Mode({b});
        } else {
          glass_.SetAllLevels(0x1F - b);
        }
        break;
      default:
        Mode({b});
        break;
    }
  }

 private:
  void Continue() {
    if (pending_[0] == 0x18) {
      // User glyph: 18, the glyph's code, then its pattern bytes.
      if (pending_.size() < static_cast<size_t>(2 + glyph_bytes_)) return;
      glass_.glyphs[pending_[1]] = std::vector<uint8_t>(pending_.begin() + 2, pending_.end());
      pending_.clear();
      return;
    }
    // 19 xx: brightness (19 30 P L) takes two more bytes, the other codes none.
    if (pending_.size() < 2) return;
    uint8_t op = pending_[1];
    if (op == 0x30) {
      if (pending_.size() < 4) return;
      uint8_t position = pending_[2];
      uint8_t level = pending_[3];
      if (position == 0xFF)
        glass_.SetAllLevels(level);
      else
        SetLevelAt(position, level);
    } else if (op == 0x33) {
      glass_.display_on = false;
    } else if (op == 0x34) {
      glass_.display_on = true;
    } else if (op == 0x3E) {
      glass_.self_test = true;
    } else if (op == 0x3F) {
      glass_.self_test = false;
    } else {
      Mode({pending_[0], op});
    }
    pending_.clear();
  }

  bool serial_;
  int glyph_bytes_;
  std::vector<uint8_t> pending_;
};

// The Matrix Orbital dialect (models 4 and 5): commands behind the prefix FE.
class OrbitalEmulator : public LinearEmulator {
 public:
  OrbitalEmulator(int rows, std::vector<int> row_of_block)
      : LinearEmulator(rows, 20, 3, std::move(row_of_block)) {}

 protected:
  void Byte(uint8_t b, bool) override {
    if (!pending_.empty()) {
      pending_.push_back(b);
      Continue();
      return;
    }
    if (b == 0xFE) {
      pending_.push_back(b);
    } else if (b >= 0x20) {
      PutChar(b);
    } else {
      Mode({b});
    }
  }

 private:
  void Continue() {
    if (pending_.size() < 2) return;
    uint8_t op = pending_[1];
    switch (op) {
      case 0x42:  // display on; one argument (minutes until it goes off, 0 = never)
        if (pending_.size() < 3) return;
        glass_.display_on = true;
        break;
      case 0x46:
        glass_.display_on = false;
        break;
      case 0x48:
        Home();
        break;
      case 0x53:
        glass_.cursor_visible = true;
        glass_.cursor_blink = true;
        break;
      case 0x54:
        glass_.cursor_visible = false;
        glass_.cursor_blink = false;
        break;
      case 0x58:
        glass_.Clear();
        Home();
        break;
      case 0x59:  // brightness, one argument 0..3
        if (pending_.size() < 3) return;
        glass_.SetAllLevels(pending_[2]);
        break;
      default:
        Mode({0xFE, op});
        break;
    }
    pending_.clear();
  }

  std::vector<uint8_t> pending_;
};

// The Noritake bus display (model 3): HD44780-style instructions and data, two lines of 24 at
// addresses 0x00 and 0x40.
class NoritakeEmulator : public DisplayEmulator {
 public:
  NoritakeEmulator() : DisplayEmulator(2, 24, 3) { glass_.display_on = true; }

 protected:
  void Byte(uint8_t b, bool instruction) override {
    if (instruction)
      Instruction(b);
    else
      Data(b);
  }

 private:
  void Instruction(uint8_t b) {
    brightness_next_ = false;
    if (b & 0x80) {
      address_ = b & 0x7F;
      cgram_ = false;
    } else if (b & 0x40) {
      cgram_address_ = b & 0x3F;
      cgram_ = true;
    } else if (b & 0x20) {
      // Function set: on this display the next data byte sets the brightness.
      brightness_next_ = true;
    } else if (b & 0x10) {
      glass_.modes.push_back("shift");
    } else if (b & 0x08) {
      glass_.display_on = (b & 0x04) != 0;
      glass_.cursor_visible = (b & 0x02) != 0;
      glass_.cursor_blink = (b & 0x01) != 0;
    } else if (b & 0x04) {
      glass_.modes.push_back("entry mode");
    } else if (b & 0x02) {
      address_ = 0;
      cgram_ = false;
    } else if (b & 0x01) {
      glass_.Clear();
      address_ = 0;
      cgram_ = false;
    }
    UpdateCursor();
  }

  void Data(uint8_t b) {
    if (brightness_next_) {
      brightness_next_ = false;
      glass_.SetAllLevels(b);
      return;
    }
    if (cgram_) {
      auto& pattern = glass_.glyphs[(cgram_address_ >> 3) & 7];
      pattern.resize(8);
      pattern[cgram_address_ & 7] = b;
      cgram_address_ = (cgram_address_ + 1) & 0x3F;
      return;
    }
    int line = address_ >= 0x40 ? 1 : 0;
    int column = address_ & 0x3F;
    if (column < glass_.Columns()) glass_.Put(line, column, b);
    // The controller's memory holds 40 characters a line; after the first line's last one the
    // address moves on to the second line, after the second line's back to the first.
    if (address_ == 0x27)
      address_ = 0x40;
    else if (address_ >= 0x67)
      address_ = 0x00;
    else
      ++address_;
    UpdateCursor();
  }

  void UpdateCursor() {
    glass_.cursor_row = address_ >= 0x40 ? 1 : 0;
    glass_.cursor_column = address_ & 0x3F;
  }

  int address_ = 0;
  int cgram_address_ = 0;
  bool cgram_ = false;
  bool brightness_next_ = false;
};

}  // namespace

void DisplayEmulator::FeedSerial(std::string_view bytes) {
  for (char c : bytes) {
    ++decoded_;
    Byte(static_cast<uint8_t>(c), false);
  }
}

void DisplayEmulator::WriteRegister(int offset, uint8_t value) {
  if (offset == 0) {
    data_ = value;
  } else if (offset == 2) {
    // A byte is taken on the falling edge of control bit 0 (the strobe or enable line);
    // bit 2 of the control value before the edge selects data (1) or instruction (0).
    if ((control_ & 0x01) && !(value & 0x01)) {
      ++decoded_;
      Byte(data_, (control_ & 0x04) == 0);
    }
    control_ = value;
  }
}

std::unique_ptr<DisplayEmulator> DisplayEmulator::ForModel(int16_t model, CharsetChoice choice) {
  std::unique_ptr<DisplayEmulator> emulator;
  switch (model) {
    case 1:
      emulator.reset(new IeeEmulator(20, true));
      break;
    case 2:
      emulator.reset(new IeeEmulator(40, false));
      break;
    case 3:
      emulator.reset(new NoritakeEmulator());
      break;
    case 4:
      emulator.reset(new OrbitalEmulator(2, {0, 1}));
      break;
    case 5:
      emulator.reset(new OrbitalEmulator(4, {0, 2, 1, 3}));
      break;
    default:
      return nullptr;
  }
  emulator->glass().charset = CharacterSet::ForModel(model, choice);
  return emulator;
}

}  // namespace vfd
