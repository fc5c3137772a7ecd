#include "effects/Matrix.h"

#include "effects/RandomPicks.h"

namespace vfd {
namespace {

// The half-width katakana of the displays' character sets, in draw order.
constexpr uint8_t kGlyphs[23] = {0xB1, 0xB2, 0xB3, 0xB5, 0xB6, 0xB7, 0xB9, 0xBA,
                                 0xBC, 0xBD, 0xBE, 0xC0, 0xC1, 0xC2, 0xC4, 0xC5,
                                 0xC6, 0xC7, 0xC8, 0xCA, 0xCC, 0xCE, 0xCF};

// Characters `from` (1-based) onwards, at most `count`; fewer when the text ends first.
std::string Mid(const std::string& s, size_t from, size_t count) {
  return from >= 1 && from <= s.size() ? s.substr(from - 1, count) : std::string();
}

}  // namespace

Matrix::Matrix(Controls controls, DisplayLink& display, RandomSource& random)
    : c_(controls), display_(display), random_(random) {}

FunctionRegistration Matrix::Registration() {
  return {.code = 2,
          .button = &c_.cmdMatrix,
          .timer = &c_.Timer2,
          .first_frame = FirstFrame::kAfter,
          .tick = [this] { Tick(); }};
}

void Matrix::InitStreams() {
  for (Stream& s : streams) {
    for (int16_t& length : s.segment_lengths)
      length = DrawLength(7);
    s.glyph_buffer.assign(kBufferLength, ' ');
  }
}

void Matrix::PickMatrixGlyph() {
  auto n = static_cast<int>(random_.Next() * 30) + 1;
  if (n <= 23) matrix_glyph = std::string(1, static_cast<char>(kGlyphs[n - 1]));
}

void Matrix::Advance(Stream& s) {
  auto& l = s.segment_lengths;
  s.next_length = DrawLength(8);
  if (--l[0] == 0) {
    for (int k = 0; k < 7; ++k)
      l[k] = l[k + 1];
    l[7] = s.next_length;
    s.glyph_phase = s.glyph_phase == 1 ? 0 : 1;
  }
  // Where each segment starts in the buffer (1-based); start[8] is one past the last.
  std::array<long, 9> start{};
  start[0] = 1;
  for (int k = 1; k <= 8; ++k)
    start[k] = start[k - 1] + l[k - 1];

  auto length = [&](int k) { return static_cast<size_t>(l[k] > 0 ? l[k] : 0); };
  auto write_glyph = [&](int k) {
    PickMatrixGlyph();
    // A head can fall beyond the buffer's end; it is not kept.
    if (!matrix_glyph.empty() && start[k] >= 1 && static_cast<size_t>(start[k]) <= kBufferLength)
      s.glyph_buffer[static_cast<size_t>(start[k]) - 1] = matrix_glyph[0];
  };
  // The picture is rebuilt in place: this runs for 40 streams every 25 ms.
  std::string& p = s.picture;
  p.clear();
  auto blanks = [&](int k) { p.append(length(k), ' '); };
  auto glyphs = [&](int k) {
    auto from = static_cast<size_t>(start[k]);
    if (from >= 1 && from <= kBufferLength) p.append(s.glyph_buffer, from - 1, length(k));
  };

  if (s.glyph_phase == 1) {
    for (int k : {1, 3, 5, 7})
      write_glyph(k);
    for (int k : {0, 2, 4, 6}) {
      blanks(k);
      glyphs(k + 1);
    }
  } else {
    for (int k : {2, 4, 6, 8})
      write_glyph(k);
    // The first segment shows the end of the buffer.
    size_t l0 = std::min(length(0), kBufferLength);
    p.append(s.glyph_buffer, kBufferLength - l0, l0);
    for (int k : {1, 3, 5}) {
      blanks(k);
      glyphs(k + 1);
    }
    blanks(7);
  }
}

void Matrix::Tick() {
  const bool down = c_.cmdMatrixDirection.Caption() == "Down";
  const int16_t screen = display_.screen_type;
  int n;
  if (down) {
    n = screen == kScreen2x40 ? 40 : screen == kScreen2x24 ? 24 : 20;
  } else {
    n = screen == kScreen4x20 ? 4 : 2;
  }
  for (int i = 0; i < n; ++i)
    Advance(streams[static_cast<size_t>(i)]);

  if (down) {
    // Position 10 of a picture is the bottom row; higher positions are the rows above it.
    for (size_t r = 0; r < 4; ++r) {
      std::string& row = matrix_rows[r];
      row.clear();
      for (int i = 0; i < n; ++i) {
        const std::string& pic = streams[static_cast<size_t>(i)].picture;
        if (pic.size() >= r + 10) row.push_back(pic[r + 9]);
      }
    }
  }
  const std::string& p0 = streams[0].picture;
  const std::string& p1 = streams[1].picture;

  switch (screen) {
    case kScreen2x20: {
      std::string line1 = down ? matrix_rows[1] : Mid(p1, 8, 20);
      std::string line2 = down ? matrix_rows[0] : Mid(p0, 8, 20);
      if (display_.serial().IsSerialOpen() && display_.display_model == kModelIeeSerial) {
        // This display is written directly, with a random level per character every other tick.
        if (level_toggle == 1) {
          for (int p = 0; p < 20; ++p)
            display_.SendCharLevel(p, PickRandomLevel(random_));
          level_toggle = 0;
        } else {
          level_toggle = 1;
        }
        if (!down) {
          line1 = Fit(line1, 20);
          line2 = Fit(line2, 20);
        }
        display_.WriteMatrix2x20(line1, line2);
      } else {
        level_toggle = 1;
        display_.Write2x20(line1, line2);
      }
      break;
    }
    case kScreen2x40:
      display_.Write2x40(down ? matrix_rows[1] : Mid(p0, 2, 40),
                         down ? matrix_rows[0] : Mid(p1, 2, 40));
      break;
    case kScreen4x20:
      if (down)
        display_.Write4x20(matrix_rows[3], matrix_rows[2], matrix_rows[1], matrix_rows[0]);
      else
        display_.Write4x20(streams[3].picture, streams[2].picture, p1, p0);
      break;
    case kScreen2x24:
      display_.Write2x24(down ? matrix_rows[1] : Mid(p0, 6, 24),
                         down ? matrix_rows[0] : Mid(p1, 6, 24));
      break;
    default:
      break;
  }
}

}  // namespace vfd
