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

std::string Glass::Picture(int row) const {
  return charset.PictureOf(Row(row));
}

std::string Glass::Picture() const {
  return charset.PictureOf(Text());
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

}  // namespace vfd
