#pragma once

#include <cstdint>
#include <string>

#include "display/emulator/Glass.h"

namespace vfd {

// What the status line under the picture tells besides the glass itself.
struct AnsiViewOptions {
  std::string model_name;
  uint64_t bytes_decoded = 0;
  // 24-bit colour; false limits the shades to the 256-colour palette for terminals without it.
  bool true_color = true;
};

// The glass as a framed terminal picture: every cell in a VFD blue-green whose intensity follows
// its brightness level, the cursor cell underlined (and blinking when the display blinks it), a
// switched-off display as a field of faint dots, and a status line below. Codes that carry a
// user-defined glyph show (in both renderings) as a block shaded by the glyph's dot density.
// Every line ends with an erase-to-end-of-line so that the picture can be redrawn in place.
std::string RenderAnsi(const Glass& glass, const AnsiViewOptions& options);

// The glass as text without escape sequences: each row between '|' characters on its own line,
// followed by its cells' brightness levels (one digit each) when any is below the highest, then
// a line "on" or "off" for the display's state.
std::string RenderPlain(const Glass& glass);

}  // namespace vfd
