// The now-playing function on a simulated player: the record the reader keeps, the song text and
// its scrolling, the three layouts on the four screen types, the alternate function, activation
// with its pattern upload, start-up, and the settings dialog.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "shell/SettingsFile.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

// A title as the player composes it: playlist number, ". ", the song text, a 9-character suffix.
std::string PlayerTitle(int pos, const std::string& song) {
  return std::to_string(pos) + ". " + song + " - Player";
}

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() { player.running = true; }
  const NowPlayingRecord& Read(int32_t position_ms, int32_t length_sec) {
    player.position_ms = position_ms;
    player.length_sec = length_sec;
    EXPECT_TRUE(reader.RefreshNowPlaying());
    return reader.now_playing;
  }
  testing::FakeMediaPlayer player;
  WinampReader reader{player};
};

TEST_F(ReaderTest, TimeTextsRoundToEvenAndNeverRoundMinutesUp) {
  EXPECT_EQ(Read(0, 0).ElapsedText, "00:00");
  EXPECT_EQ(reader.now_playing.LengthText, "00:00");
  EXPECT_EQ(Read(61500, 0).PositionSec, 62);  // 61.5 goes to the even 62
  EXPECT_EQ(reader.now_playing.ElapsedText, "01:02");
  EXPECT_EQ(Read(62500, 0).PositionSec, 62);  // 62.5 as well
  EXPECT_EQ(Read(0, 3725).LengthText, "62:05");
  EXPECT_EQ(Read(0, 6000).LengthText, "100:00");
  EXPECT_EQ(Read(119000, 200).ElapsedText, "01:59");
  // Past the end: the position still shows, the length does not.
  const NowPlayingRecord& past = Read(300000, 200);
  EXPECT_EQ(past.ElapsedText, "05:00");
  EXPECT_EQ(past.LengthText, "00:00");
}

TEST_F(ReaderTest, CountsAreOneBasedAndKeepTheirLowSixteenBits) {
  player.playlist_index = 0;
  player.playlist_length = 70000;  // 70000 - 65536
  player.sample_rate = 44;
  player.bitrate = 65536 + 320;
  player.channels = 2;
  const NowPlayingRecord& r = Read(0, 0);
  EXPECT_EQ(r.PlaylistPos, 1);
  EXPECT_EQ(r.PlaylistLength, 4464);
  EXPECT_EQ(r.Bitrate, 320);
  EXPECT_EQ(r.SampleRate, 44);
  EXPECT_EQ(r.Channels, 2);
  player.playlist_index = 32767;
  EXPECT_EQ(Read(0, 0).PlaylistPos, INT16_MIN);
  player.playlist_index = INT32_MAX;  // wraps instead of overflowing
  EXPECT_EQ(Read(0, 0).PlaylistPos, 0);
}

TEST_F(ReaderTest, PositionsBeyondSixteenBitsStopAtTheLastSecondThatFits) {
  EXPECT_EQ(Read(40000000, 0).PositionSec, 32767);
  EXPECT_EQ(reader.now_playing.ElapsedText, "546:07");
  EXPECT_EQ(Read(-2000, 0).PositionSec, 0);
}

TEST_F(ReaderTest, AnEmptyTitleReadsErrorAndAMissingPlayerChangesNothing) {
  player.title = "";
  EXPECT_EQ(Read(5000, 100).Title, "Error");
  player.title = PlayerTitle(1, "Song");
  Read(5000, 100);
  player.running = false;
  player.position_ms = 9000;
  EXPECT_FALSE(reader.RefreshNowPlaying());
  EXPECT_EQ(reader.now_playing.Title, PlayerTitle(1, "Song"));
  EXPECT_EQ(reader.now_playing.PositionSec, 5);
  EXPECT_EQ(reader.ReadTitle(), "");
}

TEST(StripTitleTest, ThePrefixAndTheSuffixGoByLength) {
  // 15 characters at position 1: 3-character prefix, 3 song characters, 9-character suffix.
  EXPECT_EQ(Winamp::StripTitle("1. ABC - Player", 1, "      "), "ABC      ");
  // Nothing longer than the suffix remains: no cut and no separator.
  EXPECT_EQ(Winamp::StripTitle("Error", 1, "      "), "or");
  EXPECT_EQ(Winamp::StripTitle("12", 1, "      "), "");
  EXPECT_EQ(Winamp::StripTitle("", 1, "      "), "");
  EXPECT_EQ(Winamp::StripTitle(PlayerTitle(100, "Long Song"), 100, " *** "), "Long Song *** ");
  EXPECT_EQ(Winamp::Center20("Track: 1/12"), "    Track: 1/12");
  EXPECT_EQ(Winamp::Center20(std::string(23, 'x')), std::string(23, 'x'));
}

class WinampTest : public ::testing::Test {
 protected:
  void Use(int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
  }
  void Play(const std::string& song, int32_t position_ms, int32_t length_sec, int32_t index = 0,
            int32_t count = 12) {
    p().running = true;
    p().status = 1;
    p().title = PlayerTitle(index + 1, song);
    p().position_ms = position_ms;
    p().length_sec = length_sec;
    p().playlist_index = index;
    p().playlist_length = count;
    p().sample_rate = 44;
    p().bitrate = 320;
    p().channels = 2;
  }
  void Tick() { w().WinampTick(); }
  std::string Row(int row) { return rig.glass().Row(row); }
  testing::FakeMediaPlayer& p() { return rig.player; }
  Winamp& w() { return rig.program->winamp(); }
  Rig rig;
};

TEST_F(WinampTest, ModeOneOnEachScreen) {
  Use(kModelOrbital2x20);
  Play("Air - Sexy Boy", 61500, 200, 2);
  Tick();
  EXPECT_EQ(Row(0), "Air - Sexy Boy      ");
  EXPECT_EQ(Row(1), " |01:02|    Track:3 ");

  Use(kModelNoritake);
  Tick();
  EXPECT_EQ(Row(0), Fit("Air - Sexy Boy", 24));
  EXPECT_EQ(Row(1), "|01:02/03:20|    Track:3");

  Use(kModelOrbital4x20);
  Tick();
  EXPECT_EQ(rig.glass().Text(),
            "Air - Sexy Boy      \n"
            " Time: 01:02/03:20  \n"
            "    Track: 3/12     \n"
            "2Ch  44KHz  320Kbps ");
}

TEST_F(WinampTest, RemainingTimeCarriesItsMinusOnlyWhereTheLayoutSaysSo) {
  Use(kModelIeeParallel);
  w().time_style = "Remaining";
  Play("Song", 50000, 200);
  Tick();
  EXPECT_EQ(Row(1), "  Time: -02:30/03:20       Track: 1/12  ");

  Use(kModelOrbital4x20);
  Tick();
  EXPECT_EQ(Row(1), " Time: -02:30/03:20 ");

  Use(kModelOrbital2x20);
  Tick();
  EXPECT_EQ(Row(1), " |02:30|    Track:1 ");
  // Without a length there is nothing to count down from: the elapsed time shows.
  p().length_sec = 0;
  Tick();
  EXPECT_EQ(Row(1), " |00:50|    Track:1 ");
}

TEST_F(WinampTest, ATrackNumberWithoutACountShowsAloneAndKeepsTheRightEdge) {
  // A player that tells only the track's own number reports no count (0).
  Use(kModelIeeParallel);
  Play("Song", 50000, 200, 6, 0);
  Tick();
  EXPECT_EQ(Row(1), "  Time: 00:50/03:20           Track: 7  ");
  w().mode = 2;
  Tick();
  EXPECT_EQ(Row(1).substr(22), "          Track: 7");
  Use(kModelOrbital4x20);
  Tick();
  EXPECT_EQ(Row(2), "      Track: 7      ");
  w().mode = 1;
  Tick();
  EXPECT_EQ(Row(2), "      Track: 7      ");
  // The screens that show no count never did.
  Use(kModelNoritake);
  Tick();
  EXPECT_EQ(Row(1), "|00:50/03:20|    Track:7");
}

TEST_F(WinampTest, ModeTwoShowsTheBarAndAnEmptyOneWithoutALength) {
  w().mode = 2;
  Use(kModelOrbital2x20);
  Play("Song", 100000, 200);
  Tick();
  EXPECT_EQ(Row(1), "*****----    Track:1");  // the trailing blank falls off the line
  p().length_sec = 0;
  Tick();
  EXPECT_EQ(Row(1), "---------    Track:1");

  Use(kModelOrbital4x20);
  Tick();
  EXPECT_EQ(Row(1), std::string(20, '-'));
  p().length_sec = 200;
  Tick();
  EXPECT_EQ(Row(1), std::string(10, '*') + std::string(10, '-'));
  EXPECT_EQ(Row(3), "2Ch  44KHz  320Kbps ");

  Use(kModelIeeParallel);
  Tick();  // step 33 of 66: ten full cells, then the partial glyph
  EXPECT_EQ(Row(1),
            std::string(10, '\xFD') + "\xFE" + std::string(11, '\xFF') + "       Track: 1/12");
  EXPECT_EQ(rig.glass().glyphs.at(1), (std::vector<uint8_t>{0x00, 0x24, 0x4E, 0x42, 0x62, 0x00}));
  p().length_sec = 0;
  Tick();
  EXPECT_EQ(Row(1).substr(0, 22), std::string(22, '\xFF'));

  Use(kModelNoritake);
  Tick();
  EXPECT_EQ(Row(1), std::string(13, '-') + "    Track:1");
}

TEST_F(WinampTest, ModeThreeShowsTheClockWithTheDateCutToFit) {
  w().mode = 3;
  rig.loop.SetWallClock({2026, 12, 16, 15, 45, 12});
  Play("Song", 50000, 200);
  Use(kModelOrbital2x20);
  Tick();
  EXPECT_EQ(Row(0), "3:45:12 PM  12/16/26");  // a 10-character date shows with two year digits
  EXPECT_EQ(Row(1), Fit("Song", 20));

  Use(kModelIeeParallel);
  Tick();
  EXPECT_EQ(Row(0), "    3:45:12 PM       December 16th, 2026");

  Use(kModelNoritake);
  Tick();
  EXPECT_EQ(Row(0), "3:45:12 PM    12/16/2026");

  Use(kModelOrbital4x20);
  w().time_style = "Remaining";
  Tick();
  EXPECT_EQ(rig.glass().Text(),
            "     3:45:12 PM     \n"
            "December 16th, 2026 \n"
            "Song                \n"
            " Time: -02:30/03:20 ");
}

TEST_F(WinampTest, TheSongTextScrollsOnlyWhenWiderThanTheLineAndAfterFiveSeconds) {
  Use(kModelOrbital2x20);
  w().title_style = "Scroll";
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  Play(twenty, 60000, 200);
  for (int i = 0; i < 3; ++i)
    Tick();
  EXPECT_EQ(w().now_playing_text, twenty + "      ");  // 26 characters: it fits
  EXPECT_EQ(Row(0), twenty);

  const std::string wide = twenty + "U";
  Play(wide, 4000, 200);
  Tick();
  Tick();
  EXPECT_EQ(Row(0), twenty);  // position 4: still from the beginning
  p().position_ms = 5000;
  Tick();  // a title it has not scrolled yet starts afresh
  EXPECT_EQ(Row(0), twenty);
  Tick();
  EXPECT_EQ(w().now_playing_text, wide.substr(1) + "      A");
  EXPECT_EQ(Row(0), "BCDEFGHIJKLMNOPQRSTU");

  // The next track: rebuilt on every tick of its first five seconds, then rotating again.
  const std::string next = "abcdefghijklmnopqrstuvwxyz";
  Play(next, 0, 200, 1);
  Tick();
  EXPECT_EQ(Row(0), next.substr(0, 20));
  p().position_ms = 4400;
  Tick();
  EXPECT_EQ(Row(0), next.substr(0, 20));
  p().position_ms = 5000;
  Tick();
  EXPECT_EQ(Row(0), next.substr(0, 20));
  Tick();
  EXPECT_EQ(Row(0), next.substr(1, 20));

  // A fixed title never moves.
  w().title_style = "Fixed";
  Tick();
  EXPECT_EQ(Row(0), next.substr(0, 20));
}

TEST_F(WinampTest, WideScreensScrollOnlyWhatIsWiderThanTheirLines) {
  w().title_style = "Scroll";
  Use(kModelIeeParallel);
  Play(std::string(40, 'x'), 60000, 200);
  Tick();
  Tick();
  EXPECT_EQ(w().now_playing_text, std::string(40, 'x') + "      ");
  Use(kModelNoritake);
  Play(std::string(24, 'y') + "z", 60000, 200);
  Tick();
  Tick();
  EXPECT_EQ(w().now_playing_text, std::string(23, 'y') + "z      y");
}

TEST_F(WinampTest, AnEmptyPlayerTitleShowsTheEndOfError) {
  Use(kModelOrbital2x20);
  Play("", 60000, 200);
  p().title = "";
  Tick();
  EXPECT_EQ(w().now_playing_text, "or");
  EXPECT_EQ(Row(0), Fit("or", 20));
}

TEST_F(WinampTest, AStoppedPlayerSwitchesOnlyWhenAskedAndAMissingOneAlways) {
  Use(kModelOrbital2x20);
  Play("Song", 50000, 200);
  p().status = 0;
  w().switch_when_stopped = false;
  Tick();
  EXPECT_EQ(Row(0), Fit("Song", 20));  // the stopped player's data keep showing
  EXPECT_EQ(Row(1), " |00:50|    Track:1 ");

  w().switch_when_stopped = true;  // the alternate function: the clock, at this timer's pace
  Tick();
  const std::string time = rig.formats.TimeText(rig.loop.Now());
  EXPECT_EQ(Row(0), Fit(std::string((20 - time.size()) / 2, ' ') + time, 20));
  EXPECT_FALSE(rig.main().Timer3.Enabled());

  p().status = 1;
  p().running = false;
  w().switch_when_stopped = false;
  w().alt_function = 10;  // the vertical scroll
  rig.program->ticker().current_message = "HELLO";
  Tick();
  EXPECT_EQ(Row(0), Fit("HELLO", 20));
  EXPECT_FALSE(rig.main().Timer10.Enabled());
}

TEST_F(WinampTest, AlternateCodesSleepBlankTheScreenAndOthersDoNothing) {
  Use(kModelOrbital4x20);
  rig.display().Write4x20("a", "b", "c", "d");
  w().alt_function = 4;
  Tick();  // no player
  EXPECT_EQ(rig.glass().Text(),
            "                    \n"
            "                    \n"
            "                    \n"
            "                    ");
  rig.display().Write4x20("a", "b", "c", "d");
  const std::string before = rig.glass().Text();
  for (int16_t code : {0, 5, 7, 8, 9, 11, 99}) {
    w().alt_function = code;  // codes that name no function
    Tick();
    EXPECT_EQ(rig.glass().Text(), before) << code;
  }
  // A layout number out of range also hands over to the alternate function.
  Play("Song", 5000, 200);
  w().mode = 9;
  w().alt_function = 4;
  Tick();
  EXPECT_EQ(Row(0), std::string(20, ' '));
}

TEST_F(WinampTest, TheButtonPreparesTheTextWithItsOwnSeparatorAndDrawsNothing) {
  Use(kModelOrbital2x20);
  Play("0123456789abcdefghijk", 60000, 200);
  rig.main().cmdClock.Click();
  const std::string clock = rig.glass().Text();
  rig.main().cmdWinamp.Click();
  EXPECT_TRUE(rig.main().Timer4.Enabled());
  EXPECT_FALSE(rig.main().Timer3.Enabled());
  EXPECT_EQ(w().now_playing_text, "0123456789abcdefghijk *** ");
  EXPECT_EQ(rig.glass().Text(), clock);  // the first frame waits for the timer
  rig.loop.RunFor(1000);
  EXPECT_EQ(w().now_playing_text, "0123456789abcdefghijk      ");
  EXPECT_EQ(Row(0), "0123456789abcdefghij");

  p().status = 0;  // a stopped player leaves the text alone
  w().now_playing_text = "kept";
  rig.main().cmdWinamp.Click();
  EXPECT_EQ(w().now_playing_text, "kept");
}

class PatternUploadTest : public WinampTest {
 protected:
  PatternUploadTest() {
    Use(kModelIeeParallel);
    Play("Song", 60000, 200);
  }
  static constexpr const char* kUpload = "18 00 00 04 46 42 62 40 02 00 04 04 00 20 00";
};

TEST_F(PatternUploadTest, TheButtonSendsTheFifteenBytesPacedWhileTicksOnlyPreview) {
  w().title_style = "Scroll";
  rig.main().Timer4.SetInterval(73);
  rig.display().Write2x40("before", "");
  rig.parallel.Reset();
  const int64_t start = rig.loop.NowMicros();
  rig.main().cmdWinamp.Click();
  // Only the brightness goes out before the upload, and nothing between its bytes, although the
  // timer ticked during its pauses.
  const std::string strobed = rig.parallel.Strobed();
  ASSERT_GE(strobed.size(), std::string(kUpload).size());
  EXPECT_EQ(strobed.substr(strobed.size() - std::string(kUpload).size()), kUpload);
  EXPECT_LE(strobed.size(), std::string(kUpload).size() + 3);
  EXPECT_GE(rig.loop.NowMicros() - start, 16 * 5000);
  EXPECT_EQ(rig.display().parallel_busy, 0);
  EXPECT_EQ(rig.main().Line1.Caption(), Fit("Song", 40));  // the preview went on
  // The display takes glyph 0 and the blank among the trailing codes; the next frame covers it.
  EXPECT_EQ(rig.glass().glyphs.at(0), (std::vector<uint8_t>{0x00, 0x04, 0x46, 0x42, 0x62, 0x40}));
  EXPECT_EQ(Row(0), Fit(" efore", 40));
  rig.loop.RunFor(73);
  EXPECT_EQ(Row(0), Fit("Song", 40));
}

TEST_F(PatternUploadTest, NoUploadWithoutAnAddressOnOtherModelsOrDuringAnotherUpload) {
  rig.display().parallel_busy = 1;  // a bar glyph is being loaded
  rig.parallel.Reset();
  rig.main().cmdWinamp.Click();
  EXPECT_EQ(rig.parallel.Strobed().find("18 00"), std::string::npos);
  rig.display().parallel_busy = 0;

  Rig no_port;
  no_port.UseModel(kModelIeeParallel);
  no_port.main().cmdWinamp.Click();
  EXPECT_TRUE(no_port.parallel.accesses.empty());

  Use(kModelNoritake);
  rig.parallel.Reset();
  const int64_t start = rig.loop.NowMicros();
  rig.main().cmdWinamp.Click();
  EXPECT_LT(rig.loop.NowMicros() - start, 5000);  // no pauses either
}

TEST_F(PatternUploadTest, StartUpReadsThePlayerAndUploadsBeforeTheStoredFunctionStarts) {
  Settings s;
  s.DisplayModelCode = kModelIeeParallel;
  s.ScreenTypeCode = kScreen2x40;
  s.ParallelPortBase = 888;
  s.StartFunctionCode = "4";
  s.CrackOnLoadCaption = "Standard Load";
  s.WinampTitleStyle = "Scroll";
  s.WinampScrollInterval = 138;
  Rig fresh;
  fresh.player = rig.player;
  fresh.files.files["vfdsettings.txt"] = FormatSettings(s);
  fresh.Emulate(kModelIeeParallel);
  fresh.program->Start();
  EXPECT_NE(fresh.parallel.Strobed().find(kUpload), std::string::npos);
  EXPECT_TRUE(fresh.main().Timer4.Enabled());
  EXPECT_EQ(fresh.main().Timer4.Interval(), 138);
  EXPECT_EQ(fresh.glass().Row(0), Fit("Song", 40));  // the first tick ran at once
}

class WinampConfigTest : public WinampTest {
 protected:
  FrmWinampConfig& f() { return w().config(); }
};

TEST_F(WinampConfigTest, OpensConsistentWithTheStoredValues) {
  Use(kModelOrbital2x20);
  rig.main().cmdWinampConfig.Click();
  ASSERT_TRUE(f().Loaded());
  EXPECT_EQ(f().Caption(), "VFD Vorlinx - Winamp Config");
  EXPECT_EQ(f().cboAltFunction.Items(),
            (std::vector<std::string>{"Sleep", "Ticker", "Vertical Scroll", "The Matrix", "Clock",
                                      "Motherboard Monitor", "Tides", "[H]ard|News", "Shacknews",
                                      "Countdown", "Weather"}));
  EXPECT_EQ(f().cboAltFunction.Text(), "Clock");
  EXPECT_EQ(f().sldWinamp.Value(), 203);
  EXPECT_TRUE(f().optFixed.Value());
  EXPECT_FALSE(f().optScrolling.Value());
  EXPECT_FALSE(f().sldWinamp.Enabled());
  EXPECT_FALSE(f().fraWinampSpeed.Enabled());
  EXPECT_EQ(rig.main().Timer4.Interval(), 1000);
  EXPECT_TRUE(f().optMode1.Value());
  EXPECT_TRUE(f().fraTime.Enabled());
  EXPECT_TRUE(f().optElapsed.Value());
  EXPECT_TRUE(f().chkSwitchStop.Checked());
  f().Unload();

  w().alt_function = 16;  // the code cracker: no name in the list
  w().mode = 7;
  w().title_style = "Scroll";
  w().scroll_interval = 138;
  w().switch_when_stopped = false;
  rig.main().cmdWinampConfig.Click();
  EXPECT_EQ(f().cboAltFunction.Text(), "");
  EXPECT_TRUE(f().optMode1.Value());
  EXPECT_EQ(w().mode, 1);
  EXPECT_TRUE(f().optScrolling.Value());
  EXPECT_EQ(rig.main().Timer4.Interval(), 138);
  EXPECT_FALSE(f().chkSwitchStop.Checked());
  f().cmdApply.Click();
  EXPECT_FALSE(f().Loaded());
  EXPECT_EQ(w().alt_function, 16);  // kept: the list names no other choice
}

TEST_F(WinampConfigTest, EveryChoiceTakesEffectAtOnce) {
  Use(kModelOrbital2x20);
  rig.main().cmdWinampConfig.Click();
  f().optScrolling.SetValue(true);
  EXPECT_FALSE(f().optFixed.Value());
  EXPECT_EQ(w().title_style, "Scroll");
  EXPECT_TRUE(f().sldWinamp.Enabled());
  EXPECT_EQ(rig.main().Timer4.Interval(), 203);
  f().sldWinamp.SetValue(73);
  EXPECT_EQ(rig.main().Timer4.Interval(), 73);
  EXPECT_EQ(w().scroll_interval, 73);
  f().optFixed.SetValue(true);
  EXPECT_EQ(rig.main().Timer4.Interval(), 1000);
  EXPECT_EQ(w().scroll_interval, 73);

  f().optMode2.SetValue(true);
  EXPECT_EQ(w().mode, 2);
  EXPECT_FALSE(f().optMode1.Value());
  EXPECT_FALSE(f().fraTime.Enabled() || f().optElapsed.Enabled() || f().optRemaining.Enabled());
  f().optMode3.SetValue(true);  // a time shows in this layout only on four rows
  EXPECT_FALSE(f().optRemaining.Enabled());
  f().optMode1.SetValue(true);
  EXPECT_TRUE(f().optRemaining.Enabled());
  rig.display().screen_type = kScreen4x20;
  f().optMode3.SetValue(true);
  EXPECT_TRUE(f().optRemaining.Enabled());

  f().optRemaining.SetValue(true);
  EXPECT_EQ(w().time_style, "Remaining");
  EXPECT_FALSE(f().optElapsed.Value());
  f().chkSwitchStop.SetChecked(false);
  EXPECT_FALSE(w().switch_when_stopped);
  f().cboAltFunction.SetListIndex(f().cboAltFunction.Find("Sleep"));
  EXPECT_EQ(w().alt_function, 4);

  // Closing without Apply keeps all of it; the file gets it at exit.
  f().Unload();
  Settings s;
  rig.program->modes().StoreFunctionSettings(s);
  EXPECT_EQ(s.WinampMode, 3);
  EXPECT_EQ(s.WinampTitleStyle, "Fixed");
  EXPECT_EQ(s.WinampScrollInterval, 73);
  EXPECT_EQ(s.WinampTimeStyle, "Remaining");
  EXPECT_EQ(s.WinampAltFunction, 4);
  EXPECT_FALSE(s.WinampSwitchWhenStopped);
}

TEST_F(WinampConfigTest, ApplyReadsEveryControlAgain) {
  Use(kModelOrbital2x20);
  rig.main().cmdWinampConfig.Click();
  f().optScrolling.SetValue(true);
  f().sldWinamp.SetValue(268);
  f().optMode2.SetValue(true);
  f().cboAltFunction.SetListIndex(f().cboAltFunction.Find("Countdown"));
  // Values changed behind the dialog's back are put back to what it shows.
  w().mode = 1;
  w().alt_function = 99;
  rig.main().Timer4.SetInterval(500);
  f().cmdApply.Click();
  EXPECT_EQ(w().mode, 2);
  EXPECT_EQ(w().title_style, "Scroll");
  EXPECT_EQ(w().scroll_interval, 268);
  EXPECT_EQ(rig.main().Timer4.Interval(), 268);
  EXPECT_EQ(w().alt_function, 15);
  EXPECT_FALSE(f().Loaded());
}

}  // namespace
}  // namespace vfd
