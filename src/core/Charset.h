#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vfd {

// Text inside the program is single bytes: the displays' own codes, which for the printable
// range are Windows-1252 except 0xA1-0xDF, where the displays carry half-width katakana. These
// convert at the edge to and from the UTF-8 of the window system and the terminal.

// Whether `s` is well-formed UTF-8 with at least one character beyond ASCII (a text that was not
// written in Windows-1252, then).
bool IsUtf8BeyondAscii(std::string_view s);

// Windows-1252 bytes to UTF-8 (text boxes, file names).
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; characters it cannot hold become '?', half-width katakana become the
// display codes 0xA1-0xDF.
std::string Utf8ToCp1252(std::string_view text);

// How a display character looks: ASCII as itself, 0xA1-0xDF as half-width katakana, other high
// codes as Windows-1252, control codes as a middle dot.
std::string DisplayCharToUtf8(uint8_t code);
// A preview text (display codes, with CR LF between rows kept) as UTF-8.
std::string DisplayTextToUtf8(std::string_view bytes);

}  // namespace vfd
