// The LCDproc clients' server on the virtual loop: the widget language's answers, the screens in
// turn and over other functions, and what the widgets look like on each geometry.
#include <gtest/gtest.h>

#include "shell/ServicesFile.h"
#include "sources/LcdprocScreens.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

std::vector<std::string> Words(std::string_view line) {
  std::string error;
  auto words = lcdproc::SplitWords(line, &error);
  return words ? *words : std::vector<std::string>{"<" + error + ">"};
}

TEST(LcdprocWordsTest, QuotesBracesAndEscapes) {
  EXPECT_EQ(Words("widget_set s w 1 2 \"two words\""),
            (std::vector<std::string>{"widget_set", "s", "w", "1", "2", "two words"}));
  EXPECT_EQ(Words("  a\t{b c}  "), (std::vector<std::string>{"a", "b c"}));
  EXPECT_EQ(Words(R"(x "say \"hi\" \\ \n\t")"),
            (std::vector<std::string>{"x", "say \"hi\" \\ \n\t"}));
  EXPECT_EQ(Words("x \"\""), (std::vector<std::string>{"x", ""}));
  EXPECT_EQ(Words("x \"open"), (std::vector<std::string>{"<Unterminated quote>"}));
  EXPECT_TRUE(Words("   ").empty());
  // Latin-1 from older clients becomes UTF-8; UTF-8 stays.
  EXPECT_EQ(lcdproc::ClientText("caf\xE9"), "caf\u00E9");
  EXPECT_EQ(lcdproc::ClientText("caf\u00E9"), "caf\u00E9");
  EXPECT_EQ(lcdproc::ParsePriority("64"), lcdproc::Priority::kForeground);
  EXPECT_EQ(lcdproc::ParsePriority("65"), lcdproc::Priority::kInfo);
  EXPECT_EQ(lcdproc::ParsePriority("193"), lcdproc::Priority::kBackground);
  EXPECT_EQ(lcdproc::ParsePriority("alert"), lcdproc::Priority::kAlert);
  EXPECT_FALSE(lcdproc::ParsePriority("0"));
  EXPECT_FALSE(lcdproc::ParsePriority("loud"));
}

class LcdprocTest : public ::testing::Test {
 protected:
  LcdprocTest() { Use(kModelOrbital2x20); }
  void Use(int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
    lcd().Listen("127.0.0.1:13666");
  }
  LcdprocClients& lcd() { return rig.program->lcdproc(); }
  testing::FakeLineServer& net() { return rig.lcdproc_sockets; }
  std::string Ask(int client, const std::string& line) {
    net().Say(client, line);
    return net().Take(client);
  }
  void Greet(int client) {
    net().Connect(client);
    Ask(client, "hello");
  }
  // A client with one screen of one string widget at (1, row).
  void StringScreen(int client, const std::string& screen, const std::string& text,
                    const std::string& options = "", int row = 1) {
    Ask(client, "screen_add " + screen);
    if (!options.empty()) Ask(client, "screen_set " + screen + " " + options);
    Ask(client, "widget_add " + screen + " w string");
    Ask(client, "widget_set " + screen + " w 1 " + std::to_string(row) + " \"" + text + "\"");
  }
  std::string Row(int r) { return rig.glass().Row(r); }
  std::string Picture(int r) { return rig.glass().Picture(r); }

  Rig rig;
};

TEST_F(LcdprocTest, EveryCommandAnswersAsLcddDoes) {
  net().Connect(1);
  EXPECT_EQ(Ask(1, "noop"), "huh? Please send hello first\n");
  EXPECT_EQ(Ask(1, "hello"),
            "connect LCDproc 0.5.9 protocol 0.4 lcd wid 20 hgt 2 cellwid 5 cellhgt 8\n");
  EXPECT_EQ(Ask(1, "client_set -name \"My client\""), "success\n");
  EXPECT_EQ(Ask(1, "client_set name {Perl}"), "success\n");
  EXPECT_EQ(Ask(1, "client_set"), "huh? Usage: client_set -name <name>\n");
  EXPECT_EQ(Ask(1, "screen_add s"), "success\n");
  EXPECT_EQ(Ask(1, "screen_add s"), "huh? Screen already exists\n");
  EXPECT_EQ(Ask(1, "screen_add"), "huh? Usage: screen_add <screenid>\n");
  EXPECT_EQ(Ask(1,
                "screen_set s -name {A B} -wid 20 -hgt 2 -priority 100 -heartbeat off "
                "-backlight on -duration 16 -timeout 80 -cursor off -cursor_x 1 -cursor_y 1"),
            "success\n");
  EXPECT_EQ(Ask(1, "screen_set s priority info"), "success\n");  // the dash may be left out
  EXPECT_EQ(Ask(1, "screen_set s -priority loud"), "huh? invalid argument at -priority\n");
  EXPECT_EQ(Ask(1, "screen_set s -duration"), "huh? -duration requires a parameter\n");
  EXPECT_EQ(Ask(1, "screen_set s -colour red"), "huh? invalid parameter (colour)\n");
  EXPECT_EQ(Ask(1, "screen_set t -duration 8"), "huh? Invalid screen id\n");
  for (const char* type :
       {"string", "title", "hbar", "vbar", "pbar", "icon", "scroller", "frame", "num"})
    EXPECT_EQ(Ask(1, std::string("widget_add s ") + type + " " + type), "success\n") << type;
  EXPECT_EQ(Ask(1, "widget_add s x string -in frame"), "success\n");
  EXPECT_EQ(Ask(1, "widget_add s y string -in string"), "huh? Invalid frame id\n");
  EXPECT_EQ(Ask(1, "widget_add s z gauge"), "huh? Invalid widget type\n");
  EXPECT_EQ(Ask(1, "widget_add s string string"), "huh? Widget already exists\n");
  EXPECT_EQ(Ask(1, "widget_add q z string"), "huh? Invalid screen id\n");
  EXPECT_EQ(Ask(1, "widget_set s string 1 1 text"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s title \"The title\""), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s hbar 1 2 40"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s vbar 1 2 8"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s pbar 1 2 10 500 [ ]"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s icon 20 1 HEART_FILLED"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s scroller 1 2 20 2 m 2 {marquee text}"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s frame 1 1 20 2 20 6 v 8"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s num 1 10"), "success\n");
  EXPECT_EQ(Ask(1, "widget_set s num 1 11"), "huh? Invalid number\n");
  EXPECT_EQ(Ask(1, "widget_set s string 1 text"), "huh? Wrong number of arguments\n");
  EXPECT_EQ(Ask(1, "widget_set s string one 1 text"), "huh? Invalid coordinates\n");
  EXPECT_EQ(Ask(1, "widget_set s scroller 1 2 20 2 x 2 t"), "huh? Invalid direction\n");
  EXPECT_EQ(Ask(1, "widget_set s nothing 1 1 t"), "huh? Invalid widget id\n");
  EXPECT_EQ(Ask(1, "widget_del s frame"), "success\n");
  EXPECT_EQ(Ask(1, "widget_del s x"), "huh? Invalid widget id\n");  // went with its frame
  EXPECT_EQ(Ask(1, "key_add s Up Down"), "success\n");
  EXPECT_EQ(Ask(1, "key_del s Up"), "success\n");
  EXPECT_EQ(Ask(1, "client_add_key -shared Enter"), "success\n");
  EXPECT_EQ(Ask(1, "client_del_key Enter"), "success\n");
  EXPECT_EQ(Ask(1, "client_add_key"),
            "huh? Usage: client_add_key [-exclusively|-shared] <key> ...\n");
  EXPECT_EQ(Ask(1, "menu_add_item \"\" ask menu {Ask}"), "success\n");
  EXPECT_EQ(Ask(1, "menu_set_main ask"), "success\n");
  EXPECT_EQ(Ask(1, "backlight flash"), "success\n");
  EXPECT_EQ(Ask(1, "backlight dim"), "huh? Usage: backlight {on|off|toggle|blink|flash}\n");
  EXPECT_EQ(Ask(1, "output 3"), "success\n");
  EXPECT_EQ(Ask(1, "output high"), "huh? Usage: output {on|off|<num>}\n");
  EXPECT_EQ(Ask(1, "sleep 60"), "success\n");
  EXPECT_EQ(Ask(1, "sleep 61"), "huh? Usage: sleep <seconds 1..60>\n");
  EXPECT_EQ(Ask(1, "info"), "VFD Vorlinx Matrix Orbital VK202-25\n");
  EXPECT_EQ(Ask(1, "screen_del s"), "success\n");
  EXPECT_EQ(Ask(1, "screen_del s"), "huh? Invalid screen id\n");
  EXPECT_EQ(Ask(1, "frobnicate \x01"), "huh? Invalid command \"frobnicate\"\n");
  EXPECT_EQ(Ask(1, "widget_set s \"open"), "huh? Unterminated quote\n");
  EXPECT_EQ(Ask(1, "noop\r"), "success\n");
  EXPECT_EQ(Ask(1, "bye"), "");
  EXPECT_TRUE(net().closed.count(1));
}

TEST_F(LcdprocTest, BoundsAreRefusedAndTheOthersGoOn) {
  Greet(1);
  for (int i = 0; i < 64; ++i)
    ASSERT_EQ(Ask(1, "screen_add s" + std::to_string(i)), "success\n");
  EXPECT_EQ(Ask(1, "screen_add one_more"), "huh? Too many screens\n");
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(
        Ask(1, "widget_add s" + std::to_string(i % 64) + " w" + std::to_string(i) + " string"),
        "success\n");
  EXPECT_EQ(Ask(1, "widget_add s0 extra string"), "huh? Too many widgets\n");
  Greet(2);
  EXPECT_EQ(Ask(2, "screen_add s0"), "success\n");  // the bounds are per client
  EXPECT_EQ(Ask(1, "noop"), "success\n");
}

TEST_F(LcdprocTest, WithoutClientsTheFunctionSaysWhereItWaits) {
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0), "Waiting for clients ");
  EXPECT_EQ(Row(1), "on 127.0.0.1:13666  ");
  Greet(1);
  rig.loop.RunFor(125);
  EXPECT_EQ(Row(0), "LCDproc: 1 client   ");
  EXPECT_EQ(Row(1), "no screen to show   ");
}

TEST_F(LcdprocTest, APortThatIsTakenIsToldAndTheProgramGoesOn) {
  net().taken.insert(13667);
  lcd().Listen("127.0.0.1:13667");
  EXPECT_EQ(rig.main().lblStatus.Caption(),
            "LCDproc server: cannot listen on 127.0.0.1:13667: Address already in use");
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0), "LCDproc server      ");
  EXPECT_EQ(Row(1), "not listening       ");
  rig.main().cmdClock.Click();
  EXPECT_EQ(Row(0), "     3:45:12 PM     ");
}

TEST_F(LcdprocTest, InfoScreensTakeTurnsForTheirDurationsAndHearListenAndIgnore) {
  Greet(1);
  Greet(2);
  StringScreen(1, "one", "first screen", "-duration 16");
  StringScreen(2, "two", "second screen");  // the default: 5 s
  StringScreen(2, "gone", "never shown", "-priority hidden");
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0), "first screen        ");
  EXPECT_EQ(net().Take(1), "listen one\n");
  rig.loop.RunFor(16 * 125);
  EXPECT_EQ(Row(0), "second screen       ");
  EXPECT_EQ(net().Take(1), "ignore one\n");
  EXPECT_EQ(net().Take(2), "listen two\n");
  rig.loop.RunFor(40 * 125 - 1);
  EXPECT_EQ(Row(0), "second screen       ");
  rig.loop.RunFor(1);
  EXPECT_EQ(Row(0), "first screen        ");
  // Another function: the screen leaves the glass.
  net().Take(1);
  rig.main().cmdClock.Click();
  EXPECT_EQ(net().Take(1), "ignore one\n");
  // A background screen shows only while no info screen exists.
  Ask(1, "screen_set one -priority background");
  Ask(2, "screen_del two");
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0), "first screen        ");
}

TEST_F(LcdprocTest, AClientThatGoesTakesItsScreensWithIt) {
  Greet(1);
  StringScreen(1, "s", "mine");
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0), "mine                ");
  net().Vanish(1);
  rig.loop.RunFor(125);
  EXPECT_EQ(Row(0), "Waiting for clients ");
}

TEST_F(LcdprocTest, AForegroundScreenHoldsTheGlassOverAnyFunctionThenItGoesOn) {
  rig.main().cmdClock.Click();
  rig.main().cmdRotate.Click();
  Greet(1);
  StringScreen(1, "fg", "look at me", "-priority foreground");
  rig.loop.RunFor(125);
  EXPECT_EQ(Row(0), "look at me          ");
  EXPECT_FALSE(rig.main().Timer3.Enabled());
  EXPECT_FALSE(rig.main().Timer7.Enabled());  // rotation waits too
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "7");
  rig.main().cmdRotate.Click();
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "3");
  rig.loop.RunFor(2000);
  EXPECT_EQ(Row(0), "look at me          ");
  // A function chosen meanwhile is the one that comes back.
  rig.main().cmdTicker.Click();
  EXPECT_EQ(Row(0), "look at me          ");
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "1");
  Ask(1, "screen_del fg");
  EXPECT_TRUE(rig.main().Timer1.Enabled());
  EXPECT_NE(Row(0), "look at me          ");
}

TEST_F(LcdprocTest, AnAlertHoldsTheGlassForItsDurationAndATimeoutDeletesTheScreen) {
  rig.main().cmdClock.Click();
  Greet(1);
  StringScreen(1, "a", "ALERT", "-priority alert -duration 24");
  rig.loop.RunFor(125);
  EXPECT_EQ(Row(0), "ALERT               ");
  rig.loop.RunFor(21 * 125);
  EXPECT_EQ(Row(0), "ALERT               ");
  rig.loop.RunFor(2 * 125);
  EXPECT_TRUE(rig.main().Timer3.Enabled());
  EXPECT_EQ(Row(0).substr(0, 10), "     3:45:");  // the clock again
  // An input screen with a timeout goes after that much time shown.
  StringScreen(1, "i", "INPUT", "-priority input -timeout 8");
  rig.loop.RunFor(125);
  EXPECT_EQ(Row(0), "INPUT               ");
  rig.loop.RunFor(8 * 125);
  EXPECT_EQ(Ask(1, "screen_del i"), "huh? Invalid screen id\n");
  EXPECT_TRUE(rig.main().Timer3.Enabled());
}

TEST_F(LcdprocTest, OnlyAChangedFrameIsWritten) {
  Greet(1);
  StringScreen(1, "s", "still");
  rig.main().cmdLcdproc.Click();
  rig.serial.Reset();
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.serial.written, "");
  Ask(1, "widget_set s w 1 1 moved");
  rig.loop.RunFor(125);
  EXPECT_EQ(Row(0), "moved               ");
}

TEST_F(LcdprocTest, RotationGivesTheClientsASlotWhileTheyHaveAScreen) {
  rig.program->rotation().times.fill(0);
  rig.program->rotation().times[4] = 1000;  // the clock
  rig.program->rotation().lcdproc_time = 2000;
  rig.main().cmdRotate.Click();
  rig.loop.RunFor(100);
  EXPECT_TRUE(rig.main().Timer3.Enabled());
  rig.loop.RunFor(1000);
  EXPECT_TRUE(rig.main().Timer3.Enabled());  // no screens: the cycle is the clock alone
  Greet(1);
  StringScreen(1, "s", "in rotation");
  rig.loop.RunFor(1000);
  EXPECT_TRUE(rig.main().Timer19.Enabled());
  EXPECT_EQ(Row(0), "in rotation         ");
  rig.loop.RunFor(2000);
  EXPECT_TRUE(rig.main().Timer3.Enabled());
}

TEST_F(LcdprocTest, WidgetsOnTheGlass) {
  Greet(1);
  Ask(1, "screen_add s");
  Ask(1, "widget_add s t title");
  Ask(1, "widget_set s t Status");
  Ask(1, "widget_add s b hbar");
  Ask(1, "widget_set s b 1 2 25");  // five cells of five pixels
  Ask(1, "widget_add s p pbar");
  Ask(1, "widget_set s p 8 2 8 500 [ ]");
  Ask(1, "widget_add s i icon");
  Ask(1, "widget_set s i 20 2 ARROW_UP");
  Ask(1, "widget_add s l string");
  Ask(1, "widget_set s l 16 2 caf\xE9");  // Latin-1, and a ROM without the accent
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Picture(0),
            "\u2588\u2588 Status \u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588");
  EXPECT_EQ(Row(1).substr(0, 5), std::string(5, Row(0)[0]));
  EXPECT_EQ(Row(1).substr(7, 8), "[" + std::string(3, Row(0)[0]) + "---]");
  EXPECT_EQ(Picture(1).substr(Picture(1).size() - 5), "cafe^");
}

TEST_F(LcdprocTest, BarsUseTheSerialDisplaysBarGlyphs) {
  Use(kModelIeeSerial);
  Greet(1);
  Ask(1, "screen_add s");
  Ask(1, "widget_add s p pbar");
  Ask(1, "widget_set s p 1 1 4 500");
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0).substr(0, 4), "\xFB\xFB\xF7\xF7");
}

TEST_F(LcdprocTest, BigDigitsOnFourRowsAndPlainDigitsElsewhere) {
  Greet(1);
  Ask(1, "screen_add s");
  Ask(1, "widget_add s n num");
  Ask(1, "widget_set s n 2 7");
  Ask(1, "widget_add s c num");
  Ask(1, "widget_set s c 6 10");
  rig.main().cmdLcdproc.Click();
  EXPECT_EQ(Row(0), " 7   :              ");
  Use(kModelOrbital4x20);
  Ask(1, "hello");
  rig.main().cmdLcdproc.Click();
  const std::string b(1, Row(0)[1]);
  EXPECT_EQ(Row(0).substr(0, 6), " " + b + b + b + "  ");
  EXPECT_EQ(Row(1).substr(0, 6), "   " + b + " " + b);
  EXPECT_EQ(Row(3).substr(0, 6), "   " + b + " " + b);
}

TEST_F(LcdprocTest, ScrollersAndFramesMoveAtTheirSpeeds) {
  Greet(1);
  Ask(1, "screen_add s");
  Ask(1, "widget_add s m scroller");
  Ask(1, "widget_set s m 1 1 5 1 m 2 ABCDEFG");  // a move every second stroke
  Ask(1, "widget_add s f frame");
  Ask(1, "widget_set s f 10 1 20 1 11 3 v 8");  // one line a second
  for (int i = 1; i <= 3; ++i) {
    Ask(1, "widget_add s l" + std::to_string(i) + " string -in f");
    Ask(1, "widget_set s l" + std::to_string(i) + " 1 " + std::to_string(i) + " line" +
               std::to_string(i));
  }
  rig.main().cmdLcdproc.Click();
  const std::string first = Row(0);
  EXPECT_EQ(first.substr(0, 5), "ABCDE");
  rig.loop.RunFor(2 * 125);
  EXPECT_EQ(Row(0).substr(0, 5), "BCDEF");
  rig.loop.RunFor(8 * 125);
  EXPECT_EQ(Row(0).substr(9, 5), "line2");
  rig.loop.RunFor(8 * 125);
  EXPECT_EQ(Row(0).substr(9, 5), "line3");
}

TEST(LcdprocServicesTest, TheServerAddressAndTheScreensTimes) {
  ServicesFileContents c =
      ParseServicesFile("lcdproc = 127.0.0.1:13667\nlcdproc-duration = 8\nlcdproc-rotation = 0\n");
  EXPECT_TRUE(c.problems.empty());
  EXPECT_EQ(c.urls.lcdproc, "127.0.0.1:13667");
  EXPECT_EQ(c.urls.lcdproc_duration, 8);
  EXPECT_EQ(c.urls.lcdproc_rotation, 0);
  EXPECT_EQ(ParseServicesFile("lcdproc = off\n").urls.lcdproc, "off");
  EXPECT_EQ(ParseServicesFile("lcdproc = [::1]:13666\n").urls.lcdproc, "[::1]:13666");
  c = ParseServicesFile(
      "lcdproc = localhost:13666\nlcdproc = 1.2.3.4:70000\nlcdproc-duration = 0\n");
  ASSERT_EQ(c.problems.size(), 3u);
  EXPECT_EQ(c.urls.lcdproc, "127.0.0.1:13666");
  EXPECT_EQ(c.problems[2],
            "vfdservices.txt line 3: \"0\" is not a whole number from 1 to 3600 for "
            "lcdproc-duration");
}

}  // namespace
}  // namespace vfd
