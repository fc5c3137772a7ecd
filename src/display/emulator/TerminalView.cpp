#include "display/emulator/TerminalView.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/Charset.h"

namespace vfd {
namespace {

// The phosphor's colour at full brightness.
constexpr int kGlowRed = 64;
constexpr int kGlowGreen = 255;
constexpr int kGlowBlue = 210;

constexpr char kReset[] = "\x1b[0m";
constexpr char kEndLine[] = "\x1b[0m\x1b[K\n";

// A user-defined glyph is drawn as a shade of its dot density: the pattern's bit layout is the
// display's own, but how much of the cell is lit is what a bar glyph tells the eye.
constexpr const char* kDensityShades[] = {" ", "\u2591", "\u2592", "\u2593", "\u2588"};
// An unlit cell of a switched-off display.
constexpr char kDarkCell[] = "\u00B7";

struct Rgb {
  int red;
  int green;
  int blue;
};

// The brightness fraction is light output, while terminal colours are gamma-encoded; encoding it
// keeps the lowest level dim yet readable instead of near black.
Rgb Shade(int level, int max_level) {
  double fraction = static_cast<double>(std::clamp(level, 0, max_level) + 1) / (max_level + 1);
  double encoded = std::pow(fraction, 1.0 / 2.2);
  auto scale = [encoded](int full) { return static_cast<int>(std::lround(full * encoded)); };
  return {scale(kGlowRed), scale(kGlowGreen), scale(kGlowBlue)};
}

// The nearest step of the 6x6x6 colour cube of the 256-colour palette.
int CubeStep(int component) {
  static constexpr int kSteps[] = {0, 95, 135, 175, 215, 255};
  int best = 0;
  for (int i = 1; i < 6; ++i)
    if (std::abs(kSteps[i] - component) < std::abs(kSteps[best] - component)) best = i;
  return best;
}

std::string Foreground(Rgb rgb, bool true_color) {
  if (true_color) {
    return "38;2;" + std::to_string(rgb.red) + ";" + std::to_string(rgb.green) + ";" +
           std::to_string(rgb.blue);
  }
  int index = 16 + 36 * CubeStep(rgb.red) + 6 * CubeStep(rgb.green) + CubeStep(rgb.blue);
  return "38;5;" + std::to_string(index);
}

std::string Sgr(const std::string& parameters) {
  return "\x1b[0;" + parameters + "m";
}

int LitDots(const std::vector<uint8_t>& pattern) {
  int dots = 0;
  for (uint8_t b : pattern)
    dots += std::popcount(b);
  return dots;
}

// Relative to the fullest glyph the display holds, so that a full bar cell shows full.
std::string GlyphShade(const Glass& glass, const std::vector<uint8_t>& pattern) {
  int fullest = 0;
  for (const auto& [code, other] : glass.glyphs)
    fullest = std::max(fullest, LitDots(other));
  if (fullest == 0) return kDensityShades[0];
  double density = static_cast<double>(LitDots(pattern)) / fullest;
  if (density == 0) return kDensityShades[0];
  if (density < 0.45) return kDensityShades[1];
  if (density < 0.7) return kDensityShades[2];
  if (density < 0.9) return kDensityShades[3];
  return kDensityShades[4];
}

std::string CellText(const Glass& glass, uint8_t code) {
  auto glyph = glass.glyphs.find(code);
  if (glyph != glass.glyphs.end()) return GlyphShade(glass, glyph->second);
  std::string text;
  AppendUtf8(text, glass.charset.Picture(code));
  return text;
}

std::string Repeat(const char* text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += text;
  return out;
}

}  // namespace

std::string RenderAnsi(const Glass& glass, const AnsiViewOptions& options) {
  const std::string frame = Sgr(Foreground({110, 110, 110}, options.true_color));
  const std::string dark = Sgr(Foreground({48, 58, 56}, options.true_color));
  const bool show_cursor = glass.display_on && glass.cursor_visible && glass.cursor_row >= 0 &&
                           glass.cursor_row < glass.Rows() && glass.cursor_column >= 0 &&
                           glass.cursor_column < glass.Columns();

  std::string out;
  out += frame + "\u250C" + Repeat("\u2500", glass.Columns()) + "\u2510" + kEndLine;
  for (int r = 0; r < glass.Rows(); ++r) {
    out += frame + "\u2502";
    std::string current = frame;
    for (int c = 0; c < glass.Columns(); ++c) {
      std::string style;
      std::string text;
      if (!glass.display_on) {
        style = dark;
        text = kDarkCell;
      } else {
        std::string parameters =
            Foreground(Shade(glass.Level(r, c), glass.MaxLevel()), options.true_color);
        if (show_cursor && r == glass.cursor_row && c == glass.cursor_column)
          parameters += glass.cursor_blink ? ";4;5" : ";4";
        style = Sgr(parameters);
        text = CellText(glass, glass.Code(r, c));
      }
      // Neighbouring cells mostly share a level; repeating their colour would only bloat every
      // redraw.
      if (style != current) {
        out += style;
        current = style;
      }
      out += text;
    }
    if (current != frame) out += frame;
    out += "\u2502";
    out += kEndLine;
  }
  out += frame + "\u2514" + Repeat("\u2500", glass.Columns()) + "\u2518" + kEndLine;

  out += kReset;
  out += options.model_name;
  out += glass.display_on ? " \u00B7 display on" : " \u00B7 display off";
  out += " \u00B7 brightness " + std::to_string(glass.global_level) + "/" +
         std::to_string(glass.MaxLevel());
  out += glass.self_test ? " \u00B7 SELF-TEST" : " \u00B7 self-test off";
  out += " \u00B7 bytes decoded: " + std::to_string(options.bytes_decoded);
  out += kEndLine;
  return out;
}

std::string RenderPlain(const Glass& glass) {
  std::string out;
  for (int r = 0; r < glass.Rows(); ++r) {
    out += '|';
    for (int c = 0; c < glass.Columns(); ++c)
      out += CellText(glass, glass.Code(r, c));
    out += '|';
    // A row not at full brightness shows its cells' levels beside it.
    std::string levels = glass.Levels(r);
    if (levels.find_first_not_of(static_cast<char>('0' + glass.MaxLevel())) != std::string::npos)
      out += "  " + levels;
    out += '\n';
  }
  out += glass.display_on ? "on\n" : "off\n";
  return out;
}

}  // namespace vfd
