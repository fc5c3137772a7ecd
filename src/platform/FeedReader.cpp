#include "platform/FeedReader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/Charset.h"
#include "platform/FeedEncoding.h"

namespace vfd {
namespace {

// A title is a line of a small display: more text than this is never shown, and the bound keeps
// a title made of entity references that expand into each other from growing without end.
constexpr size_t kMaxTitleBytes = 16 * 1024;
constexpr size_t kMaxTitleNodes = 100000;

// Control characters are not allowed in XML, so libxml2 drops them; the glass shows them as
// blanks, as it always has. They cross the parser as private-use characters of the last plane,
// which no feed uses, and become themselves again in the titles.
constexpr char32_t kControlStandIn = 0x10FF00;

constexpr int kXmlOptions = XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR |
                            XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;
constexpr int kHtmlOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                             HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NODEFDTD;

void SilentStructured(void*, xmlErrorPtr) {}
void SilentGeneric(void*, const char*, ...) {}

// libxml2 reads external entities and DTDs through one process-wide loader. Nothing in this
// program ever wants it to read anything but the memory it is handed, so the loader refuses
// every request: a feed cannot make the program fetch a URL or read a local file.
xmlParserInputPtr RefuseToLoad(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

void InitialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseToLoad);
  });
}

// Reports libxml2 makes without a parser context (from its encoding and buffer code) go to the
// thread's own handlers; for the time of one reading they go nowhere instead of to stderr.
class QuietErrors {
 public:
  QuietErrors()
      : generic_(xmlGenericError),
        generic_context_(xmlGenericErrorContext),
        structured_(xmlStructuredError),
        structured_context_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, SilentGeneric);
    xmlSetStructuredErrorFunc(nullptr, SilentStructured);
  }
  ~QuietErrors() {
    xmlSetGenericErrorFunc(generic_context_, generic_);
    xmlSetStructuredErrorFunc(structured_context_, structured_);
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* generic_context_;
  xmlStructuredErrorFunc structured_;
  void* structured_context_;
};

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
struct XmlContextFree {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct HtmlContextFree {
  void operator()(xmlParserCtxt* ctxt) const { htmlFreeParserCtxt(ctxt); }
};

// --- mending ----------------------------------------------------------------------------------

// Copies `in` to `storage` only from the first change on, so a document that needs no mending is
// never copied.
class Rewriter {
 public:
  Rewriter(std::string_view in, std::string& storage) : in_(in), out_(storage) {}
  void Replace(size_t from, size_t to, std::string_view with) {
    if (!changed_) {
      out_.clear();
      out_.reserve(in_.size() + in_.size() / 8 + 16);
      changed_ = true;
    }
    out_.append(in_.substr(done_, from - done_));
    out_.append(with);
    done_ = to;
  }
  std::string_view Finish() {
    if (!changed_) return in_;
    out_.append(in_.substr(done_));
    return out_;
  }

 private:
  std::string_view in_;
  std::string& out_;
  size_t done_ = 0;
  bool changed_ = false;
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsXmlChar(uint32_t v) {
  return v == 0x9 || v == 0xA || v == 0xD || (v >= 0x20 && v <= 0xD7FF) ||
         (v >= 0xE000 && v <= 0xFFFD) || (v >= 0x10000 && v <= 0x10FFFF);
}

std::string Utf8Of(char32_t cp) {
  std::string s;
  AppendUtf8(s, cp);
  return s;
}

// What stands for a character XML cannot hold: a control's stand-in, else U+FFFD.
std::string InPlaceOf(uint32_t v) {
  return v >= 0x01 && v < 0x20 ? Utf8Of(kControlStandIn + v) : Utf8Of(0xFFFD);
}

bool IsNameStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80;
}

// Where the DOCTYPE that starts at `at` ends, and the general entities its internal subset
// declares: those are the document's own and are left to the parser.
size_t DoctypeEnd(std::string_view in, size_t at, std::set<std::string, std::less<>>& declared) {
  size_t i = at + 9;
  char quote = 0;
  bool subset = false;
  while (i < in.size()) {
    const char c = in[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (subset && in.compare(i, 4, "<!--") == 0) {
      const size_t end = in.find("-->", i + 4);
      if (end == std::string_view::npos) return in.size();
      i = end + 3;
      continue;
    } else if (subset && in.compare(i, 8, "<!ENTITY") == 0) {
      size_t j = i + 8;
      while (j < in.size() && std::isspace(static_cast<unsigned char>(in[j])))
        ++j;
      const size_t name_start = j;
      while (j < in.size() && !std::isspace(static_cast<unsigned char>(in[j])) && in[j] != '%' &&
             in[j] != '"' && in[j] != '\'' && in[j] != '>')
        ++j;
      if (j > name_start) declared.emplace(in.substr(name_start, j - name_start));
      i = j;
      continue;
    } else if (c == '[') {
      subset = true;
    } else if (c == ']') {
      subset = false;
    } else if (c == '>' && !subset) {
      return i + 1;
    }
    ++i;
  }
  return in.size();
}

// Makes a web feed something an XML parser reads as its writer meant it, as feed readers do:
// HTML's named entities (which XML does not define; the DTDs that do are never loaded) become
// character references; an '&' or a '<' that starts nothing becomes text; characters XML cannot
// hold become stand-ins; whatever precedes the first '<' goes. Comments, CDATA sections,
// processing instructions and the DOCTYPE are left as they are.
std::string_view MendMarkup(std::string_view in, std::string& storage) {
  const size_t first = in.find('<');
  if (first == std::string_view::npos) return in;
  in.remove_prefix(first);
  Rewriter w(in, storage);
  std::set<std::string, std::less<>> declared;
  const size_t n = in.size();
  // Inside the regions left as they are, only the characters XML cannot hold are replaced.
  const auto mend_characters = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      const auto c = static_cast<unsigned char>(in[i]);
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
        w.Replace(i, i + 1, InPlaceOf(c));
      } else if (c == 0xEF && i + 2 < n && in[i + 1] == '\xBF' &&
                 (in[i + 2] == '\xBE' || in[i + 2] == '\xBF')) {
        w.Replace(i, i + 3, Utf8Of(0xFFFD));
        i += 2;
      }
    }
  };
  const auto region = [&](size_t i, size_t skip, std::string_view close) {
    const size_t end = in.find(close, i + skip);
    const size_t to = end == std::string_view::npos ? n : end + close.size();
    mend_characters(i, to);
    return to;
  };
  size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c == '<') {
      if (in.compare(i, 4, "<!--") == 0) {
        i = region(i, 4, "-->");
      } else if (in.compare(i, 9, "<![CDATA[") == 0) {
        i = region(i, 9, "]]>");
      } else if (in.compare(i, 2, "<?") == 0) {
        i = region(i, 2, "?>");
      } else if (in.compare(i, 9, "<!DOCTYPE") == 0) {
        const size_t end = DoctypeEnd(in, i, declared);
        mend_characters(i, end);
        i = end;
      } else {
        const unsigned char next = i + 1 < n ? static_cast<unsigned char>(in[i + 1]) : 0;
        if (!IsNameStart(next) && next != '/' && next != '!') w.Replace(i, i + 1, "&lt;");
        ++i;
      }
      continue;
    }
    if (c == '&') {
      size_t j = i + 1;
      if (j < n && in[j] == '#') {
        ++j;
        const bool hex = j < n && (in[j] == 'x' || in[j] == 'X');
        if (hex) ++j;
        const size_t digits = j;
        uint32_t value = 0;
        while (j < n && (hex ? std::isxdigit(static_cast<unsigned char>(in[j]))
                             : std::isdigit(static_cast<unsigned char>(in[j])))) {
          const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(in[j])));
          value =
              value * (hex ? 16 : 10) + static_cast<uint32_t>(d <= '9' ? d - '0' : d - 'a' + 10);
          if (value > 0x10FFFF) value = 0x110000;  // stays out of range, never wraps
          ++j;
        }
        if (j == digits) {
          w.Replace(i, i + 1, "&amp;");
          ++i;
          continue;
        }
        const bool semicolon = j < n && in[j] == ';';
        const size_t end = semicolon ? j + 1 : j;
        if (!IsXmlChar(value)) {
          w.Replace(i, end, InPlaceOf(value));
        } else if (!semicolon) {
          // HTML reads a reference without its semicolon; so do feed readers.
          w.Replace(i, end, "&#" + std::to_string(value) + ";");
        }
        i = end;
        continue;
      }
      while (j < n && j - i <= 32 && std::isalnum(static_cast<unsigned char>(in[j])))
        ++j;
      if (j == i + 1 || j >= n || in[j] != ';' ||
          !std::isalpha(static_cast<unsigned char>(in[i + 1]))) {
        w.Replace(i, i + 1, "&amp;");
        ++i;
        continue;
      }
      const std::string name(in.substr(i + 1, j - i - 1));
      const bool predefined =
          name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
      if (!predefined && !declared.contains(name)) {
        const htmlEntityDesc* entity =
            htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str()));
        if (entity == nullptr && (name == "AMP" || name == "LT" || name == "GT" || name == "QUOT"))
          entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(Lower(name).c_str()));
        if (entity != nullptr) {
          w.Replace(i, j + 1, "&#" + std::to_string(entity->value) + ";");
        } else {
          // An entity nobody defines shows as written.
          w.Replace(i, i + 1, "&amp;");
        }
      }
      i = j + 1;
      continue;
    }
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xEF) {
      mend_characters(i, i + 1);
      if (c == 0xEF && i + 2 < n && in[i + 1] == '\xBF') i += 2;
    }
    ++i;
  }
  return w.Finish();
}

// --- names --------------------------------------------------------------------------------------

std::string_view NameOf(const xmlNode* node) {
  return reinterpret_cast<const char*>(node->name);
}

// The name without its prefix. An undeclared prefix (which recovery keeps as part of the name)
// goes too, so `<atom:feed>` is a feed whether or not its writer declared the namespace.
std::string_view LocalName(const xmlNode* node) {
  std::string_view name = NameOf(node);
  if (node->ns == nullptr) {
    if (const size_t colon = name.rfind(':'); colon != std::string_view::npos)
      name.remove_prefix(colon + 1);
  }
  return name;
}

// The name as written in the document, prefix and all.
std::string QualifiedName(const xmlNode* node) {
  std::string name;
  if (node->ns != nullptr && node->ns->prefix != nullptr)
    name = std::string(reinterpret_cast<const char*>(node->ns->prefix)) + ":";
  return name + std::string(NameOf(node));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Feed readers read RSS and Atom names whatever their case.
bool LocalNameIs(const xmlNode* node, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && EqualsIgnoringCase(LocalName(node), name);
}

// The element's namespace: its URI, or an undeclared prefix as written; empty for none.
std::string SpaceOf(const xmlNode* node) {
  if (node->ns != nullptr && node->ns->href != nullptr)
    return reinterpret_cast<const char*>(node->ns->href);
  const std::string_view name = NameOf(node);
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

bool IsDublinCore(const xmlNode* node) {
  const std::string space = SpaceOf(node);
  return space == "http://purl.org/dc/elements/1.1/" || EqualsIgnoringCase(space, "dc:");
}

std::string AttributeOf(const xmlNode* node, const char* name) {
  xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
  if (value == nullptr) return {};
  std::string out = Lower(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return out;
}

// --- text ---------------------------------------------------------------------------------------

// Elements whose edges part words when markup becomes one line.
bool PartsWords(std::string_view name) {
  static const std::set<std::string_view> kParting{
      "br", "p", "div", "li", "tr", "td", "h1", "h2", "h3", "h4", "h5", "h6", "hr", "blockquote"};
  return kParting.contains(name);
}

// The text under `top`, nested markup and entity references included, scripts and styles left
// out. The walk keeps its own stack, so no depth of nesting can exhaust the thread's.
void AppendTextUnder(const xmlNode* top, std::string& out) {
  std::vector<const xmlNode*> resume;
  const xmlNode* node = top->children;
  size_t visited = 0;
  while (out.size() < kMaxTitleBytes && visited < kMaxTitleNodes) {
    if (node == nullptr) {
      if (resume.empty()) break;
      node = resume.back();
      resume.pop_back();
      continue;
    }
    ++visited;
    const xmlNode* next = node->next;
    switch (node->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        if (node->content != nullptr) out += reinterpret_cast<const char*>(node->content);
        break;
      case XML_ELEMENT_NODE: {
        const std::string_view name = LocalName(node);
        if (EqualsIgnoringCase(name, "script") || EqualsIgnoringCase(name, "style")) break;
        if (PartsWords(Lower(name))) out += ' ';
        resume.push_back(next);
        next = node->children;
        break;
      }
      case XML_ENTITY_REF_NODE:
        // The reference's child is the entity's declaration, whose children are its text (none
        // for an external entity, which is never loaded).
        if (node->children != nullptr && node->children->type == XML_ENTITY_DECL) {
          resume.push_back(next);
          next = node->children->children;
        }
        break;
      default:
        break;
    }
    node = next;
  }
  if (out.size() > kMaxTitleBytes) {
    size_t cut = kMaxTitleBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
      --cut;
    out.resize(cut);
  }
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Text as a display line: runs of white space one blank, none at the ends; stand-ins their
// controls again; C1 controls, which in feeds are always Windows-1252 text read as Latin-1 (a
// reference such as &#146;), the characters they were meant as.
std::string DisplayText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  bool blank = false;
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (IsBlank(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out.push_back(' ');
    blank = false;
    const auto b1 = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
    if (c == '\xF4' && i + 3 < raw.size() && raw[i + 1] == '\x8F' && raw[i + 2] == '\xBC' &&
        static_cast<unsigned char>(raw[i + 3]) >= 0x80 &&
        static_cast<unsigned char>(raw[i + 3]) < 0xA0) {
      out.push_back(static_cast<char>(static_cast<unsigned char>(raw[i + 3]) - 0x80));
      i += 3;
    } else if (c == '\xC2' && b1 >= 0x80 && b1 < 0xA0) {
      out += Cp1252ToUtf8(std::string(1, static_cast<char>(b1)));
      i += 1;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Whether text may hold markup or references that an HTML reading would change.
bool MayHoldMarkup(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') return true;
    if (text[i] == '&' && i + 1 < text.size() &&
        (std::isalpha(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '#'))
      return true;
  }
  return false;
}

// Reads text as HTML, as a browser would show it: entities decoded, markup gone.
class HtmlText {
 public:
  HtmlText() : ctxt_(htmlNewParserCtxt()) {}
  std::string Of(std::string text) {
    if (!MayHoldMarkup(text) || !ctxt_) return text;
    // The HTML parser's errors come without a structured handler of the context's own (its SAX
    // table is not of the SAX2 kind); the thread's silent ones take them.
    DocPtr doc(htmlCtxtReadMemory(ctxt_.get(), text.data(), static_cast<int>(text.size()), nullptr,
                                  "UTF-8", kHtmlOptions));
    if (!doc) return text;
    std::string out;
    AppendTextUnder(reinterpret_cast<const xmlNode*>(doc.get()), out);
    return out;
  }

 private:
  std::unique_ptr<xmlParserCtxt, HtmlContextFree> ctxt_;
};

enum class TitleType { kText, kHtml };

// The title of one item or entry: the first `title` of the item's own namespace (or of none),
// else the first Dublin Core title.
const xmlNode* TitleOf(const xmlNode* item) {
  const std::string item_space = SpaceOf(item);
  const xmlNode* dc = nullptr;
  for (const xmlNode* part = item->children; part != nullptr; part = part->next) {
    if (!LocalNameIs(part, "title")) continue;
    if (IsDublinCore(part)) {
      if (dc == nullptr) dc = part;
      continue;
    }
    const std::string space = SpaceOf(part);
    if (space.empty() || space == item_space) return part;
  }
  return dc;
}

// Atom says how its titles are written; RSS does not, and feed readers read RSS titles as HTML,
// since that is what their writers put there.
TitleType TypeOfAtomTitle(const xmlNode* title) {
  const std::string type = AttributeOf(title, "type");
  if (type == "html" || type == "text/html") return TitleType::kHtml;
  // Atom 0.3: escaped markup.
  if (AttributeOf(title, "mode") == "escaped" && type != "text" && type != "text/plain")
    return TitleType::kHtml;
  // text, and xhtml: the text of its div.
  return TitleType::kText;
}

std::string TitleText(const xmlNode* title, TitleType type, HtmlText& html) {
  std::string raw;
  AppendTextUnder(title, raw);
  if (type == TitleType::kHtml) raw = html.Of(std::move(raw));
  return DisplayText(raw);
}

enum class Part { kElement, kPassOver, kNotAnElement };

// What an RDF walk makes of a node among the items. Blank text, comments and processing
// instructions are passed over; other text, CDATA and references are what the walk cannot take.
Part PartOf(const xmlNode* node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
      return Part::kElement;
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return Part::kPassOver;
    case XML_TEXT_NODE:
      for (const xmlChar* c = node->content; c != nullptr && *c != 0; ++c) {
        if (!IsBlank(static_cast<char>(*c))) return Part::kNotAnElement;
      }
      return Part::kPassOver;
    default:
      return Part::kNotAnElement;
  }
}

// RDF, by the fixed rules: items are the root's own children named exactly `item`, titles their
// children named exactly `title`.
bool ReadRdf(const xmlNode* root, HtmlText& html, std::vector<std::string>& titles) {
  for (const xmlNode* item = root->children; item != nullptr; item = item->next) {
    const Part part = PartOf(item);
    if (part == Part::kNotAnElement) return false;
    if (part == Part::kPassOver || QualifiedName(item) != "item") continue;
    for (const xmlNode* child = item->children; child != nullptr; child = child->next) {
      const Part inner = PartOf(child);
      if (inner == Part::kNotAnElement) return false;
      if (inner == Part::kElement && QualifiedName(child) == "title")
        titles.push_back(TitleText(child, TitleType::kHtml, html));
    }
  }
  return true;
}

void TakeItem(const xmlNode* item, bool atom, HtmlText& html, std::vector<std::string>& titles) {
  const xmlNode* title = TitleOf(item);
  if (title == nullptr) return;
  const TitleType type = atom ? TypeOfAtomTitle(title) : TitleType::kHtml;
  titles.push_back(TitleText(title, type, html));
}

}  // namespace

FeedReading ReadFeedDocument(std::string_view bytes, std::string_view content_type) {
  FeedReading reading;
  if (bytes.size() > kMaxFeedBytes) return reading;
  InitialiseOnce();
  QuietErrors quiet;

  DocPtr doc;
  {
    std::string decoded;
    std::string mended;
    std::string_view text = FeedTextOf(bytes, content_type, decoded);
    text = MendMarkup(text, mended);
    if (text.empty()) return reading;
    std::unique_ptr<xmlParserCtxt, XmlContextFree> ctxt(xmlNewParserCtxt());
    if (!ctxt) return reading;
    ctxt->sax->serror = SilentStructured;
    // The text is UTF-8 now, whatever the declaration still says.
    doc.reset(xmlCtxtReadMemory(ctxt.get(), text.data(), static_cast<int>(text.size()), nullptr,
                                "UTF-8", kXmlOptions));
  }
  const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return reading;

  reading.outcome = FeedReading::Outcome::kTitles;
  HtmlText html;
  if (LocalNameIs(root, "rss")) {
    // RSS 0.9x put items beside the channel as well as in it.
    for (const xmlNode* child = root->children; child != nullptr; child = child->next) {
      if (LocalNameIs(child, "item")) {
        TakeItem(child, false, html, reading.titles);
      } else if (LocalNameIs(child, "channel")) {
        for (const xmlNode* item = child->children; item != nullptr; item = item->next) {
          if (LocalNameIs(item, "item")) TakeItem(item, false, html, reading.titles);
        }
      }
    }
  } else if (LocalNameIs(root, "feed")) {
    for (const xmlNode* entry = root->children; entry != nullptr; entry = entry->next) {
      if (LocalNameIs(entry, "entry")) TakeItem(entry, true, html, reading.titles);
    }
  } else if (LocalName(root) == "RDF") {
    if (!ReadRdf(root, html, reading.titles)) {
      reading.outcome = FeedReading::Outcome::kWalkFailed;
      reading.titles.clear();
    }
  } else {
    // Not a feed: most often a web page in its place (a portal, an error page), which recovery
    // reads as a document. It must not cost the titles already shown.
    reading.outcome = FeedReading::Outcome::kUnreadable;
  }
  return reading;
}

}  // namespace vfd
