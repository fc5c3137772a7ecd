#include "display/CharacterSet.h"

#include <algorithm>
#include <initializer_list>

#include "core/Charset.h"
#include "display/Models.h"

namespace vfd {
namespace {

using Rom = std::array<char32_t, 256>;

// What every ROM has in common: ASCII, and JIS X 0201's half-width katakana at 0xA1-0xDF
// (U+FF61-U+FF9F in the same order).
void FillCommon(Rom& rom) {
  for (char32_t c = 0x20; c < 0x7F; ++c)
    rom[c] = c;
  for (char32_t c = 0xA1; c <= 0xDF; ++c)
    rom[c] = 0xFF61 + (c - 0xA1);
}

// The Japanese standard set of the HD44780 family (its ROM A00): the yen sign in place of the
// backslash, arrows in place of the tilde and DEL, and Greek letters, signs, three kanji and a
// few Latin letters at 0xE0-0xFF. 0x80-0xA0 are blank. The descending g, j, p, q, y and the
// x with a bar draw as their plain letters; 0xE9 is a superscript -1.
Rom JapaneseRom() {
  Rom rom{};
  FillCommon(rom);
  rom[0x5C] = U'\u00A5';
  rom[0x7E] = U'\u2192';
  rom[0x7F] = U'\u2190';
  constexpr char32_t kHigh[32] = {
      U'\u03B1', U'\u00E4', U'\u03B2', U'\u03B5', U'\u03BC', U'\u03C3', U'\u03C1', U'g',
      U'\u221A', U'\u207B', U'j',      U'\u02E3', U'\u00A2', U'\u00A3', U'\u00F1', U'\u00F6',
      U'p',      U'q',      U'\u03B8', U'\u221E', U'\u03A9', U'\u00FC', U'\u03A3', U'\u03C0',
      U'x',      U'y',      U'\u5343', U'\u4E07', U'\u5186', U'\u00F7', 0,         U'\u2588'};
  for (int k = 0; k < 32; ++k)
    rom[static_cast<size_t>(0xE0 + k)] = kHigh[k];
  return rom;
}

// The European set: the HD44780 family's European ROM (A02) wherever it does not collide with the
// katakana: plain ASCII with the tilde and a house at 0x7F, Cyrillic capitals, Greek letters and
// signs at 0x80-0x9F, and the accented small letters of ISO 8859-1 at 0xE0-0xFF.
Rom EuropeanRom() {
  Rom rom{};
  FillCommon(rom);
  rom[0x7F] = U'\u2302';
  constexpr char32_t kLow[32] = {
      U'\u0411',     U'\u0414', U'\u0416', U'\u0417', U'\u0418', U'\u0419', U'\u041B', U'\u041F',
      U'\u0423',     U'\u0426', U'\u0427', U'\u0428', U'\u0429', U'\u042A', U'\u042B', U'\u042D',
      U'\u03B1',     U'\u266A', U'\u0393', U'\u03C0', U'\u03A3', U'\u03C3', U'\u266C', U'\u03C4',
      U'\U0001F514', U'\u03B8', U'\u03A9', U'\u03B4', U'\u221E', U'\u2665', U'\u03B5', U'\u2229'};
  for (int k = 0; k < 32; ++k)
    rom[static_cast<size_t>(0x80 + k)] = kLow[k];
  for (char32_t c = 0xE0; c <= 0xFF; ++c)
    rom[c] = c;
  return rom;
}

const Rom& RomOf(CharsetChoice choice) {
  static const Rom japanese = JapaneseRom();
  static const Rom european = EuropeanRom();
  return choice == CharsetChoice::kEuropean ? european : japanese;
}

// Codes below 0x20 are commands or user glyphs on every model. Besides those: the IEE serial
// display shows its ten user glyphs at 0xF6-0xFF and the parallel one its three at 0xFD-0xFF
// (the bars draw with them); the Matrix Orbital displays take 0xFE as their command prefix.
struct Reserved {
  uint8_t first_user_glyph;  // 0: none above 0x1F
  bool orbital_prefix;
};

Reserved ReservedOf(int16_t model) {
  switch (model) {
    case kModelIeeSerial:
      return {0xF6, false};
    case kModelIeeParallel:
      return {0xFD, false};
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      return {0, true};
    default:
      return {0, false};
  }
}

// How the preview draws a user glyph: as the bar cell the program loads there, where it is one.
char32_t UserGlyphPicture(int16_t model, uint8_t code) {
  constexpr char32_t kEmpty = U'\u2591', kPartial = U'\u2592', kFull = U'\u2588';
  if (model == kModelIeeSerial) {
    if (code == 249) return kPartial;
    if (code == 250 || code == 251) return kFull;
    return kEmpty;
  }
  if (model == kModelIeeParallel) {
    if (code == 253) return kFull;
    if (code == 254) return kPartial;
    return kEmpty;
  }
  return kPartial;
}

// --- what text becomes where the set lacks a character -------------------------------------

struct Fold {
  char32_t from;
  // Tried in order; the first whose every character the set shows is taken. The character
  // itself has been tried before the table is asked.
  std::initializer_list<std::u32string_view> to;
};

// Signs, punctuation and the Latin letters that do not decompose, each with the nearest forms
// worth trying. Accented letters are left to decomposition, scripts to the Latin step.
const Fold kFolds[] = {
    {U'Ł', {U"L"}},
    {U'ł', {U"l"}},
    {U'Ø', {U"O"}},
    {U'ø', {U"o"}},
    {U'Đ', {U"D"}},
    {U'đ', {U"d"}},
    {U'Ð', {U"D"}},
    {U'ð', {U"d"}},
    {U'Æ', {U"AE"}},
    {U'æ', {U"ae"}},
    {U'Œ', {U"OE"}},
    {U'œ', {U"oe"}},
    {U'Þ', {U"Th"}},
    {U'þ', {U"th"}},
    {U'ı', {U"i"}},
    {U'Ħ', {U"H"}},
    {U'ħ', {U"h"}},
    {U'Ŧ', {U"T"}},
    {U'ŧ', {U"t"}},
    {U'Ŋ', {U"N"}},
    {U'ŋ', {U"n"}},
    {U'ĸ', {U"k"}},
    {U'ſ', {U"s"}},
    {U'ƒ', {U"f"}},
    {U'Ə', {U"E"}},
    {U'ə', {U"e"}},
    {U'¡', {U"!"}},
    {U'¿', {U"?"}},
    {U'¦', {U"|"}},
    {U'ª', {U"a"}},
    {U'\u2044', {U"/"}},
    {U'\u00DF', {U"\u03B2", U"ss"}},               // ß: the β glyph German displays use
    {U'\u00B0', {U"\uFF9F", U"o"}},                // °: the round handakuten
    {U'\u00BA', {U"\u00B0", U"\uFF9F", U"o"}},     // º
    {U'\u2103', {U"\u00B0C", U"\uFF9FC", U"oC"}},  // ℃
    {U'\u00B5', {U"\u03BC", U"u"}},                // micro sign: the Greek mu
    {U'\u2126', {U"\u03A9", U"Ohm"}},              // ohm sign
    {U'\u2018', {U"'"}},
    {U'\u2019', {U"'"}},
    {U'\u201A', {U"'"}},
    {U'\u201B', {U"'"}},
    {U'\u2032', {U"'"}},
    {U'\u00B4', {U"'"}},
    {U'\u02BC', {U"'"}},
    {U'\u02B9', {U"'"}},  // the soft and hard signs of Russian in Latin
    {U'\u02BA', {U"\""}},
    {U'\u201C', {U"\""}},
    {U'\u201D', {U"\""}},
    {U'\u201E', {U"\""}},
    {U'\u201F', {U"\""}},
    {U'\u2033', {U"\""}},
    {U'\u00AB', {U"<<"}},
    {U'\u00BB', {U">>"}},
    {U'\u2039', {U"<"}},
    {U'\u203A', {U">"}},
    {U'\u2010', {U"-"}},
    {U'\u2011', {U"-"}},
    {U'\u2012', {U"-"}},
    {U'\u2013', {U"-"}},
    {U'\u2014', {U"-"}},
    {U'\u2015', {U"-"}},
    {U'\u2212', {U"-"}},
    {U'~', {U"-"}},
    {U'\u301C', {U"-"}},
    {U'\u2026', {U"..."}},
    {U'\u20AC', {U"EUR"}},
    {U'\u00A3', {U"GBP"}},
    {U'\u00A5', {U"YEN"}},
    {U'\u00A2', {U"c"}},
    {U'\u00D7', {U"x"}},
    {U'\u00F7', {U"/"}},
    {U'\u00B1', {U"+/-"}},
    {U'\u2264', {U"<="}},
    {U'\u2265', {U">="}},
    {U'\u2260', {U"!="}},
    {U'\u2190', {U"<-"}},
    {U'\u2192', {U"->"}},
    {U'\u00BC', {U"1/4"}},
    {U'\u00BD', {U"1/2"}},
    {U'\u00BE', {U"3/4"}},
    {U'\u2122', {U"TM"}},
    {U'\u00A9', {U"(C)"}},
    {U'\u00AE', {U"(R)"}},
    {U'\u2022', {U"\uFF65", U"*"}},  // bullet: the katakana middle dot
    {U'\u00B7', {U"\uFF65", U"."}},
    {U'\u30FB', {U"\uFF65", U"."}},
    {U'\u3002', {U"\uFF61", U"."}},  // the ideographic full stop, comma and brackets of the ROM
    {U'\u3001', {U"\uFF64", U","}},
    {U'\u300C', {U"\uFF62", U"["}},
    {U'\u300D', {U"\uFF63", U"]"}},
    {U'\u30FC', {U"\uFF70", U"-"}},  // the long-vowel mark
    {U'\u2588', {U"#"}},
    {U'\u221A', {U"v"}},
    {U'\u221E', {U"oo"}},
    {U'\u2302', {U"^"}},
};

const Fold* FindFold(char32_t c) {
  for (const Fold& f : kFolds)
    if (f.from == c) return &f;
  return nullptr;
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Characters that take no room of their own: joiners, marks of direction, variation selectors,
// skin tones, combining marks left over, tags. They show as nothing.
bool IsInvisible(char32_t c) {
  return c == 0x00AD || (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF ||
         (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
         (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0x1F3FB && c <= 0x1F3FF) ||
         (c >= 0xE0000 && c <= 0xE01EF);
}

// Spaces of every width are blanks on a display with one width.
bool IsSpace(char32_t c) {
  return c == 0x00A0 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool NeedsComposing(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0xFE20 && c <= 0xFE2F) || c == 0x3099 || c == 0x309A || (c >= 0x1100 && c <= 0x11FF);
}

bool IsKana(char32_t c) {
  return (c >= 0x3041 && c <= 0x30FF && c != 0x30FB) || (c >= 0x31F0 && c <= 0x31FF);
}

bool IsHan(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Latin letters beyond ASCII: each has its nearest form on its own, no context needed.
bool IsLatinBeyondAscii(char32_t c) {
  return (c >= 0x00C0 && c <= 0x024F && c != 0x00D7 && c != 0x00F7) ||
         (c >= 0x1E00 && c <= 0x1EFF) || (c >= 0x2C60 && c <= 0x2C7F) ||
         (c >= 0xA720 && c <= 0xA7FF) || (c >= 0x0250 && c <= 0x02AF);
}

// Letters of the other scripts, written in Latin a word at a time: Greek, Cyrillic and the
// scripts after them up to the general punctuation, Hangul, Han, and the rest beyond the symbols
// (but the mathematical letters, which decompose to plain ones).
bool IsOtherScriptLetter(char32_t c) {
  if (IsKana(c) || IsInvisible(c) || IsLatinBeyondAscii(c)) return false;
  return (c >= 0x0370 && c < 0x2000) || (c >= 0x3100 && c < 0xD800 && c != 0x3000) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0x10000 && c < 0x1D400) || (c >= 0x1D800 && c < 0x1F000) ||
         (c >= 0x20000 && c <= 0x3FFFF);
}

}  // namespace

std::string_view CharsetName(CharsetChoice choice) {
  return choice == CharsetChoice::kEuropean ? "european" : "japanese";
}

std::optional<CharsetChoice> CharsetByName(std::string_view name) {
  if (name == "japanese") return CharsetChoice::kJapanese;
  if (name == "european") return CharsetChoice::kEuropean;
  return std::nullopt;
}

CharacterSet CharacterSet::ForModel(int16_t model, CharsetChoice choice) {
  CharacterSet set;
  set.model_ = model;
  set.choice_ = choice;
  set.glyphs_ = RomOf(choice);
  for (size_t code = 0; code < 0x20; ++code)
    set.glyphs_[code] = 0;
  const Reserved reserved = ReservedOf(model);
  if (reserved.first_user_glyph != 0) {
    for (size_t code = reserved.first_user_glyph; code <= 0xFF; ++code) {
      set.glyphs_[code] = 0;
      set.user_glyphs_[code] = true;
    }
  }
  if (reserved.orbital_prefix) set.glyphs_[0xFE] = 0;
  for (size_t code = 0; code < 256; ++code) {
    if (set.glyphs_[code] != 0)
      set.index_.emplace_back(set.glyphs_[code], static_cast<uint8_t>(code));
  }
  std::sort(set.index_.begin(), set.index_.end());
  return set;
}

std::optional<uint8_t> CharacterSet::CodeOf(char32_t c) const {
  auto it = std::lower_bound(index_.begin(), index_.end(), std::pair<char32_t, uint8_t>(c, 0));
  if (it == index_.end() || it->first != c) return std::nullopt;
  return it->second;
}

char32_t CharacterSet::Picture(uint8_t code) const {
  if (glyphs_[code] != 0) return glyphs_[code];
  if (user_glyphs_[code]) return UserGlyphPicture(model_, code);
  return U' ';
}

std::string CharacterSet::PictureOf(std::string_view codes) const {
  std::string out;
  out.reserve(codes.size() * 2);
  for (char c : codes) {
    if (c == '\r' || c == '\n')
      out.push_back(c);
    else
      AppendUtf8(out, Picture(static_cast<uint8_t>(c)));
  }
  return out;
}

// --- the text path ---------------------------------------------------------------------------

std::string TextMapper::Map(std::string_view text) {
  bool plain = true;
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b >= 0x7F || set_.Shows(b) != b) {
      plain = false;
      break;
    }
  }
  // Text the set shows as it is (most of it, in most places) needs no look-up at all.
  if (plain) return std::string(text);
  if (text.size() > kCacheableBytes) return MapUncached(text);
  if (auto hit = cache_.find(text); hit != cache_.end()) {
    recent_.splice(recent_.begin(), recent_, hit->second);
    return hit->second->second;
  }
  std::string codes = MapUncached(text);
  recent_.emplace_front(std::string(text), codes);
  cache_.emplace(recent_.front().first, recent_.begin());
  if (recent_.size() > kCacheEntries) {
    cache_.erase(recent_.back().first);
    recent_.pop_back();
  }
  return codes;
}

void TextMapper::Forget() {
  cache_.clear();
  recent_.clear();
}

bool TextMapper::EmitAll(std::u32string_view chars, std::string& out) {
  std::string codes;
  for (char32_t c : chars) {
    const std::optional<uint8_t> code = set_.CodeOf(c);
    if (!code) return false;
    codes.push_back(static_cast<char>(*code));
  }
  out += codes;
  return true;
}

bool TextMapper::EmitFolded(char32_t c, std::string& out) {
  if (c >= 0xFF01 && c <= 0xFF5E) {
    // Full-width ASCII, as East Asian text has it.
    const char32_t narrow = c - 0xFEE0;
    if (EmitAll(std::u32string_view(&narrow, 1), out)) return true;
    c = narrow;
  }
  const Fold* fold = FindFold(c);
  if (fold == nullptr) return false;
  for (std::u32string_view candidate : fold->to)
    if (EmitAll(candidate, out)) return true;
  return false;
}

void TextMapper::EmitLatin(char32_t c, std::string& out) {
  if (const std::optional<uint8_t> code = set_.CodeOf(c)) {
    out.push_back(static_cast<char>(*code));
    return;
  }
  if (IsInvisible(c)) return;
  if (IsControl(c) || IsSpace(c)) {
    out.push_back(' ');
    return;
  }
  if (EmitFolded(c, out)) return;
  if (c > 0x7F) {
    // The letter without its accents, a ligature or a compatibility form as its parts.
    const std::u32string parts =
        scripts_.Transliterate(Transliterator::Form::kDecomposed, std::u32string_view(&c, 1));
    if (parts != std::u32string_view(&c, 1) && !parts.empty()) {
      for (char32_t p : parts) {
        if (const std::optional<uint8_t> code = set_.CodeOf(p))
          out.push_back(static_cast<char>(*code));
        else if (IsSpace(p))
          out.push_back(' ');
        else if (!IsInvisible(p) && !EmitFolded(p, out))
          out.push_back('?');
      }
      return;
    }
  }
  out.push_back('?');
}

std::string TextMapper::MapUncached(std::string_view text) {
  std::u32string chars = DecodeUtf8(text);
  if (std::any_of(chars.begin(), chars.end(), NeedsComposing))
    chars = scripts_.Transliterate(Transliterator::Form::kComposed, chars);
  // Kanji in Japanese text would be read as Chinese by the Latin step, which is worse than
  // saying nothing.
  const bool japanese = std::any_of(chars.begin(), chars.end(), IsKana);

  std::string out;
  out.reserve(chars.size());
  size_t i = 0;
  while (i < chars.size()) {
    const char32_t c = chars[i];
    if (IsKana(c)) {
      size_t end = i;
      while (end < chars.size() && (IsKana(chars[end]) || chars[end] == 0x30FB))
        ++end;
      const std::u32string half = scripts_.Transliterate(
          Transliterator::Form::kHalfwidthKatakana, std::u32string_view(chars).substr(i, end - i));
      for (char32_t h : half) {
        if (const std::optional<uint8_t> code = set_.CodeOf(h)) {
          out.push_back(static_cast<char>(*code));
        } else if (IsKana(h)) {
          // A kana the ROM has no half-width form of (the small ka and ke).
          for (char32_t l :
               scripts_.Transliterate(Transliterator::Form::kLatin, std::u32string_view(&h, 1)))
            EmitLatin(l, out);
        } else {
          EmitLatin(h, out);
        }
      }
      i = end;
      continue;
    }
    if (IsOtherScriptLetter(c)) {
      // A word is shown in the set's own letters only when it has all of them (a Greek word
      // of the Greek letters the ROM holds); otherwise the whole word is written in Latin, so
      // that its letters are read in their context.
      size_t end = i;
      while (end < chars.size() && IsOtherScriptLetter(chars[end]))
        ++end;
      const std::u32string_view word = std::u32string_view(chars).substr(i, end - i);
      i = end;
      if (EmitAll(word, out)) continue;
      if (japanese && std::any_of(word.begin(), word.end(), IsHan)) {
        for (char32_t w : word) {
          if (const std::optional<uint8_t> code = set_.CodeOf(w))
            out.push_back(static_cast<char>(*code));
          else if (IsHan(w))
            out.push_back('?');
          else
            for (char32_t l :
                 scripts_.Transliterate(Transliterator::Form::kLatin, std::u32string_view(&w, 1)))
              EmitLatin(l, out);
        }
        continue;
      }
      const std::u32string latin = scripts_.Transliterate(Transliterator::Form::kLatin, word);
      for (char32_t l : latin) {
        // What the Latin step could not write in Latin has no sensible form here.
        if (IsOtherScriptLetter(l) && !set_.CodeOf(l))
          out.push_back('?');
        else
          EmitLatin(l, out);
      }
      continue;
    }
    EmitLatin(c, out);
    ++i;
  }
  return out;
}

}  // namespace vfd
