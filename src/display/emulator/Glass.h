#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "display/CharacterSet.h"
#include "display/Models.h"

namespace vfd {

// What a character display shows: a grid of character codes, each with its brightness level,
// plus the display-wide state that the command dialects change. Codes are the display's own
// single-byte character set, drawn through `charset`.
class Glass {
 public:
  Glass(int rows, int columns, int max_level);

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  int MaxLevel() const { return max_level_; }

  uint8_t Code(int row, int column) const { return cells_[Index(row, column)].code; }
  int Level(int row, int column) const { return cells_[Index(row, column)].level; }
  // The characters of one row (0-based) as bytes.
  std::string Row(int row) const;
  // All rows, joined with '\n'.
  std::string Text() const;
  // One row as its characters look (UTF-8), drawn through `charset`; all rows joined with '\n'.
  std::string Picture(int row) const;
  std::string Picture() const;
  // The levels of one row, one digit per cell ("7776543210...").
  std::string Levels(int row) const;

  void Put(int row, int column, uint8_t code);
  void SetLevel(int row, int column, int level);
  // Sets every cell's level, as a display-wide brightness command does.
  void SetAllLevels(int level);
  void Clear();

  // Display-wide state.
  bool display_on = true;
  bool cursor_visible = false;
  bool cursor_blink = false;
  bool self_test = false;
  int global_level;  // the last display-wide brightness level
  int cursor_row = 0;
  int cursor_column = 0;
  // What the display's ROM shows for each code.
  CharacterSet charset = CharacterSet::ForModel(kModelNone, CharsetChoice::kJapanese);
  // User-defined glyphs by the code the display was given, with their pattern bytes.
  std::map<int, std::vector<uint8_t>> glyphs;
  // Codes that change a mode without a visible effect, in arrival order (for diagnostics).
  std::vector<std::string> modes;

 private:
  struct Cell {
    uint8_t code = ' ';
    int level = 0;
  };
  size_t Index(int row, int column) const {
    return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column);
  }

  int rows_;
  int columns_;
  int max_level_;
  std::vector<Cell> cells_;
};

}  // namespace vfd
