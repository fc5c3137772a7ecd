#include "platform/TextEncodings.h"

#include <iconv.h>

#include <cerrno>

#include "core/Charset.h"

namespace vfd {

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const std::string& charset) {
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  // No charset takes more than four UTF-8 bytes per input byte; U+FFFD takes three per byte.
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* to = out.data();
  size_t out_left = out.size();
  while (in_left > 0 && out_left >= 3) {
    if (iconv(cd, &in, &in_left, &to, &out_left) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) break;
    *to++ = '\xEF';
    *to++ = '\xBF';
    *to++ = '\xBD';
    out_left -= 3;
    ++in;
    --in_left;
  }
  iconv_close(cd);
  out.resize(out.size() - out_left);
  // glibc's converters know code points up to 0x7FFFFFFF, beyond Unicode, and write them in the
  // old five- and six-byte forms: its UTF-8 decoder takes such a form in and passes it on, and
  // UCS-4 or UTF-7 input can name one. None is a character.
  if (!IsUtf8(out)) out = EncodeUtf8(DecodeUtf8(out));
  return out;
}

}  // namespace vfd
