#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vfd {

// Text inside the program is UTF-8: what the user typed, what the web and the players sent.
// It becomes a display's codes only on its way to the glass (display/CharacterSet.h). Two
// things still speak Windows-1252, the system code page of the program's first home: the
// settings file, and message files that are not UTF-8.

// Whether `s` is well-formed UTF-8 with at least one character beyond ASCII (a text that was not
// written in Windows-1252, then).
bool IsUtf8BeyondAscii(std::string_view s);
// Whether `s` is well-formed UTF-8 (plain ASCII is).
bool IsUtf8(std::string_view s);

// The code points of UTF-8 text; a malformed sequence gives U+FFFD and decoding goes on after
// its first byte.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1252 bytes to UTF-8; the five codes it leaves unassigned pass as C1 controls.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; characters it cannot hold become '?'.
std::string Utf8ToCp1252(std::string_view text);

// Text as one line that a status line or a terminal shows as it is: control characters (C0,
// DEL, C1), line and paragraph separators and the bidirectional embeddings, overrides and
// isolates are dropped, a tab or line break becomes one blank, malformed UTF-8 becomes U+FFFD.
// Text from the web must not move a terminal's cursor, hide the rest of its output (ESC [8m)
// or reorder what a line seems to say.
std::string OneLine(std::string_view text);

// A text file's bytes as text: UTF-8 (a byte-order mark dropped) when they are UTF-8, otherwise
// taken as Windows-1252, as files from the program's first home are.
std::string TextOfFile(std::string_view bytes);

}  // namespace vfd
