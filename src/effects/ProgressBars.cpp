#include "effects/ProgressBars.h"

#include <array>

#include "core/Random.h"

namespace vfd {
namespace {

// Glyph codes of the IEE serial display's bar.
constexpr uint8_t kMiddleEmpty = 247;
constexpr uint8_t kRightEmpty = 248;
constexpr uint8_t kPartial = 249;
constexpr uint8_t kLeftFull = 250;
constexpr uint8_t kMiddleFull = 251;

using Pattern = std::array<uint8_t, 5>;

// The partly filled cell's patterns at the left end, in the middle and at the right end.
constexpr Pattern kLeftSteps[] = {{0xB9, 0x4E, 0x20, 0xDD, 0x05}, {0xB9, 0x4F, 0x20, 0xDF, 0x0D}};
constexpr Pattern kMiddleSteps[] = {{0xB8, 0x4A, 0x00, 0xD4, 0x05},
                                    {0xBC, 0x5A, 0x00, 0xF4, 0x05},
                                    {0xBD, 0x5E, 0x00, 0xFC, 0x05},
                                    {0xBD, 0x5F, 0x00, 0xFE, 0x0D}};
constexpr Pattern kRightSteps[] = {
    {0xF8, 0x6A, 0x81, 0xD4, 0x07}, {0xFC, 0x7A, 0x81, 0xF4, 0x07}, {0xFD, 0x7E, 0x81, 0xFC, 0x07}};

// The IEE parallel display's partial-cell variants of glyph 1: six pattern bytes each.
constexpr uint8_t kBarGlyph = 0x01;
constexpr std::array<uint8_t, 6> kBarVariants[] = {
    {0x08, 0x04, 0x46, 0x00, 0x30, 0x00},
    {0x20, 0x0C, 0x46, 0x42, 0x20, 0x00},
    {0x00, 0x24, 0x4E, 0x42, 0x62, 0x00},
};

}  // namespace

int ProgressBars::Step(float ratio, int steps) {
  const double x = ratio;
  for (int k = 1; k <= steps; ++k)
    if (x <= static_cast<double>(k) / steps) return k;
  return 0;
}

std::string ProgressBars::PlainBar(float ratio, int cells) {
  int k = Step(ratio, cells);
  if (k == 0) return {};
  return std::string(static_cast<size_t>(k), '*') +
         std::string(static_cast<size_t>(cells - k), '-');
}

std::string ProgressBars::ProgressBar13(float ratio) {
  return PlainBar(ratio, 13);
}

std::string ProgressBars::ProgressBar20(float ratio) {
  return PlainBar(ratio, 20);
}

std::string ProgressBars::ProgressBar9(float ratio) {
  if (display_.display_model == kModelIeeSerial && display_.serial().IsSerialOpen())
    return GlyphBar9(ratio);
  return PlainBar(ratio, 9);
}

std::string ProgressBars::GlyphBar9(float ratio) {
  // The fixed cells are defined afresh on every call.
  constexpr Pattern kMiddleEmptyCell{0xA8, 0x0A, 0x00, 0x54, 0x05};
  constexpr Pattern kRightEmptyCell{0xE8, 0x2A, 0x81, 0x54, 0x07};
  constexpr Pattern kLeftFullCell{0xF9, 0x4F, 0xA0, 0xDF, 0x0F};
  constexpr Pattern kMiddleFullCell{0xFD, 0x5F, 0x80, 0xFE, 0x0F};
  display_.DefineGlyph(kMiddleEmpty, kMiddleEmptyCell);
  display_.DefineGlyph(kRightEmpty, kRightEmptyCell);
  display_.DefineGlyph(kLeftFull, kLeftFullCell);
  display_.DefineGlyph(kMiddleFull, kMiddleFullCell);

  // 36 steps over 8 cells; the thresholds are k / 36 rounded to four decimals, in single
  // precision.
  int k = 0;
  for (int step = 1; step <= 36; ++step) {
    auto threshold =
        static_cast<float>(static_cast<double>(NearestEven(step / 36.0 * 10000)) / 10000);
    if (ratio <= threshold) {
      k = step;
      break;
    }
  }
  std::array<uint8_t, 8> cells;
  cells.fill(kMiddleEmpty);
  cells[7] = kRightEmpty;
  auto partial = [&](const Pattern& p) { display_.DefineGlyph(kPartial, p); };
  if (k == 0) {
    cells[0] = 246;
  } else if (k <= 2) {
    cells[0] = kPartial;
    partial(kLeftSteps[k - 1]);
  } else if (k == 3) {
    cells[0] = kLeftFull;
  } else if (k <= 33) {
    const int m = k - 4, full = m / 5, sub = m % 5;
    cells[0] = kLeftFull;
    for (int c = 1; c <= full; ++c)
      cells[static_cast<size_t>(c)] = kMiddleFull;
    if (sub < 4) {
      cells[static_cast<size_t>(full + 1)] = kPartial;
      partial(kMiddleSteps[sub]);
    } else {
      cells[static_cast<size_t>(full + 1)] = kMiddleFull;
    }
  } else {
    cells[0] = kLeftFull;
    for (int c = 1; c <= 6; ++c)
      cells[static_cast<size_t>(c)] = kMiddleFull;
    cells[7] = kPartial;
    partial(kRightSteps[k - 34]);
  }
  return std::string(cells.begin(), cells.end());
}

std::string ProgressBars::ProgressBar22(float ratio) {
  const int k = Step(ratio, 66);
  if (k == 0) return std::string(22, static_cast<char>(255));
  const int full = (k - 1) / 3;
  LoadBarVariant((k - 1) % 3 + 1);
  return std::string(static_cast<size_t>(full), static_cast<char>(253)) + static_cast<char>(254) +
         std::string(static_cast<size_t>(21 - full), static_cast<char>(255));
}

std::string ProgressBars::EmptyBar(int16_t screen_type) {
  switch (screen_type) {
    case kScreen2x20:
      // The glyph bar's own empty form (its cells defined as on every call); else dashes.
      if (display_.display_model == kModelIeeSerial && display_.serial().IsSerialOpen())
        return GlyphBar9(2.0f);
      return std::string(9, '-');
    case kScreen2x24:
      return std::string(13, '-');
    case kScreen4x20:
      return std::string(20, '-');
    case kScreen2x40:
      return std::string(22, static_cast<char>(255));
    default:
      return {};
  }
}

void ProgressBars::PrepareCells() {
  if (display_.display_model == kModelIeeSerial && display_.serial().IsSerialOpen()) {
    // The glyph bar's middle cells, full and empty, as GlyphBar9 defines them.
    constexpr Pattern kMiddleEmptyCell{0xA8, 0x0A, 0x00, 0x54, 0x05};
    constexpr Pattern kMiddleFullCell{0xFD, 0x5F, 0x80, 0xFE, 0x0F};
    display_.DefineGlyph(kMiddleEmpty, kMiddleEmptyCell);
    display_.DefineGlyph(kMiddleFull, kMiddleFullCell);
    filled_cell_ = static_cast<char>(kMiddleFull);
    empty_cell_ = static_cast<char>(kMiddleEmpty);
    return;
  }
  if (display_.display_model == kModelIeeParallel) {
    // The wide bar's full and empty cells, which the display holds without a definition.
    filled_cell_ = static_cast<char>(253);
    empty_cell_ = static_cast<char>(255);
    return;
  }
  const std::string block = display_.TextCodes("\u2588");
  filled_cell_ = block.size() == 1 ? block[0] : '#';
  empty_cell_ = '-';
}

void ProgressBars::LoadBarVariant(int variant) {
  if (loaded_bar_glyph == variant) return;
  if (display_.DefineGlyph(kBarGlyph, kBarVariants[variant - 1]))
    loaded_bar_glyph = static_cast<int16_t>(variant);
}

}  // namespace vfd
