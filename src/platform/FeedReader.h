#pragma once

#include <cstddef>
#include <string_view>

#include "core/WebDocuments.h"

namespace vfd {

// Documents beyond this are refused unread: four times the largest feed the HTTP backend
// accepts, and far beyond any headline feed, so that no source of bytes can make one reading
// take unbounded memory or time.
inline constexpr size_t kMaxFeedBytes = size_t{4} << 20;

// A headline feed read as feed readers read one, through libxml2: the encoding decided from the
// bytes, the header and the declaration (FeedEncoding.h); HTML's named entities known even where
// the document does not declare them; ill-formed documents mended and recovered; RSS titles and
// Atom titles of type html read as HTML text. Nothing is ever loaded from the network or the
// file system while reading, whatever the document refers to.
FeedReading ReadFeedDocument(std::string_view bytes, std::string_view content_type);

}  // namespace vfd
