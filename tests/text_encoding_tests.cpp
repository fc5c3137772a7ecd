// The conversion of HTTP bodies from the charset their header names.
#include <gtest/gtest.h>

#include <string>

#include "core/Charset.h"
#include "platform/TextEncodings.h"

namespace vfd {
namespace {

TEST(TextEncodingsTest, CodePointsBeyondUnicodeBecomeReplacementCharacters) {
  // iconv's UTF-8 decoder passes the old six-byte forms through, and UCS-4 may name a code point
  // beyond Unicode that it writes in them: neither is a character.
  const std::string from_utf8 = ConvertToUtf8("ok \xFD\x94\x94\x94\x94\x94 end", "UTF-8").value();
  EXPECT_TRUE(IsUtf8(from_utf8));
  EXPECT_EQ(from_utf8.rfind("ok ", 0), 0u);
  EXPECT_NE(from_utf8.find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_NE(from_utf8.find(" end"), std::string::npos);

  const std::string from_ucs4 =
      ConvertToUtf8(std::string("\x00\x00\x00\x41\x7F\xFF\xFF\xFF\x00\x00\x00\x42", 12), "UCS-4BE")
          .value();
  EXPECT_TRUE(IsUtf8(from_ucs4));
  EXPECT_EQ(from_ucs4.front(), 'A');
  EXPECT_EQ(from_ucs4.back(), 'B');

  // What is well-formed stays as it is, cut-off characters at the end included as U+FFFD.
  EXPECT_EQ(ConvertToUtf8("Caf\xE9", "ISO-8859-1").value(), "Caf\xC3\xA9");
  EXPECT_EQ(ConvertToUtf8("ab\xE2\x82", "UTF-8").value(), "ab\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_FALSE(ConvertToUtf8("x", "no-such-charset"));
}

}  // namespace
}  // namespace vfd
