#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/DisplayFunction.h"
#include "core/Random.h"
#include "display/DisplayLink.h"

namespace vfd {

// "The Matrix": streaks of katakana glyphs sliding down the columns or across the rows.
//
// Each stream is eight segments that alternate between glyphs and blanks. The segments' windows
// move over a buffer of glyphs one position per tick (the first segment shrinks), and a fresh
// glyph is written where each glyph segment starts, so the streaks appear to slide while the
// glyphs stay where they were written.
class Matrix {
 public:
  static constexpr int kStreams = 40;
  static constexpr size_t kBufferLength = 70;

  struct Stream {
    std::array<int16_t, 8> segment_lengths{};                    // SegmentLengths
    int16_t next_length = 0;                                     // NextLength
    int16_t glyph_phase = 0;                                     // GlyphPhase
    std::string glyph_buffer = std::string(kBufferLength, ' ');  // GlyphBuffer
    std::string picture;                                         // Picture
  };

  struct Controls {
    Button& cmdMatrix;
    Timer& Timer2;
    Button& cmdMatrixDirection;  // "Across" or "Down"
  };

  Matrix(Controls controls, DisplayLink& display, RandomSource& random);
  FunctionRegistration Registration();

  // Start-up: the first segment lengths of every stream, and blank buffers.
  void InitStreams();
  // One tick of Timer2.
  void Tick();
  // Draws a glyph: one of the 23 katakana codes, or (7 draws in 30) the previous one again.
  void PickMatrixGlyph();

  std::array<Stream, kStreams> streams;
  std::string matrix_glyph;                // MatrixGlyph, empty until the first draw of a code
  std::array<std::string, 4> matrix_rows;  // MatrixRows
  int16_t level_toggle = 0;                // LevelToggle

 private:
  void Advance(Stream& s);
  int16_t DrawLength(double scale) {
    return static_cast<int16_t>(NearestEven(random_.Next() * scale + 1));
  }

  Controls c_;
  DisplayLink& display_;
  RandomSource& random_;
};

}  // namespace vfd
