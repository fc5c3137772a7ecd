// Headline feeds as real servers send them, read as feed readers read them: HTML entities,
// html-typed titles, escaped markup, encodings named only inside the document, ill-formed
// documents, and the other shapes of RSS and Atom; and the reader's safety: nothing loaded while
// parsing, deep and huge documents, no noise on stderr.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Charset.h"
#include "platform/FeedReader.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

// The headline function in mode 3 (two headlines on the glass) with the reply the test gives.
struct FeedGlassTest : ::testing::Test {
  Rig rig;
  NewsFeed& news = rig.program->hard_news();

  void SetUp() override {
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
    news.url = "http://127.0.0.1:9/feed";
    news.mode = 3;
    news.item_change_speed = 30;
  }
  // Serves `bytes` (with `content_type` as the header) to the first fetch and shows a frame.
  void Serve(const std::string& bytes, const std::string& content_type = "") {
    rig.main().cmdHardNews.Click();
    rig.loop.RunFor(1000);
    ASSERT_EQ(rig.http.forms, std::vector<HttpBody>{HttpBody::kBytes});
    rig.http.Reply(
        HttpResult{.ok = true, .status = 200, .body = bytes, .content_type = content_type});
    rig.loop.RunFor(1000);
  }
  std::string Row(int row) const { return rig.glass().Row(row); }
};

std::string Rss(const std::string& items, const std::string& head = "") {
  return head + "<rss version=\"2.0\"><channel><title>Site</title>" + items + "</channel></rss>";
}
std::string Item(const std::string& title) {
  return "<item><title>" + title + "</title><link>http://x/</link></item>";
}

TEST_F(FeedGlassTest, HtmlEntitiesShowAsTheirCharactersEvenWithTheDtdThatDeclaresThemUnread) {
  Serve(Rss(Item("It&rsquo;s caf&eacute; time") + Item("A&nbsp;&mdash;&nbsp;B&hellip;"),
            "<?xml version=\"1.0\"?>\n<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD "
            "RSS 0.91//EN\" \"http://my.netscape.com/publish/formats/rss-0.91.dtd\">\n"));
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"It\u2019s caf\u00e9 time",
                                                      "A\u00a0\u2014\u00a0B\u2026", ""}));
  EXPECT_EQ(Row(0), "It's cafe time      ");
  EXPECT_EQ(Row(1), "A - B...            ");
}

TEST_F(FeedGlassTest, AtomTitlesAreReadByTheirType) {
  Serve(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
      "<title>Blog</title>"
      "<entry><title type=\"html\"><![CDATA[Don&#8217;t panic &#8211; it&#8217;s fine]]></title>"
      "</entry>"
      "<entry><title type=\"html\">&lt;b&gt;Bold&lt;/b&gt; &amp;amp; brave</title></entry>"
      "<entry><title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">An "
      "<em>xhtml</em> title</div></title></entry>"
      "<entry><title type=\"text\">Text keeps &lt;tags&gt; &amp;amp; all</title></entry>"
      "</feed>");
  EXPECT_EQ(news.headlines,
            (std::vector<std::string>{"Don\u2019t panic \u2013 it\u2019s fine", "Bold & brave",
                                      "An xhtml title", "Text keeps <tags> &amp; all", ""}));
  EXPECT_EQ(Row(0), "Don't panic - it's f");
  EXPECT_EQ(Row(1), "Bold & brave        ");
}

TEST_F(FeedGlassTest, RssTitlesAreHtmlTextWhetherEscapedInCdataOrTwice) {
  Serve(Rss(Item("<![CDATA[Q&amp;A: <b>tips</b> &eacute;t&eacute;]]>") +
            Item("AT&amp;amp;T &amp;lt;3 Fish &amp;amp; Chips") +
            Item("&lt;b&gt;Bold&lt;/b&gt; move, 1 &lt; 2 &amp;&amp; 3 &gt; 2") +
            // Escaped once more inside CDATA, markup is text the writer meant to show.
            Item("<![CDATA[Use &lt;vector&gt;]]>")));
  EXPECT_EQ(news.headlines,
            (std::vector<std::string>{"Q&A: tips \u00e9t\u00e9", "AT&T <3 Fish & Chips",
                                      "Bold move, 1 < 2 && 3 > 2", "Use <vector>", ""}));
  EXPECT_EQ(Row(0), "Q&A: tips ete       ");
  EXPECT_EQ(Row(1), "AT&T <3 Fish & Chips");
}

TEST_F(FeedGlassTest, AnEncodingNamedOnlyInTheDeclarationIsHonoured) {
  // "Привет, мир" in windows-1251.
  Serve(Rss(Item("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"),
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"));
  EXPECT_EQ(news.headlines[0], "\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440");
  EXPECT_EQ(Row(0), "Privet, mir         ");
}

TEST_F(FeedGlassTest, AMarkAloneTellsUtf16) {
  const std::string text = "\xEF\xBB\xBF" + Rss(Item("Gr\xC3\xBC\xC3\x9F"
                                                     "e aus K\xC3\xB6ln"));
  // As UTF-16LE with its mark: each ASCII byte followed by a zero, the others by their code.
  std::u32string wide = DecodeUtf8(text.substr(3));
  std::string bytes = "\xFF\xFE";
  for (char32_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  Serve(bytes, "application/rss+xml");
  EXPECT_EQ(news.headlines[0], "Gr\u00fc\u00dfe aus K\u00f6ln");
  // The ROM has these letters: the glass shows them as the display's own codes.
  EXPECT_EQ(Row(0), rig.display().TextCodes("Gr\u00fc\u00dfe aus K\u00f6ln") + "      ");
}

TEST_F(FeedGlassTest, IllFormedDocumentsAreRecovered) {
  // A bare '&' and '<', a byte that is no UTF-8, blank lines before the declaration, and the
  // document cut off in the middle of its third item.
  Serve(
      "\n\n<?xml version=\"1.0\" encoding=\"utf-8\"?>" +
      Rss(Item("Q&A: 1 < 2 & R&D") + Item("Caf\xE9 noir") + "<item><title>Cut sho").substr(0, 200));
  ASSERT_GE(news.headlines.size(), 3u);
  EXPECT_EQ(news.headlines[0], "Q&A: 1 < 2 & R&D");
  EXPECT_EQ(news.headlines[1], "Caf\uFFFD noir");
  EXPECT_EQ(Row(0), "Q&A: 1 < 2 & R&D    ");
  EXPECT_EQ(Row(1), "Caf? noir           ");
}

TEST_F(FeedGlassTest, DublinCoreTitlesPrefixedAtomOldRssAndUpperCaseAreFound) {
  Serve(
      "<rss version=\"0.91\"><channel><title>Site</title>"
      "<item xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Only dc</dc:title></item>"
      "<item><title>Plain wins</title><dc:title xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
      "no</dc:title></item></channel><item><title>Beside the channel</title></item></rss>");
  EXPECT_EQ(news.headlines,
            (std::vector<std::string>{"Only dc", "Plain wins", "Beside the channel", ""}));
  EXPECT_EQ(Row(0), "Only dc             ");

  news.FetchHeadlines();
  rig.http.Reply({.ok = true,
                  .body = "<atom:feed xmlns:atom=\"http://www.w3.org/2005/Atom\"><atom:entry>"
                          "<atom:title>Prefixed</atom:title><media:title xmlns:media=\"m\">no"
                          "</media:title></atom:entry></atom:feed>"});
  rig.loop.RunFor(1000);
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"Prefixed", "Plain wins"}));

  news.FetchHeadlines();
  rig.http.Reply({.ok = true,
                  .body = "<RSS VERSION=\"2.0\"><CHANNEL><ITEM><TITLE>Shouted</TITLE></ITEM>"
                          "<ITEM><TITLE>Twice</TITLE></ITEM></CHANNEL></RSS>"});
  rig.loop.RunFor(1000);
  news.headline_index = 0;
  rig.loop.RunFor(1000);
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"Shouted", "Twice", ""}));
  EXPECT_EQ(Row(0), "Shouted             ");
  EXPECT_EQ(Row(1), "Twice               ");
}

TEST_F(FeedGlassTest, RdfKeepsItsExactRules) {
  // Upper-case items, a Dublin Core title and items in the channel are not RDF titles; entities
  // and escaped markup in the ones that are read as in RSS.
  Serve(
      "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
      "xmlns=\"http://purl.org/rss/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
      "<channel><item><title>Deep</title></item></channel>"
      "<ITEM><title>Loud</title></ITEM><item><dc:title>Dc</dc:title></item>"
      "<item><title>Fish &amp;amp; chips&hellip;</title></item></rdf:RDF>");
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"Fish & chips\u2026", ""}));
  EXPECT_EQ(Row(0), "Fish & chips...     ");
}

// --- the reader's safety ------------------------------------------------------------------------

struct TempFile {
  std::filesystem::path path;
  explicit TempFile(const std::string& content) {
    char name[] = "vfd-feed-XXXXXX";
    const std::filesystem::path pattern = std::filesystem::temp_directory_path() / name;
    std::string p = pattern.string();
    const int fd = mkstemp(p.data());
    if (fd >= 0) close(fd);
    path = p;
    std::ofstream(path) << content;
  }
  ~TempFile() { std::filesystem::remove(path); }
};

TEST(FeedReaderTest, NothingOnTheFileSystemIsReadWhileParsing) {
  TempFile secret("TOPSECRET");
  const std::string url = "file://" + secret.path.string();
  const std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"" + url +
                          "\" [<!ENTITY leak SYSTEM \"" + url + "\"><!ENTITY % p SYSTEM \"" + url +
                          "\"> %p;]><rss><channel><item><title>A &leak; B</title></item>"
                          "</channel></rss>";
  const FeedReading reading = ReadFeedDocument(doc, "");
  EXPECT_EQ(reading.outcome, FeedReading::Outcome::kTitles);
  EXPECT_EQ(reading.titles, std::vector<std::string>{"A B"});
}

TEST(FeedReaderTest, DeepNestingNeitherOverflowsNorLosesTheTitlesBeforeIt) {
  std::string nest;
  for (int i = 0; i < 100000; ++i)
    nest += "<b>";
  const FeedReading deep = ReadFeedDocument(Rss(Item("Before") + "<item><title>" + nest + "x"), "");
  ASSERT_FALSE(deep.titles.empty());
  EXPECT_EQ(deep.titles[0], "Before");
  // So is the markup of an html title, read by the HTML parser.
  const FeedReading html =
      ReadFeedDocument(Rss(Item("<![CDATA[" + nest + "Inside]]>") + Item("After")), "");
  ASSERT_EQ(html.titles.size(), 2u);
  EXPECT_EQ(html.titles[1], "After");
}

TEST(FeedReaderTest, TitlesOfTensOfThousandsOfNestedElementsAreReadWithoutExhaustingTheStack) {
  // 60,000 elements opened and closed again in one title, as markup, as escaped markup, as
  // CDATA, as Atom's html and xhtml: well under the size bound, far beyond any real nesting.
  std::string open, close;
  for (int i = 0; i < 60000; ++i) {
    open += "<i>";
    close += "</i>";
  }
  std::string escaped_open, escaped_close;
  for (int i = 0; i < 60000; ++i) {
    escaped_open += "&lt;i&gt;";
    escaped_close += "&lt;/i&gt;";
  }
  for (const std::string& title : {open + "x" + close, escaped_open + "x" + escaped_close,
                                   "<![CDATA[" + open + "x" + close + "]]>"}) {
    const FeedReading reading =
        ReadFeedDocument(Rss(Item("Before") + Item(title) + Item("After")), "");
    ASSERT_GE(reading.titles.size(), 1u);
    EXPECT_EQ(reading.titles.front(), "Before");
  }
  for (const std::string type : {"html", "xhtml"}) {
    const std::string body = type == "html" ? escaped_open + "x" + escaped_close
                                            : "<div xmlns=\"http://www.w3.org/1999/xhtml\">" +
                                                  open + "x" + close + "</div>";
    const std::string atom =
        "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>Before</title></entry>"
        "<entry><title type=\"" +
        type + "\">" + body + "</title></entry></feed>";
    const FeedReading reading = ReadFeedDocument(atom, "");
    ASSERT_GE(reading.titles.size(), 1u);
    EXPECT_EQ(reading.titles.front(), "Before");
  }
}

TEST(FeedReaderTest, ADocumentBeyondTheBoundIsRefusedUnread) {
  const std::string frame = Rss(Item("Fits") + "<!---->");
  std::string at_bound = frame;
  at_bound.insert(frame.find("-->"), std::string(kMaxFeedBytes - frame.size(), ' '));
  ASSERT_EQ(at_bound.size(), kMaxFeedBytes);
  EXPECT_EQ(ReadFeedDocument(at_bound, "").titles, std::vector<std::string>{"Fits"});
  at_bound.insert(frame.find("-->"), " ");
  EXPECT_EQ(ReadFeedDocument(at_bound, "").outcome, FeedReading::Outcome::kUnreadable);
}

TEST(FeedReaderTest, EntitiesThatExpandIntoEachOtherStayBounded) {
  std::string dtd = "<!DOCTYPE rss [<!ENTITY a0 \"ha\">";
  for (int i = 1; i < 10; ++i) {
    dtd += "<!ENTITY a" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k)
      dtd += "&a" + std::to_string(i - 1) + ";";
    dtd += "\">";
  }
  dtd += "]>";
  const FeedReading reading = ReadFeedDocument(dtd + Rss(Item("&a9;")), "");
  for (const std::string& t : reading.titles)
    EXPECT_LE(t.size(), 16u * 1024);
}

TEST(FeedReaderTest, ErrorsAreNeverWrittenToStderr) {
  ::testing::internal::CaptureStderr();
  ReadFeedDocument("<rss><channel><item><title>a &bogus; < & \x01</titl></item>", "");
  ReadFeedDocument(Rss(Item("<![CDATA[<p><b>unclosed <x y=>&zz;]]>")), "text/xml; charset=nope");
  ReadFeedDocument("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><rss>\x81\xFF\xFF</rss>", "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(FeedReaderTest, TheEncodingIsDecidedMarkFirstThenHeaderThenDeclaration) {
  // The declaration alone: ISO-8859-15 has the euro at 0xA4; a header's charset overrides it.
  const std::string euro = Rss(Item("\xA4 5"), "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>");
  EXPECT_EQ(ReadFeedDocument(euro, "application/rss+xml").titles[0], "\u20ac 5");
  EXPECT_EQ(ReadFeedDocument(euro, "text/xml; charset=windows-1252").titles[0], "\u00a4 5");
  // A mark beats the header.
  EXPECT_EQ(
      ReadFeedDocument("\xEF\xBB\xBF" + Rss(Item("\xE2\x82\xAC 5")), "text/xml; charset=koi8-r")
          .titles[0],
      "\u20ac 5");
  // A header claiming Latin-1 for a document that declares UTF-8 and is UTF-8 is not believed.
  EXPECT_EQ(ReadFeedDocument(Rss(Item("Caf\xC3\xA9"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
                             "text/xml; charset=ISO-8859-1")
                .titles[0],
            "Caf\u00e9");
  // East Asian encodings by their declaration: Shift_JIS, EUC-KR, GB2312, Big5.
  const auto declared = [](const char* encoding, const std::string& title) {
    return ReadFeedDocument(Rss(Item(title), std::string("<?xml version=\"1.0\" encoding=\"") +
                                                 encoding + "\"?>"),
                            "")
        .titles.at(0);
  };
  EXPECT_EQ(declared("Shift_JIS", "\x93\xFA\x96\x7B"), "\u65e5\u672c");
  EXPECT_EQ(declared("EUC-KR", "\xC7\xD1\xB1\xB9"), "\ud55c\uad6d");
  EXPECT_EQ(declared("GB2312", "\xD6\xD0\xCE\xC4"), "\u4e2d\u6587");
  EXPECT_EQ(declared("Big5", "\xA4\xA4\xA4\xE5"), "\u4e2d\u6587");
  EXPECT_EQ(declared("ISO-8859-2", "\xA3\xF3\xBF\xBC"), "\u0141\u00f3\u017c\u017a");
  // A header charset nobody knows is passed over for the declaration.
  EXPECT_EQ(ReadFeedDocument(Rss(Item("\xE9"), "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>"),
                             "text/xml; charset=x-unheard-of")
                .titles[0],
            "\u00e9");
}

TEST(FeedReaderTest, ControlCharactersAndCp1252ReferencesKeepWhatTheyMeant) {
  const FeedReading reading =
      ReadFeedDocument(Rss(Item("It&#146;s &#x1B;here\x07") + Item("&#0;&#xD800;&#1114112;")), "");
  EXPECT_EQ(reading.titles,
            (std::vector<std::string>{"It\u2019s \x1Bhere\x07", "\uFFFD\uFFFD\uFFFD"}));
}

}  // namespace
}  // namespace vfd
