// The AutoTimer on the virtual clock: matching by hour and minute, waking before acting, two
// ticks per minute, its dialog's times in 12- and 24-hour forms, and the settings file.
#include <gtest/gtest.h>

#include "shell/SettingsFile.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

constexpr LocalDateTime At(int hour, int minute, int second) {
  return LocalDateTime{2026, 12, 7, hour, minute, second};
}

class AutoTimerTest : public ::testing::Test {
 protected:
  AutoTimerTest() {
    // Weather is not built into the program yet; a stand-in notes its activations.
    modes().Register({.code = 17,
                      .button = &m().cmdWeather,
                      .timer = &m().Timer17,
                      .first_frame = FirstFrame::kBefore,
                      .tick = [] {},
                      .after_activate = [this] { ++weather_starts; }});
    rig.UseModel(kModelIeeSerial);
    // A write may carry other output around the commands.
    rig.serial.on_bytes = [this](std::string_view bytes) {
      for (size_t at = 0; (at = bytes.find('\x19', at)) != std::string_view::npos; ++at) {
        if (bytes.substr(at, 2) == "\x19\x33") log += "sleep ";
        if (bytes.substr(at, 2) == "\x19\x34") log += "wake ";
      }
    };
  }
  ModeController& modes() { return rig.program->modes(); }
  FrmMain& m() { return rig.main(); }
  AutoTimer& timer() { return rig.program->auto_timer(); }
  FrmTimer& dialog() { return rig.program->timer_config(); }
  bool Asleep() { return m().cmdSleep.Caption() == "Wake"; }

  Rig rig;
  std::string log;
  int weather_starts = 0;
};

TEST_F(AutoTimerTest, DefaultsArmedSleepAt2300WakeAtMidnightAndStartWeatherAt0700) {
  m().cmdClock.Click();
  rig.loop.SetWallClock(At(22, 59, 0));
  m().cmdSleepTimer.Click();
  EXPECT_EQ(m().cmdSleepTimer.Caption(), "AutoTimer On");
  rig.loop.RunFor(60'000);  // ticks at 22:59:30 and 23:00:00
  EXPECT_TRUE(Asleep());
  EXPECT_FALSE(m().Timer3.Enabled());
  EXPECT_EQ(log, "sleep ");
  rig.loop.RunFor(30'000);  // 23:00:30: woken and put to sleep again
  EXPECT_TRUE(Asleep());
  EXPECT_EQ(log, "sleep wake sleep ");

  log.clear();
  rig.loop.SetWallClock(At(23, 59, 45));
  rig.loop.RunFor(30'000);  // 00:00:15: the first "None" slot wakes the display; the clock is back
  EXPECT_FALSE(Asleep());
  EXPECT_EQ(log, "wake ");
  EXPECT_TRUE(m().Timer3.Enabled());
  rig.loop.RunFor(30'000);
  EXPECT_EQ(log, "wake ");  // awake slots with "None" do nothing

  rig.loop.SetWallClock(At(6, 59, 45));
  rig.loop.RunFor(30'000);
  EXPECT_EQ(weather_starts, 1);
  EXPECT_TRUE(m().Timer17.Enabled());
  EXPECT_FALSE(m().Timer3.Enabled());
}

TEST_F(AutoTimerTest, ASlotMatchesItsWholeMinuteWhateverItsSeconds) {
  timer().times[1] = {7, 0, 45};
  for (auto [at, starts] : {std::pair{At(6, 59, 59), 0}, std::pair{At(7, 0, 0), 1},
                            std::pair{At(7, 0, 59), 2}, std::pair{At(7, 1, 0), 2}}) {
    rig.loop.SetWallClock(at);
    timer().Tick();
    EXPECT_EQ(weather_starts, starts) << at.minute << ":" << at.second;
  }
}

TEST_F(AutoTimerTest, ArmedAt065950ASlotAt0700FiresOnTheTwoTicksOfItsMinute) {
  rig.loop.SetWallClock(At(6, 59, 50));
  m().cmdSleepTimer.Click();
  rig.loop.RunFor(29'999);
  EXPECT_EQ(weather_starts, 0);
  rig.loop.RunFor(1);  // 07:00:20
  EXPECT_EQ(weather_starts, 1);
  rig.loop.RunFor(30'000);  // 07:00:50
  EXPECT_EQ(weather_starts, 2);
  rig.loop.RunFor(30'000);  // 07:01:20
  EXPECT_EQ(weather_starts, 2);
  m().cmdSleepTimer.Click();
  EXPECT_EQ(m().cmdSleepTimer.Caption(), "AutoTimer Off");
  EXPECT_FALSE(m().Timer18.Enabled());
}

TEST_F(AutoTimerTest, SleepThenClockAtTheSameMinuteActInSlotOrderWithinOneTick) {
  m().cmdTicker.Click();
  timer().times = {TimeOfDay{8, 15, 0}, TimeOfDay{8, 15, 30}, TimeOfDay{9, 0, 0}};
  timer().functions = {5, 3, 16, 0, 0, 0, 0, 0};
  rig.loop.SetWallClock(At(8, 15, 10));
  timer().Tick();
  EXPECT_EQ(log, "sleep wake ");
  EXPECT_FALSE(Asleep());
  EXPECT_TRUE(m().Timer3.Enabled());
  EXPECT_FALSE(m().Timer1.Enabled());
  // The code cracker, which the dialog does not offer, is acted on as well.
  rig.loop.SetWallClock(At(9, 0, 0));
  timer().Tick();
  EXPECT_TRUE(m().Timer16.Enabled());
}

TEST_F(AutoTimerTest, TheDialogShowsLongTimesAndTheListInItsOrder) {
  timer().functions[2] = 16;
  m().cmdSleepTimerConfig.Click();
  EXPECT_EQ(dialog().Caption(), "VFD Vorlinx - AutoTimer Config");
  EXPECT_EQ(dialog().txtTime[0].Text(), "11:00:00 PM");
  EXPECT_EQ(dialog().txtTime[1].Text(), "7:00:00 AM");
  EXPECT_EQ(dialog().txtTime[2].Text(), "12:00:00 AM");
  EXPECT_EQ(dialog().cboFunction[0].Text(), "Sleep");
  EXPECT_EQ(dialog().cboFunction[1].Text(), "Weather");
  EXPECT_EQ(dialog().cboFunction[2].Text(), "");
  EXPECT_EQ(dialog().cboFunction[3].Text(), "None");
  EXPECT_EQ(dialog().cboFunction[7].Items(),
            (std::vector<std::string>{"None", "Sleep", "Ticker", "Vertical Scroll", "The Matrix",
                                      "Clock", "Winamp", "Motherboard Monitor", "Weather", "Tides",
                                      "[H]ard|News", "Shacknews", "Countdown"}));
}

TEST_F(AutoTimerTest, ApplyReadsBothClockFormsAndStopsAtATextThatIsNoTime) {
  m().cmdSleepTimerConfig.Click();
  dialog().txtTime[0].SetText("7:00 PM");
  dialog().cboFunction[0].SetText("Clock");
  dialog().txtTime[1].SetText("06:30");
  dialog().cboFunction[1].SetText("Tide");  // no entry: the code stays
  dialog().txtTime[2].SetText("soon");
  dialog().cboFunction[2].SetText("[H]ard|News");
  dialog().txtTime[3].SetText("08:00:00");
  dialog().cboFunction[3].SetText("Ticker");
  dialog().cmdApply.Click();
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].second,
            "You didn't enter a time properly, please use the format 'hh:mm:ss AM'\n\nRow 3: "
            "\"soon\"");
  EXPECT_TRUE(dialog().Loaded());
  EXPECT_EQ(timer().times[0], (TimeOfDay{19, 0, 0}));
  EXPECT_EQ(timer().functions[0], 3);
  EXPECT_EQ(timer().times[1], (TimeOfDay{6, 30, 0}));
  EXPECT_EQ(timer().functions[1], 17);
  EXPECT_EQ(timer().times[2], (TimeOfDay{0, 0, 0}));  // the failing row: its action only
  EXPECT_EQ(timer().functions[2], 13);
  EXPECT_EQ(timer().functions[3], 0);

  dialog().txtTime[2].SetText("11:59:30 pm");
  dialog().cmdApply.Click();
  EXPECT_FALSE(dialog().Loaded());
  EXPECT_EQ(timer().times[2], (TimeOfDay{23, 59, 30}));
  EXPECT_EQ(timer().times[3], (TimeOfDay{8, 0, 0}));
  EXPECT_EQ(timer().functions[3], 1);
  EXPECT_FALSE(m().Timer18.Enabled());  // applying does not arm
}

TEST(TimeOfDayTest, TwelveAndTwentyFourHourFormsAreReadAndOthersRefused) {
  struct Case {
    const char* text;
    std::optional<TimeOfDay> time;
  };
  for (const Case& c : {
           Case{"07:00:45 AM", TimeOfDay{7, 0, 45}},
           Case{"7:05 PM", TimeOfDay{19, 5, 0}},
           Case{"12:00:00 AM", TimeOfDay{0, 0, 0}},
           Case{"12:30 PM", TimeOfDay{12, 30, 0}},
           Case{" 7pm ", TimeOfDay{19, 0, 0}},
           Case{"23:59:59", TimeOfDay{23, 59, 59}},
           Case{"0:00", TimeOfDay{0, 0, 0}},
           Case{"07.30", TimeOfDay{7, 30, 0}},
           Case{"", std::nullopt},
           Case{"7", std::nullopt},
           Case{"24:00", std::nullopt},
           Case{"13:00 PM", std::nullopt},
           Case{"0:30 AM", std::nullopt},
           Case{"7:60", std::nullopt},
           Case{"7:00:00:00", std::nullopt},
           Case{"7:00 XM", std::nullopt},
           Case{"PM", std::nullopt},
           Case{"123:00", std::nullopt},
       }) {
    EXPECT_EQ(RegionalFormats::ReadTimeOfDay(c.text), c.time) << '"' << c.text << '"';
  }
  // A locale's own markers are read besides AM and PM.
  EXPECT_EQ(RegionalFormats::ReadTimeOfDay("7:00 nachm.", "vorm.", "nachm."),
            (TimeOfDay{19, 0, 0}));
}

TEST_F(AutoTimerTest, TheArmedStateAndTheSlotsComeFromTheSettingsFileAndGoBack) {
  Settings s;
  s.AutoTimerCaption = "AutoTimer On";
  s.AutoTimerTimes[4] = {12, 34, 56};
  s.AutoTimerFunctions[4] = 14;
  rig.files.files["vfdsettings.txt"] = FormatSettings(s);
  rig.program->Start();
  EXPECT_TRUE(m().Timer18.Enabled());
  EXPECT_EQ(timer().times[4], (TimeOfDay{12, 34, 56}));
  EXPECT_EQ(timer().functions[4], 14);
  timer().functions[5] = 2;
  rig.program->Shutdown();
  SettingsParse saved = ParseSettings(rig.files.files.at("vfdsettings.txt"));
  ASSERT_TRUE(saved.ok);
  EXPECT_EQ(saved.settings.AutoTimerCaption, "AutoTimer On");
  EXPECT_EQ(saved.settings.AutoTimerTimes[4], (TimeOfDay{12, 34, 56}));
  EXPECT_EQ(saved.settings.AutoTimerFunctions[5], 2);
}

}  // namespace
}  // namespace vfd
