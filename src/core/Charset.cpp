#include "core/Charset.h"

namespace vfd {
namespace {

// Windows-1252 for 0x80-0x9F; 0 marks the five unassigned codes.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
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

// Decodes one UTF-8 sequence at `i`; malformed input yields U+FFFD and moves one byte on.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  auto b = static_cast<uint8_t>(s[i]);
  int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
  for (int k = 1; k <= extra; ++k) {
    auto c = static_cast<uint8_t>(s[i + static_cast<size_t>(k)]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += static_cast<size_t>(extra) + 1;
  return cp;
}

}  // namespace

bool IsUtf8BeyondAscii(std::string_view s) {
  bool beyond = false;
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<uint8_t>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    beyond = true;
    size_t extra = (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 0;
    if (extra == 0 || i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return beyond;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto code = static_cast<uint8_t>(ch);
    char32_t cp = code;
    if (code >= 0x80 && code <= 0x9F)
      cp = kCp1252High[code - 0x80] ? kCp1252High[code - 0x80] : code;
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t cp = NextCodePoint(text, i);
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
    // Half-width katakana are the displays' own codes 0xA1-0xDF; keep them so that what the
    // preview shows can be typed back.
    if (cp >= 0xFF61 && cp <= 0xFF9F) mapped = static_cast<char>(0xA1 + (cp - 0xFF61));
    out.push_back(mapped);
  }
  return out;
}

std::string DisplayCharToUtf8(uint8_t code) {
  std::string out;
  char32_t cp;
  if (code >= 0x20 && code < 0x7F) {
    cp = code;
  } else if (code >= 0xA1 && code <= 0xDF) {
    cp = 0xFF61 + (code - 0xA1);
  } else if (code >= 0x80 && code <= 0x9F) {
    cp = kCp1252High[code - 0x80] ? kCp1252High[code - 0x80] : 0x00B7;
  } else if (code >= 0xA0) {
    cp = code;
  } else {
    cp = 0x00B7;
  }
  AppendUtf8(out, cp);
  return out;
}

std::string DisplayTextToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    if (c == '\r' || c == '\n')
      out.push_back(c);
    else
      out += DisplayCharToUtf8(static_cast<uint8_t>(c));
  }
  return out;
}

}  // namespace vfd
