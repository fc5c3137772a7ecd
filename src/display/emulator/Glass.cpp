#include "display/emulator/Glass.h"

#include <algorithm>

namespace vfd {

Glass::Glass(int rows, int columns, int max_level)
    : global_level(max_level),
      rows_(rows),
      columns_(columns),
      max_level_(max_level),
      cells_(static_cast<size_t>(rows) * static_cast<size_t>(columns)) {
  SetAllLevels(max_level);
}

std::string Glass::Row(int row) const {
  std::string out;
  out.reserve(static_cast<size_t>(columns_));
  for (int c = 0; c < columns_; ++c)
    out.push_back(static_cast<char>(Code(row, c)));
  return out;
}

std::string Glass::Text() const {
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    if (r) out.push_back('\n');
    out += Row(r);
  }
  return out;
}

std::string Glass::Levels(int row) const {
  std::string out;
  for (int c = 0; c < columns_; ++c)
    out.push_back(static_cast<char>('0' + Level(row, c)));
  return out;
}

void Glass::Put(int row, int column, uint8_t code) {
  cells_[Index(row, column)].code = code;
}

void Glass::SetLevel(int row, int column, int level) {
  cells_[Index(row, column)].level = std::clamp(level, 0, max_level_);
}

void Glass::SetAllLevels(int level) {
  level = std::clamp(level, 0, max_level_);
  global_level = level;
  for (Cell& cell : cells_)
    cell.level = level;
}

void Glass::Clear() {
  for (Cell& cell : cells_)
    cell.code = ' ';
}

std::string DisplayCharToUtf8(uint8_t code) {
  // Windows-1252 for 0x80-0x9F; 0 marks the five unassigned codes.
  static constexpr char16_t kCp1252High[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  char32_t cp;
  if (code >= 0x20 && code < 0x7F) {
    return std::string(1, static_cast<char>(code));
  } else if (code >= 0xA1 && code <= 0xDF) {
    cp = 0xFF61 + (code - 0xA1);
  } else if (code >= 0x80 && code <= 0x9F) {
    cp = kCp1252High[code - 0x80];
    if (cp == 0) cp = 0x00B7;
  } else if (code >= 0xA0) {
    cp = code;
  } else {
    cp = 0x00B7;
  }
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

std::string DisplayTextToUtf8(const std::string& bytes) {
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
