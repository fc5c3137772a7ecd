#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vfd {

// `bytes` in `charset` (any name iconv knows) as UTF-8; a byte that is no character of the
// charset, or a character cut off at the end, becomes U+FFFD. nullopt when iconv does not know
// the charset.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const std::string& charset);

}  // namespace vfd
