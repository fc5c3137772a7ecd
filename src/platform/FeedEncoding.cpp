#include "platform/FeedEncoding.h"

#include <array>
#include <cctype>
#include <optional>
#include <utility>

#include "core/Charset.h"
#include "platform/TextEncodings.h"

namespace vfd {
namespace {

std::string Lower(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsSpace(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back()))
    s.remove_suffix(1);
  return s;
}

// What the bytes themselves say: a mark (and its length), or the zero-byte pattern of a wide
// encoding round the document's first '<'.
struct Sniffed {
  const char* charset = nullptr;  // nullptr: nothing certain
  size_t mark_length = 0;
};

Sniffed Sniff(std::string_view b) {
  const auto starts = [&](std::string_view prefix) { return b.starts_with(prefix); };
  using namespace std::string_view_literals;
  // UTF-32LE's mark begins like UTF-16LE's, so it is looked for first.
  if (starts("\xEF\xBB\xBF"sv)) return {"UTF-8", 3};
  if (starts("\x00\x00\xFE\xFF"sv)) return {"UTF-32BE", 4};
  if (starts("\xFF\xFE\x00\x00"sv)) return {"UTF-32LE", 4};
  if (starts("\xFE\xFF"sv)) return {"UTF-16BE", 2};
  if (starts("\xFF\xFE"sv)) return {"UTF-16LE", 2};
  if (starts("\x00\x00\x00\x3C"sv)) return {"UTF-32BE", 0};
  if (starts("\x3C\x00\x00\x00"sv)) return {"UTF-32LE", 0};
  if (b.size() >= 4 && b[0] == 0 && b[1] != 0 && b[2] == 0 && b[3] != 0) return {"UTF-16BE", 0};
  if (b.size() >= 4 && b[0] != 0 && b[1] == 0 && b[2] != 0 && b[3] == 0) return {"UTF-16LE", 0};
  return {};
}

// The encoding named by `<?xml ... encoding="..."?>` at the start of ASCII-compatible bytes.
std::string DeclaredEncoding(std::string_view b) {
  // Blank lines before the declaration are a common slip of the scripts that write feeds.
  while (!b.empty() && IsSpace(b.front()))
    b.remove_prefix(1);
  if (!b.starts_with("<?xml")) return {};
  const size_t end = b.substr(0, 1024).find("?>");
  if (end == std::string_view::npos) return {};
  const std::string_view decl = b.substr(0, end);
  const size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return {};
  size_t i = at + 8;
  while (i < decl.size() && IsSpace(decl[i]))
    ++i;
  if (i >= decl.size() || decl[i] != '=') return {};
  ++i;
  while (i < decl.size() && IsSpace(decl[i]))
    ++i;
  if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return {};
  const char quote = decl[i++];
  const size_t close = decl.find(quote, i);
  if (close == std::string_view::npos) return {};
  return Lower(Trimmed(decl.substr(i, close - i)));
}

enum class Kind { kUtf8, kWindows1252, kWide, kOther };

struct Label {
  Kind kind;
  std::string iconv_name;
};

Label Classify(const std::string& name) {
  static const std::array<std::pair<const char*, const char*>, 24> kSupersets{{
      {"gb2312", "GB18030"},      {"gbk", "GB18030"},          {"x-gbk", "GB18030"},
      {"euc-cn", "GB18030"},      {"gb_2312-80", "GB18030"},   {"shift_jis", "CP932"},
      {"shift-jis", "CP932"},     {"sjis", "CP932"},           {"x-sjis", "CP932"},
      {"ms_kanji", "CP932"},      {"windows-31j", "CP932"},    {"csshiftjis", "CP932"},
      {"euc-kr", "CP949"},        {"ks_c_5601-1987", "CP949"}, {"windows-949", "CP949"},
      {"cseuckr", "CP949"},       {"big5", "BIG5-HKSCS"},      {"x-x-big5", "BIG5-HKSCS"},
      {"cn-big5", "BIG5-HKSCS"},  {"csbig5", "BIG5-HKSCS"},    {"iso-8859-9", "WINDOWS-1254"},
      {"latin5", "WINDOWS-1254"}, {"tis-620", "WINDOWS-874"},  {"iso-8859-11", "WINDOWS-874"},
  }};
  if (name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8") return {Kind::kUtf8, {}};
  if (name == "iso-8859-1" || name == "iso8859-1" || name == "iso_8859-1" || name == "latin1" ||
      name == "latin-1" || name == "l1" || name == "us-ascii" || name == "ascii" ||
      name == "windows-1252" || name == "cp1252" || name == "x-cp1252")
    return {Kind::kWindows1252, {}};
  if (name.starts_with("utf-16") || name.starts_with("utf-32") || name.starts_with("ucs-") ||
      name == "unicode" || name == "utf16" || name == "utf32")
    return {Kind::kWide, {}};
  for (const auto& [label, superset] : kSupersets) {
    if (name == label) return {Kind::kOther, superset};
  }
  return {Kind::kOther, name};
}

std::string_view Utf8Text(std::string_view bytes, std::string& storage) {
  if (IsUtf8(bytes)) return bytes;
  storage = EncodeUtf8(DecodeUtf8(bytes));
  return storage;
}

}  // namespace

std::string CharsetOfContentType(std::string_view content_type) {
  const std::string lower = Lower(content_type);
  size_t at = 0;
  while ((at = lower.find("charset", at)) != std::string::npos) {
    size_t i = at + 7;
    at = i;
    while (i < lower.size() && IsSpace(lower[i]))
      ++i;
    if (i >= lower.size() || lower[i] != '=') continue;
    ++i;
    while (i < lower.size() && IsSpace(lower[i]))
      ++i;
    std::string charset;
    for (; i < lower.size() && lower[i] != ';' && !IsSpace(lower[i]); ++i) {
      if (lower[i] != '"' && lower[i] != '\'') charset.push_back(lower[i]);
    }
    return charset;
  }
  return {};
}

namespace {

std::string_view DecodedFeed(std::string_view bytes, std::string_view content_type,
                             std::string& storage) {
  const Sniffed sniffed = Sniff(bytes);
  if (sniffed.charset != nullptr) {
    const std::string_view rest = bytes.substr(sniffed.mark_length);
    if (std::string_view(sniffed.charset) == "UTF-8") return Utf8Text(rest, storage);
    if (std::optional<std::string> text = ConvertToUtf8(rest, sniffed.charset)) {
      storage = std::move(*text);
      return storage;
    }
  }
  const std::string http = CharsetOfContentType(content_type);
  const std::string declared = DeclaredEncoding(bytes);
  for (const std::string* label_name : {&http, &declared}) {
    const std::string& name = *label_name;
    if (name.empty()) continue;
    const Label label = Classify(name);
    switch (label.kind) {
      case Kind::kUtf8:
        return Utf8Text(bytes, storage);
      case Kind::kWindows1252:
        if (label_name == &http && Classify(declared).kind == Kind::kUtf8 &&
            IsUtf8BeyondAscii(bytes))
          return bytes;
        storage = Cp1252ToUtf8(bytes);
        return storage;
      case Kind::kWide:
        // The bytes read as ASCII here, so they are no UTF-16 or UTF-32, whatever the label says.
        continue;
      case Kind::kOther:
        if (std::optional<std::string> text = ConvertToUtf8(bytes, label.iconv_name)) {
          storage = std::move(*text);
          return storage;
        }
        continue;
    }
  }
  return Utf8Text(bytes, storage);
}

}  // namespace

std::string_view FeedTextOf(std::string_view bytes, std::string_view content_type,
                            std::string& storage) {
  std::string_view text = DecodedFeed(bytes, content_type, storage);
  // Marks the decoding kept (more than one, or one the encoding reads itself) go too: the text
  // starts with the document.
  while (text.starts_with("\xEF\xBB\xBF"))
    text.remove_prefix(3);
  return text;
}

}  // namespace vfd
