// The conversions of HTTP bodies into the program's text. The first line of an input is a
// charset label, as a Content-Type header or an iconv name gives it; the rest is the body. Every
// conversion must give well-formed UTF-8 (a byte no character of the charset is U+FFFD), and a
// feed's text never starts with a byte-order mark.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "core/Charset.h"
#include "platform/FeedEncoding.h"
#include "platform/TextEncodings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vfd::fuzz::FuzzInput input(data, size);
  const std::string label(input.Line());
  const std::string_view body = input.Rest();

  const std::string charset = vfd::CharsetOfContentType(label);
  for (char c : charset)
    vfd::fuzz::Require(c < 'A' || c > 'Z', "a header's charset comes in lower case");

  // The header's charset as the HTTP backend passes it on, and the label as a name of its own.
  for (const std::string& name : {charset, label}) {
    if (name.empty()) continue;
    if (const std::optional<std::string> text = vfd::ConvertToUtf8(body, name))
      vfd::fuzz::Require(vfd::IsUtf8(*text), "a body converts to UTF-8");
  }

  std::string storage;
  const std::string_view text = vfd::FeedTextOf(body, label, storage);
  vfd::fuzz::Require(vfd::IsUtf8(text), "a feed's text is UTF-8");
  vfd::fuzz::Require(!text.starts_with("\xEF\xBB\xBF"), "a feed's text has no byte-order mark");
  return 0;
}
