#pragma once

#include <string>
#include <string_view>

namespace vfd {

// A feed's bytes as the program's text, UTF-8. The encoding is decided as feed readers decide
// it, first match wins:
//   1. a byte-order mark (UTF-8, UTF-16, UTF-32): it cannot be there by accident, and a server's
//      header cannot change what the bytes physically are;
//   2. the zero bytes of UTF-16 or UTF-32 without a mark ("<\0?\0"): no other encoding gives
//      them, so a label that says otherwise is wrong;
//   3. the charset of the HTTP Content-Type: the transport's word overrides the document's own
//      (RFC 7303), which is often left stale when a site is converted;
//   4. the encoding of the XML declaration;
//   5. UTF-8, the XML default.
// A label that cannot describe the bytes (UTF-16 for text that reads as ASCII) or that iconv
// does not know is passed over for the next. One exception to 3: a header naming Latin-1 (the
// servers' default) for a document that declares UTF-8 and is valid UTF-8 beyond ASCII is the
// classic misconfiguration, and the document is believed. Labels are read as the web reads
// them: Latin-1 and ASCII as Windows-1252, GB2312 as GB18030, Shift_JIS as Windows-31J, EUC-KR
// as Windows-949, Big5 as Big5-HKSCS (each a superset that servers send under the older name).
// Bytes that are no character of the chosen encoding become U+FFFD; the text never has a mark.
//
// Returns the text; `storage` holds it when the bytes could not be used as they are.
std::string_view FeedTextOf(std::string_view bytes, std::string_view content_type,
                            std::string& storage);

// The charset parameter of a Content-Type header, in lower case; empty when there is none.
std::string CharsetOfContentType(std::string_view content_type);

}  // namespace vfd
