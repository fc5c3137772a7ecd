// What the displays show of the world's text: each model's character set, the one path from
// Unicode text to a display's codes, and every source's text reaching the glass through it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Charset.h"
#include "display/CharacterSet.h"
#include "platform/IcuTransliterator.h"
#include "shell/SettingsFile.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

constexpr CharsetChoice kChoices[] = {CharsetChoice::kJapanese, CharsetChoice::kEuropean};

// Text from every corner of the world, and what each ROM shows of it.
const char kProbe[] = "Café über Straße Öl 21°C “smart” – … € Москва Łódź カラオケ 東京 😀";
const char kProbeJapanese[] = "Cafe über Straβe Ol 21ﾟC \"smart\" - ... EUR Moskva Lodz ｶﾗｵｹ ?? ?";
const char kProbeEuropean[] = "Café über Strasse Ol 21ﾟC \"smart\" - ... EUR Moskva Lódz ｶﾗｵｹ ?? ?";

// The first `n` characters of UTF-8 text, padded with blanks.
std::string FirstCharacters(std::string_view text, size_t n, size_t from = 0) {
  std::u32string chars = DecodeUtf8(text);
  chars = from < chars.size() ? chars.substr(from, n) : std::u32string();
  chars.resize(n, U' ');
  return EncodeUtf8(chars);
}

std::string Map(int16_t model, CharsetChoice choice, std::string_view text) {
  static IcuTransliterator scripts;
  const CharacterSet set = CharacterSet::ForModel(model, choice);
  TextMapper mapper(set, scripts);
  return set.PictureOf(mapper.Map(text));
}

TEST(CharacterSetTest, EveryRomHoldsAsciiAndKatakanaAndNoModelOffersItsCommandsOrGlyphs) {
  for (int16_t model = 1; model <= 5; ++model) {
    for (CharsetChoice choice : kChoices) {
      SCOPED_TRACE("model " + std::to_string(model) + " " + std::string(CharsetName(choice)));
      const CharacterSet set = CharacterSet::ForModel(model, choice);
      for (int code = 0; code < 0x20; ++code)
        EXPECT_EQ(set.Shows(static_cast<uint8_t>(code)), 0u) << code;
      for (int code = 0xA1; code <= 0xDF; ++code)
        EXPECT_EQ(set.Shows(static_cast<uint8_t>(code)), 0xFF61u + (code - 0xA1));
      // Every character the glass shows is found again, at a code that shows it.
      for (int code = 0; code < 256; ++code) {
        const char32_t c = set.Shows(static_cast<uint8_t>(code));
        if (c == 0) continue;
        const std::optional<uint8_t> back = set.CodeOf(c);
        ASSERT_TRUE(back) << code;
        EXPECT_EQ(set.Shows(*back), c);
      }
      const bool orbital = model == kModelOrbital2x20 || model == kModelOrbital4x20;
      if (orbital) {
        EXPECT_EQ(set.Shows(0xFE), 0u);
      }
    }
  }
  const CharacterSet iee = CharacterSet::ForModel(kModelIeeSerial, CharsetChoice::kJapanese);
  for (int code = 0xF6; code <= 0xFF; ++code) {
    EXPECT_TRUE(iee.IsUserGlyph(static_cast<uint8_t>(code)));
    EXPECT_EQ(iee.Shows(static_cast<uint8_t>(code)), 0u);
  }
  EXPECT_TRUE(
      CharacterSet::ForModel(kModelIeeParallel, CharsetChoice::kJapanese).IsUserGlyph(0xFE));
  const CharacterSet japanese = CharacterSet::ForModel(kModelNoritake, CharsetChoice::kJapanese);
  EXPECT_EQ(japanese.Shows(0x5C), U'¥');
  EXPECT_EQ(japanese.Shows(0x7E), U'→');
  EXPECT_EQ(japanese.Shows(0xE2), U'β');
  EXPECT_EQ(japanese.Shows(0xFF), U'█');
  const CharacterSet european = CharacterSet::ForModel(kModelNoritake, CharsetChoice::kEuropean);
  EXPECT_EQ(european.Shows(0x5C), U'\\');
  EXPECT_EQ(european.Shows(0xFC), U'ü');
  EXPECT_EQ(european.Shows(0xFE), U'þ');
}

TEST(TextMapperTest, TheProbeBecomesWhatEachRomShowsBest) {
  EXPECT_EQ(Map(kModelOrbital2x20, CharsetChoice::kJapanese, kProbe), kProbeJapanese);
  EXPECT_EQ(Map(kModelOrbital2x20, CharsetChoice::kEuropean, kProbe), kProbeEuropean);
  // The IEE serial display's ü is a user glyph cell in its European ROM.
  EXPECT_EQ(Map(kModelIeeSerial, CharsetChoice::kEuropean, "über"), "uber");
}

TEST(TextMapperTest, SignsScriptsAndKanaTakeTheirNearestForms) {
  const auto j = [](std::string_view text) {
    return Map(kModelOrbital2x20, CharsetChoice::kJapanese, text);
  };
  // The Japanese ROM has neither backslash nor tilde in ASCII's places.
  EXPECT_EQ(j("a\\b~c ¥"), "a?b-c ¥");
  // Controls are blanks; joiners, marks of direction and skin tones take no room.
  EXPECT_EQ(j("a\tb\nc\x7F"
              "d"),
            "a b c d");
  EXPECT_EQ(j("x\u200By\u200Ez 👍🏽!"), "xyz ?!");
  // A broken byte is one '?'; a letter written with a combining accent is one letter.
  EXPECT_EQ(j("a\xFF"
              "b e\u0301t\u00e9"),
            "a?b ete");
  EXPECT_EQ(j("Ｈｅｌｌｏ　ＶＦＤ"), "Hello VFD");
  // A word of Greek letters the ROM has stays Greek; one it lacks letters of is read in Latin.
  EXPECT_EQ(j("μα Αθήνα"), "μα Athina");
  EXPECT_EQ(j("Щука Київ"), "Shchuka Kiiv");
  // Kana as the ROM's half-width katakana, voiced ones in two cells; kanji beside kana cannot be
  // read, kanji alone are read as Chinese.
  EXPECT_EQ(j("ガンダム きょう"), "ｶﾞﾝﾀﾞﾑ ｷｮｳ");
  EXPECT_EQ(j("東京タワー"), "??ﾀﾜｰ");
  EXPECT_EQ(j("北京"), "bei jing");
  EXPECT_EQ(j("1万円"), "1万円");
  EXPECT_EQ(j("½ © ™ «x» •"), "1/2 (C) TM <<x>> ･");
  // Without the transliteration backend only what the ROM or the sign table has shows.
  const CharacterSet set = CharacterSet::ForModel(kModelOrbital2x20, CharsetChoice::kJapanese);
  TextMapper bare(set, NoTransliterator::Instance());
  EXPECT_EQ(set.PictureOf(bare.Map("über Moskau Москва €")), "über Moskau ?????? EUR");
}

TEST(TextMapperTest, NoTextEverYieldsACodeThatShowsNoCharacter) {
  IcuTransliterator scripts;
  // The whole Basic Multilingual Plane and the emoji, in runs of 64, so that letters of one
  // script make words as they do in text.
  std::vector<std::string> texts;
  for (char32_t start = 0; start < 0x10000; start += 64) {
    std::u32string run;
    for (char32_t c = start; c < start + 64; ++c)
      if (c < 0xD800 || c > 0xDFFF) run.push_back(c);
    texts.push_back(EncodeUtf8(run));
  }
  texts.push_back("\U0001F600\U0001F44D\U0001F3FD\U00020000\U0001D400");
  for (int16_t model = 1; model <= 5; ++model) {
    for (CharsetChoice choice : kChoices) {
      const CharacterSet set = CharacterSet::ForModel(model, choice);
      TextMapper mapper(set, scripts);
      for (const std::string& text : texts) {
        for (char code : mapper.Map(text)) {
          ASSERT_NE(set.Shows(static_cast<uint8_t>(code)), 0u)
              << "model " << model << " code " << (static_cast<int>(code) & 0xFF) << " from "
              << text;
        }
      }
    }
  }
}

TEST(TextMapperTest, RepeatedTextsComeFromTheCacheAndANewRomForgetsThem) {
  IcuTransliterator scripts;
  CharacterSet set = CharacterSet::ForModel(kModelNoritake, CharsetChoice::kJapanese);
  TextMapper mapper(set, scripts);
  const std::string first = mapper.Map("Grüße aus Köln");
  EXPECT_EQ(mapper.Map("Grüße aus Köln"), first);
  for (int i = 0; i < 200; ++i)
    mapper.Map("title " + std::to_string(i) + " é");
  EXPECT_EQ(set.PictureOf(mapper.Map("Grüße aus Köln")), "Grüβe aus Köln");
  set = CharacterSet::ForModel(kModelNoritake, CharsetChoice::kEuropean);
  mapper.Forget();
  EXPECT_EQ(set.PictureOf(mapper.Map("Grüße aus Köln")), "Grüsse aus Köln");
}

// --- the program: glass, preview and every source ------------------------------------------

struct GlassRig {
  explicit GlassRig(int16_t model, CharsetChoice choice = CharsetChoice::kJapanese) {
    rig.display().SetCharsetChoice(model, choice);
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
    if (choice != CharsetChoice::kJapanese) rig.emulator = DisplayEmulator::ForModel(model, choice);
    rig.parallel.emulator = rig.emulator.get();
  }
  // A preview row as drawn: the 4x20 preview holds four indented rows in its first line.
  std::string PreviewRow(int row) {
    const CharacterSet& set = rig.display().Charset();
    if (rig.display().screen_type != kScreen4x20)
      return set.PictureOf((row == 0 ? rig.main().Line1 : rig.main().Line2).Caption());
    std::string caption = rig.main().Line1.Caption();
    for (int skip = 0; skip < row; ++skip)
      caption = caption.substr(caption.find("\r\n") + 2);
    caption = caption.substr(0, caption.find("\r\n"));
    // The window has always indented the first row by 7 blanks and the others by 8.
    return set.PictureOf(caption.substr(row == 0 ? 7 : 8));
  }
  Rig rig;
};

TEST(GlassTextTest, TheProbeLooksTheSameOnEveryModelsGlassAndInItsPreview) {
  for (int16_t model = 1; model <= 5; ++model) {
    for (CharsetChoice choice : kChoices) {
      SCOPED_TRACE("model " + std::to_string(model) + " " + std::string(CharsetName(choice)));
      GlassRig g(model, choice);
      g.rig.program->countdown().event = kProbe;
      g.rig.main().cmdCount.Click();
      const std::string expected = Map(model, choice, kProbe);
      const Glass& glass = g.rig.glass();
      const auto width = static_cast<size_t>(glass.Columns());
      // The event stands on the last line, or on the last two rows of the 4x20 display.
      if (glass.Rows() == 4) {
        EXPECT_EQ(glass.Picture(2), FirstCharacters(expected, 20));
        EXPECT_EQ(glass.Picture(3), FirstCharacters(expected, 20, 20));
        EXPECT_EQ(g.PreviewRow(2), glass.Picture(2));
        EXPECT_EQ(g.PreviewRow(3), glass.Picture(3));
      } else {
        EXPECT_EQ(glass.Picture(1), FirstCharacters(expected, width));
        EXPECT_EQ(g.PreviewRow(1), glass.Picture(1));
        EXPECT_EQ(g.PreviewRow(0), glass.Picture(0));
      }
    }
  }
  EXPECT_EQ(Map(kModelOrbital2x20, CharsetChoice::kJapanese, kProbe), kProbeJapanese);
}

// Text a hostile or careless source might hold: control codes the displays take as commands,
// þ (the Matrix Orbital's command prefix in Latin-1), and a raw 0xFE byte.
const char kHostile[] =
    "A\x1B\x0E\x16\xC3\xBE\xFE"
    "Z";
const char kHostileShown[] = "A   th?Z";

// Every byte on the Matrix Orbital line is a command the program means, or a character.
void ExpectOnlyMeantCommands(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const auto b = static_cast<uint8_t>(line[i]);
    if (b == 0xFE) {
      ASSERT_LT(i + 1, line.size());
      const auto command = static_cast<uint8_t>(line[++i]);
      if (command == 0x42 || command == 0x59) {
        ++i;  // one argument byte
      } else {
        ASSERT_TRUE(command == 0x54 || command == 0x48 || command == 0x58 || command == 0x53 ||
                    command == 0x46)
            << "a text byte taken as command " << static_cast<int>(command) << " at " << i;
      }
      continue;
    }
    ASSERT_GE(b, 0x20) << "control code " << static_cast<int>(b) << " at " << i;
  }
}

TEST(GlassTextTest, NoSourcesTextReachesTheLineAsACommand) {
  const auto shows = [](GlassRig& g, int row) { return g.rig.glass().Picture(row); };
  {
    SCOPED_TRACE("typed message");
    GlassRig g(kModelOrbital2x20);
    g.rig.main().txtMessage.SetText(kHostile);
    g.rig.main().cmdVertScroll.Click();
    EXPECT_EQ(shows(g, 0), FirstCharacters(kHostileShown, 20));
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
  {
    SCOPED_TRACE("message file");
    GlassRig g(kModelOrbital2x20);
    // Not UTF-8, so read in the system code page, where 0xFE is þ.
    g.rig.files.files["custommessage.txt"] =
        "A\x1B\x0E\x16\xFE"
        "Z";
    g.rig.program->ticker().LoadMessageFile();
    g.rig.main().cmdVertScroll.Click();
    EXPECT_EQ(shows(g, 0), FirstCharacters("A   thZ ^ ", 20));
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
  {
    SCOPED_TRACE("player");
    GlassRig g(kModelOrbital2x20);
    g.rig.player.running = true;
    g.rig.player.status = 1;
    g.rig.player.title = std::string("1. ") + kHostile + " - Player";
    g.rig.main().cmdWinamp.Click();
    g.rig.loop.RunFor(1000);
    EXPECT_EQ(shows(g, 0), FirstCharacters(kHostileShown, 20));
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
  {
    SCOPED_TRACE("feed");
    GlassRig g(kModelOrbital2x20);
    NewsFeed& news = g.rig.program->hard_news();
    news.mode = 3;
    g.rig.main().cmdHardNews.Click();
    g.rig.loop.RunFor(1000);
    ASSERT_TRUE(g.rig.http.Reply(
        {.ok = true,
         .body = std::string("<rss><channel><item><title>") + kHostile +
                 "</title></item><item>"
                 "<title>Sm\xC3\xA1\xC3\xBEing today</title></item></channel></rss>"}));
    g.rig.loop.RunFor(1000);
    EXPECT_EQ(shows(g, 0), FirstCharacters(kHostileShown, 20));
    EXPECT_EQ(shows(g, 1), FirstCharacters("Smathing today", 20));
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
  {
    SCOPED_TRACE("weather");
    GlassRig g(kModelOrbital2x20);
    Weather& weather = g.rig.program->weather();
    weather.service = "http://127.0.0.1:9";
    weather.field = {"City", "None", "None", "None", "None", "None", "None", "None"};
    weather.label = {"", "", "", "", "", "", "", ""};
    g.rig.main().cmdWeather.Click();
    ASSERT_TRUE(g.rig.http.Reply(
        {.ok = true, .body = std::string("<City>") + kHostile + "</City><State>x"}));
    g.rig.loop.RunFor(1000);
    EXPECT_EQ(shows(g, 0), FirstCharacters(kHostileShown, 20));
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
  {
    SCOPED_TRACE("tides");
    GlassRig g(kModelOrbital2x20);
    g.rig.main().cmdTides.Click();
    const std::string page = std::string(kHostile) +
                             "\n(click for map)\n\n2026-12-06  9:10 PM EST   7.02 " + kHostile +
                             "  High Tide\n2026-12-07  3:20 AM EST   0.50 feet  Low Tide\nfooter\n";
    ASSERT_TRUE(g.rig.tides.Reply({.ok = true, .text = page}));
    g.rig.loop.RunFor(1000);
    EXPECT_EQ(shows(g, 1),
              FirstCharacters(std::string("7.02 ") + kHostileShown + "  High Tide", 20));
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
  {
    SCOPED_TRACE("hardware monitor labels");
    GlassRig g(kModelOrbital2x20);
    g.rig.sensors.table[0] = {1, "CPU", 45.5};
    MotherboardMonitor& mbm = g.rig.program->mbm();
    mbm.sensor = {"01 CPU",  "00 None", "00 None", "00 None",
                  "00 None", "00 None", "00 None", "00 None"};
    mbm.label = {kHostile, "", "", "", "", "", "", ""};
    g.rig.main().cmdMBM.Click();
    EXPECT_EQ(shows(g, 0).substr(0, 8), kHostileShown);
    ExpectOnlyMeantCommands(g.rig.serial.written);
  }
}

TEST(GlassTextTest, TheMessageIsKeptAsTypedAndShownAsTheRomAllows) {
  GlassRig g(kModelOrbital2x20);
  g.rig.main().txtMessage.SetText("Grüße");
  g.rig.main().cmdVertScroll.Click();
  EXPECT_EQ(g.rig.glass().Picture(0), FirstCharacters("Grüβe", 20));
  // Another ROM for the display shows the same message with its own codes.
  g.rig.display().SetCharsetChoice(kModelOrbital2x20, CharsetChoice::kEuropean);
  g.rig.emulator = DisplayEmulator::ForModel(kModelOrbital2x20, CharsetChoice::kEuropean);
  g.rig.display().InitDisplayModel();
  g.rig.main().cmdVertScroll.Click();
  EXPECT_EQ(g.rig.glass().Picture(0), FirstCharacters("Grüsse", 20));
  g.rig.program->Shutdown();
  const SettingsParse stored = ParseSettings(g.rig.files.files.at(kSettingsFileName));
  ASSERT_TRUE(stored.ok);
  EXPECT_EQ(stored.settings.MessageText, "Grüße");
}

TEST(GlassTextTest, TheServicesFileChoosesTheRomOfEveryDisplayOrOfOne) {
  Rig rig;
  rig.files.files["vfdservices.txt"] =
      "charset = european\ncharset-4 = japanese\ncharset-9 = x\n"
      "charset-5 = klingon\n";
  rig.program->Start();
  EXPECT_EQ(rig.display().CharsetChoiceOf(kModelIeeSerial), CharsetChoice::kEuropean);
  EXPECT_EQ(rig.display().CharsetChoiceOf(kModelOrbital2x20), CharsetChoice::kJapanese);
  EXPECT_EQ(rig.display().CharsetChoiceOf(kModelOrbital4x20), CharsetChoice::kEuropean);
  const std::string status = rig.main().lblStatus.Caption();
  EXPECT_NE(status.find("klingon"), std::string::npos) << status;
}

}  // namespace
}  // namespace vfd
