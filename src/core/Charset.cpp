#include "core/Charset.h"

namespace vfd {
namespace {

// Windows-1252 for 0x80-0x9F; 0 marks the five unassigned codes.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The length of the UTF-8 sequence that starts with `b`, or 0 for a byte that starts none.
int SequenceLength(uint8_t b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

// Decodes one UTF-8 sequence at `i`. Malformed input (a stray continuation byte, a cut-off or
// overlong sequence, a surrogate, beyond U+10FFFF) yields U+FFFD and moves one byte on.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto b = static_cast<uint8_t>(s[i]);
  const int length = SequenceLength(b);
  if (length == 1) {
    ++i;
    return b;
  }
  if (length == 0 || i + static_cast<size_t>(length) > s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = b & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    const auto c = static_cast<uint8_t>(s[i + static_cast<size_t>(k)]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<size_t>(length);
  return cp;
}

// Whether `s` decodes without a malformed sequence; `beyond` tells whether it left ASCII.
bool WellFormed(std::string_view s, bool* beyond) {
  *beyond = false;
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    *beyond = true;
    const size_t before = i;
    if (NextCodePoint(s, i) == 0xFFFD) {
      // U+FFFD written out as itself is well-formed; a malformed sequence moved one byte only.
      if (i - before != 3) return false;
    }
  }
  return true;
}

}  // namespace

bool IsUtf8BeyondAscii(std::string_view s) {
  bool beyond = false;
  return WellFormed(s, &beyond) && beyond;
}

bool IsUtf8(std::string_view s) {
  bool beyond = false;
  return WellFormed(s, &beyond);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size())
    out.push_back(NextCodePoint(text, i));
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text)
    AppendUtf8(out, cp);
  return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto code = static_cast<uint8_t>(ch);
    char32_t cp = code;
    if (code >= 0x80 && code <= 0x9F && kCp1252High[code - 0x80] != 0)
      cp = kCp1252High[code - 0x80];
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k) {
      if (kCp1252High[k] != 0 && kCp1252High[k] == cp) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    out.push_back(mapped);
  }
  return out;
}

std::string TextOfFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (IsUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}

std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (b >= 0x20 && b < 0x7F) {
      out.push_back(text[i++]);
      continue;
    }
    const char32_t c = NextCodePoint(text, i);
    if (c == '\t' || c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029) {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
      continue;
    }
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool bidi = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                      (c >= 0x2066 && c <= 0x2069);
    if (!control && !bidi) AppendUtf8(out, c);
  }
  return out;
}

}  // namespace vfd
