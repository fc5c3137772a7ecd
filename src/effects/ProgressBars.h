#pragma once

#include <cstdint>
#include <string>

#include "display/DisplayLink.h"

namespace vfd {

// Horizontal bars for a ratio (normally 0..1), one per screen type. Where the display allows
// it, user-defined glyphs draw the bar in finer steps than whole characters.
class ProgressBars {
 public:
  explicit ProgressBars(DisplayLink& display) : display_(display) {}

  // Which partial-cell pattern the IEE parallel display holds now (0: none yet).
  int16_t loaded_bar_glyph = 0;  // LoadedBarGlyph

  // The smallest k in 1..steps with ratio <= k / steps, the ratio taken in single precision and
  // k / steps in double; 0 (no step) for a ratio above 1 or one that is no number.
  static int Step(float ratio, int steps);

  std::string ProgressBar9(float ratio);   // 2x20
  std::string ProgressBar13(float ratio);  // 2x24
  std::string ProgressBar20(float ratio);  // 4x20
  std::string ProgressBar22(float ratio);  // 2x40
  // The bar of a screen type with no cell filled, for a ratio that has no value (a track of
  // unknown length); empty text for no screen type.
  std::string EmptyBar(int16_t screen_type);

  // Whole cells of a bar drawn by others (the LCDproc clients' bars): the display's own bar
  // glyphs where it has them, else a block (or '#') and '-'. PrepareCells defines the glyphs that
  // need it and picks the codes; a frame that uses the cells calls it once before.
  void PrepareCells();
  char FilledCell() const { return filled_cell_; }
  char EmptyCell() const { return empty_cell_; }

 private:
  static std::string PlainBar(float ratio, int cells);
  std::string GlyphBar9(float ratio);
  void LoadBarVariant(int variant);

  DisplayLink& display_;
  char filled_cell_ = '#';
  char empty_cell_ = '-';
};

}  // namespace vfd
