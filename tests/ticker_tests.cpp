// The ticker's two rings on every geometry, the live echo per model, and the message file.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

class TickerTest : public ::testing::Test {
 protected:
  // The program after start-up with `model`'s display attached and `message` typed.
  void Use(int16_t model, const std::string& message) {
    Settings s;
    s.CrackOnLoadCaption = "Standard Load";
    rig.files.files["vfdsettings.txt"] = FormatSettings(s);
    rig.program->Start();
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
    rig.main().txtMessage.SetText(message);
    rig.serial.Reset();
    rig.parallel.Reset();
  }
  Ticker& ticker() { return rig.program->ticker(); }
  FrmMain& m() { return rig.main(); }

  Rig rig;
};

TEST_F(TickerTest, AShortMessageIsPaddedOnceThenLineOneMovesTwiceAsFastAsLineTwo) {
  Use(kModelIeeSerial, "ABC");
  m().cmdTicker.Click();
  EXPECT_EQ(rig.glass().Row(0), Fit("ABC", 20));
  EXPECT_EQ(rig.glass().Row(1), Fit("ABC", 20));
  rig.loop.RunFor(50);
  EXPECT_EQ(rig.glass().Row(0), "BC" + std::string(17, ' ') + "A");
  EXPECT_EQ(rig.glass().Row(1), Fit("ABC", 20));
  rig.loop.RunFor(50);
  EXPECT_EQ(rig.glass().Row(0), "C" + std::string(17, ' ') + "AB");
  EXPECT_EQ(rig.glass().Row(1), "BC" + std::string(17, ' ') + "A");
  rig.loop.RunFor(2000);  // 40 more ticks: line 1 around twice, line 2 once
  EXPECT_EQ(rig.glass().Row(0), "C" + std::string(17, ' ') + "AB");
  EXPECT_EQ(rig.glass().Row(1), "BC" + std::string(17, ' ') + "A");
}

TEST_F(TickerTest, ARingAsWideAsTheLineRotatesFromTheFirstTick) {
  Use(kModelOrbital2x20, "12345678901234567");  // 17 + 3 blanks = 20
  m().cmdTicker.Click();
  EXPECT_EQ(rig.glass().Row(0), "2345678901234567   1");
  EXPECT_EQ(rig.glass().Row(1), "12345678901234567   ");
}

TEST_F(TickerTest, AnEmptyMessageShowsBlanks) {
  Use(kModelOrbital2x20, "");
  m().cmdTicker.Click();
  rig.loop.RunFor(500);
  EXPECT_EQ(rig.glass().Text(), std::string(20, ' ') + "\n" + std::string(20, ' '));
}

TEST_F(TickerTest, OnFourRowsEachRingShowsAFortyCharacterWindowOnTwoRows) {
  std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
  Use(kModelOrbital4x20, thirty);
  m().cmdTicker.Click();  // 33 characters: padded to 40 on this tick
  EXPECT_EQ(ticker().ticker_line1.size(), 40u);
  EXPECT_EQ(rig.glass().Row(0), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(rig.glass().Row(1), "UVWXYZ0123          ");
  EXPECT_EQ(rig.glass().Row(2), "ABCDEFGHIJKLMNOPQRST");
  rig.loop.RunFor(50);
  EXPECT_EQ(rig.glass().Row(0), "BCDEFGHIJKLMNOPQRSTU");
  EXPECT_EQ(rig.glass().Row(1), "VWXYZ0123          A");
  EXPECT_EQ(rig.glass().Row(2), "ABCDEFGHIJKLMNOPQRST");
}

// On every geometry a ring as wide as the line moves line 1 every tick and line 2 every other.
class TickerGeometryTest : public TickerTest, public ::testing::WithParamInterface<int16_t> {};

TEST_P(TickerGeometryTest, TwoSpeedsAtTheLineWidth) {
  const int16_t model = GetParam();
  const size_t width = model == kModelNoritake ? 24 : model == kModelOrbital2x20 ? 20 : 40;
  std::string message;
  for (size_t i = 0; i + 3 < width; ++i)
    message.push_back(static_cast<char>('a' + i % 26));
  const std::string ring = message + "   ";
  auto rotated = [&](size_t n) { return ring.substr(n) + ring.substr(0, n); };
  Use(model, message);
  m().cmdTicker.Click();
  rig.loop.RunFor(100);  // three ticks: line 1 three steps on, line 2 one
  const Glass& g = rig.glass();
  if (model == kModelOrbital4x20) {
    EXPECT_EQ(g.Row(0) + g.Row(1), rotated(3));
    EXPECT_EQ(g.Row(2) + g.Row(3), rotated(1));
  } else {
    EXPECT_EQ(g.Row(0), rotated(3));
    EXPECT_EQ(g.Row(1), rotated(1));
  }
}

INSTANTIATE_TEST_SUITE_P(AllGeometries, TickerGeometryTest,
                         ::testing::Values(kModelOrbital2x20, kModelIeeParallel, kModelOrbital4x20,
                                           kModelNoritake));

TEST_F(TickerTest, WithoutAScreenTypeTheRingsTurnButNothingIsWritten) {
  Use(kModelIeeSerial, "ROUND");
  rig.display().screen_type = kScreenNone;
  ticker().Tick();
  EXPECT_EQ(ticker().ticker_line1, "OUND   R");
  EXPECT_EQ(rig.serial.written, "");
}

TEST_F(TickerTest, TypingEchoesTheWholeMessageAtOncePerModel) {
  Use(kModelIeeSerial, "x");
  m().cmdTicker.Click();
  rig.serial.Reset();
  std::string m40 = "TYPED TEXT THAT IS LONGER THAN FORTY CHARACTERS";
  m().txtMessage.SetText(m40);
  EXPECT_FALSE(m().Timer1.Enabled());
  EXPECT_EQ(rig.serial.written, "\x0E\x15" + m40 + "\x0F");
  EXPECT_EQ(m().Line1.Caption(), m40.substr(0, 20));
  EXPECT_EQ(m().Line2.Caption(), m40.substr(20, 20));
  EXPECT_EQ(rig.glass().Row(0), m40.substr(40) + m40.substr(7, 13));  // wrapped round

  Rig orbital;
  orbital.program->Start();
  orbital.UseModel(kModelOrbital4x20);
  orbital.Emulate(kModelOrbital4x20);
  orbital.serial.Reset();
  std::string m50 = std::string(20, 'a') + std::string(20, 'b') + "cccccccccc";
  orbital.main().txtMessage.SetText(m50);
  EXPECT_EQ(HexOf(orbital.serial.written.substr(0, 4)), "FE 54 FE 58");
  EXPECT_EQ(HexOf(orbital.serial.written.substr(54)), "FE 53");
  EXPECT_TRUE(orbital.glass().cursor_blink);
  EXPECT_EQ(orbital.main().Line1.Caption(), "       " + std::string(20, 'a') +
                                                "\r\n        cccccccccc\r\n        " +
                                                std::string(20, 'b') + "\r\n        ");
}

TEST_F(TickerTest, TheParallelEchoes) {
  Use(kModelIeeParallel, "");
  m().txtMessage.SetText("HI");
  EXPECT_EQ(rig.parallel.Strobed(), "15 12 0F 48 49");
  EXPECT_EQ(rig.glass().Row(0), Fit("HI", 40));
  EXPECT_EQ(m().Line1.Caption(), "HI");

  Rig noritake;
  noritake.program->Start();
  noritake.UseModel(kModelNoritake);
  noritake.main().lstPPort.SetListIndex(0);
  noritake.Emulate(kModelNoritake);
  noritake.main().cmdGlow.Click();  // an effect keeps running during the echo's pause
  int64_t before = noritake.loop.NowMicros();
  std::string m30 =
      "FIRST LINE OF TWENTY-FOUR"
      "SECOND";
  noritake.main().txtMessage.SetText(m30);
  EXPECT_GE(noritake.loop.NowMicros() - before, 5000);
  EXPECT_EQ(noritake.glass().Row(0), m30.substr(0, 24));
  EXPECT_EQ(noritake.glass().Row(1), Fit(m30.substr(24), 24));
  EXPECT_TRUE(noritake.glass().cursor_blink);
  EXPECT_EQ(noritake.main().Line2.Caption(), m30.substr(24));
}

TEST_F(TickerTest, NoEchoDuringStartUp) {
  Settings s;
  s.DisplayModelCode = kModelOrbital2x20;
  s.MessageText = "STORED";
  s.StartFunctionCode = "0";
  rig.files.files["vfdsettings.txt"] = FormatSettings(s);
  rig.Emulate(kModelOrbital2x20);
  rig.program->Start();
  EXPECT_EQ(rig.serial.written.find("STORED"), std::string::npos);
  EXPECT_EQ(ticker().current_message, "STORED");
  EXPECT_EQ(ticker().ticker_line1, "STORED   ");
}

TEST_F(TickerTest, UseFileShowsTheFileControlsAndUseTextTheMessageBox) {
  Use(kModelOrbital2x20, "kept");
  m().cmdCustomMode.Click();
  EXPECT_EQ(m().cmdCustomMode.Caption(), "Use Text");
  EXPECT_TRUE(m().cmdCustomTextFile.Visible() && m().txtFile.Visible());
  EXPECT_FALSE(m().txtMessage.Visible());
  m().cmdCustomMode.Click();
  EXPECT_EQ(m().cmdCustomMode.Caption(), "Use File");
  EXPECT_FALSE(m().cmdCustomTextFile.Visible());
  EXPECT_EQ(ticker().current_message, "kept");
}

TEST_F(TickerTest, LoadingAFileJoinsItsLinesWithCarets) {
  Use(kModelOrbital2x20, "typed");
  m().cmdTicker.Click();
  rig.files.files["/home/u/news.txt"] = "line one\r\nline two\n";
  rig.file_dialogs.answer = "/home/u/news.txt";
  m().cmdCustomMode.Click();
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(
      rig.file_dialogs.asked,
      (std::vector<std::string>{"VFD Vorlinx - Custom Message File Open|*.txt|custommessage.txt"}));
  EXPECT_EQ(m().txtFile.Text(), "news.txt");
  EXPECT_EQ(ticker().current_message, "line one ^ line two ^ ");
  EXPECT_EQ(ticker().ticker_line2, "line one ^ line two ^    ");
  EXPECT_TRUE(m().Timer1.Enabled());  // a running ticker goes on with the new rings

  // A second file replaces the first one's text; it is not added to it.
  // A UTF-8 file keeps its text; the display shows what its ROM has of it (no é: e).
  rig.files.files["/home/u/other.txt"] = "\xEF\xBB\xBFonly caf\xC3\xA9";
  rig.file_dialogs.answer = "/home/u/other.txt";
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(ticker().MessageText(), "only caf\xC3\xA9 ^ ");
  EXPECT_EQ(ticker().current_message, "only cafe ^ ");
  // An older file in the system code page reads as the same text.
  rig.files.files["/home/u/old.txt"] = "caf\xE9 \x80";
  rig.file_dialogs.answer = "/home/u/old.txt";
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(ticker().MessageText(), "caf\xC3\xA9 \xE2\x82\xAC ^ ");
  EXPECT_EQ(ticker().current_message, "cafe EUR ^ ");
}

TEST_F(TickerTest, ACancelledOrMissingFileLeavesTheMessageAndSaysWhy) {
  Use(kModelOrbital2x20, "typed");
  m().cmdCustomTextFile.Click();  // cancelled: the proposed name, in the working directory
  EXPECT_EQ(ticker().message_file_path, "custommessage.txt");
  EXPECT_EQ(m().txtFile.Text(), "custommessage.txt");
  EXPECT_EQ(ticker().current_message, "typed");
  EXPECT_NE(m().lblStatus.Caption().find("custommessage.txt"), std::string::npos);
  rig.files.files["custommessage.txt"] = "from the file";
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(ticker().current_message, "from the file ^ ");
  EXPECT_EQ(m().lblStatus.Caption(), "");
}

TEST_F(TickerTest, APipeADeviceOrAHugeFileIsRefusedAndTheMessageStays) {
  Use(kModelOrbital2x20, "typed");
  rig.file_dialogs.answer = "/home/user/news.txt";
  rig.files.special.insert("/home/user/news.txt");
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(ticker().current_message, "typed");
  EXPECT_NE(m().lblStatus.Caption().find("not a regular file"), std::string::npos);
  rig.files.special.clear();
  rig.files.files["/home/user/news.txt"] = std::string(Ticker::kMaxMessageFile + 1, 'x');
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(ticker().current_message, "typed");
  EXPECT_NE(m().lblStatus.Caption().find("larger than 64 KiB"), std::string::npos);
  rig.files.files["/home/user/news.txt"] = std::string(Ticker::kMaxMessageFile, 'x');
  m().cmdCustomTextFile.Click();
  EXPECT_EQ(ticker().current_message.size(), Ticker::kMaxMessageFile + 3);  // one line and " ^ "
}

}  // namespace
}  // namespace vfd
