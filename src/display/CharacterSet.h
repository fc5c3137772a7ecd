#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Transliterator.h"

namespace vfd {

// The character ROMs the program knows. Every model carries the half-width katakana of JIS X 0201
// at 0xA1-0xDF (The Matrix draws with them); around them a display has either the Japanese
// standard set of the HD44780 family or a European one.
enum class CharsetChoice { kJapanese, kEuropean };

// The name a choice has in the services file ("japanese", "european"), and back.
std::string_view CharsetName(CharsetChoice choice);
std::optional<CharsetChoice> CharsetByName(std::string_view name);

// What one display model shows for each of its 256 codes: a Unicode character, or nothing for
// the codes that are commands, user-defined glyphs or blank in the ROM. Text is mapped through
// it on its way to the glass, and the preview, the emulator and the simulator draw the codes
// back through it, so all of them show the same thing.
class CharacterSet {
 public:
  // The set of `model` (1..5; any other value gets the unrestricted ROM) with the ROM `choice`.
  static CharacterSet ForModel(int16_t model, CharsetChoice choice);

  CharsetChoice Choice() const { return choice_; }
  int16_t Model() const { return model_; }

  // The character `code` shows, or 0 for none.
  char32_t Shows(uint8_t code) const { return glyphs_[code]; }
  // The code that shows `c`; for a character the ROM has twice, the lower code.
  std::optional<uint8_t> CodeOf(char32_t c) const;
  // Whether `code` is a user-defined glyph of this model (its look is loaded at run time).
  bool IsUserGlyph(uint8_t code) const { return user_glyphs_[code]; }
  // How a preview draws `code`: its character; a shade for a user glyph; a blank for a code
  // that shows nothing.
  char32_t Picture(uint8_t code) const;
  // `codes` drawn with Picture, as UTF-8; CR and LF pass as themselves (the 4x20 preview's rows).
  std::string PictureOf(std::string_view codes) const;

  // Whether both show every code alike (text mapped for one is right for the other).
  bool ShowsAlike(const CharacterSet& other) const {
    return glyphs_ == other.glyphs_ && user_glyphs_ == other.user_glyphs_;
  }

 private:
  CharacterSet() = default;

  int16_t model_ = 0;
  CharsetChoice choice_ = CharsetChoice::kJapanese;
  std::array<char32_t, 256> glyphs_{};
  std::array<bool, 256> user_glyphs_{};
  // (character, code) sorted by character, then code.
  std::vector<std::pair<char32_t, uint8_t>> index_;
};

// The one path from text to a display's codes. Each character becomes the code that shows it;
// else the nearest the set shows (ä stays ä where the ROM has it, Ä becomes A, ’ becomes ',
// € becomes EUR); else it is written in Latin letters (Москва as Moskva) or, for kana, in the
// ROM's half-width katakana; only what has no sensible form becomes '?'. Control characters
// become blanks. The result never holds a command code, the Matrix Orbital prefix or a user
// glyph: those come only from the code that means them.
class TextMapper {
 public:
  TextMapper(const CharacterSet& set, Transliterator& scripts) : set_(set), scripts_(scripts) {}

  // `text` (UTF-8) as codes of the set.
  std::string Map(std::string_view text);
  // Forget what was mapped (the set it was mapped for has changed).
  void Forget();

  // The cache keeps the last texts the functions showed: a scrolling title or headline is mapped
  // once, not on each of its ticks.
  static constexpr size_t kCacheEntries = 64;
  // Longer texts (a whole message file) are mapped every time they are asked for; they are
  // asked for once.
  static constexpr size_t kCacheableBytes = 4096;

 private:
  std::string MapUncached(std::string_view text);
  // One character in Latin or a sign the set can show, else '?'.
  void EmitLatin(char32_t c, std::string& out);
  // `c` through the table of nearest forms; false when it has none that fits the set.
  bool EmitFolded(char32_t c, std::string& out);
  bool EmitAll(std::u32string_view chars, std::string& out);

  const CharacterSet& set_;
  Transliterator& scripts_;
  // Most recently used first.
  std::list<std::pair<std::string, std::string>> recent_;
  std::unordered_map<std::string_view, std::list<std::pair<std::string, std::string>>::iterator>
      cache_;
};

}  // namespace vfd
