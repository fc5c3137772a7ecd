// Vertical scroll and the countdown.
#include <gtest/gtest.h>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

class ScrollTest : public ::testing::Test {
 protected:
  void Use(int16_t model, const std::string& message) {
    rig.UseModel(model);
    rig.Emulate(model);
    rig.program->ticker().current_message = message;
  }
  Rig rig;
};

TEST_F(ScrollTest, AMessageThatFitsStandsStill) {
  std::string forty = std::string(20, 'a') + std::string(20, 'b');
  Use(kModelOrbital2x20, forty);
  rig.main().cmdVertScroll.Click();
  rig.loop.RunFor(3000);
  EXPECT_EQ(rig.glass().Text(), std::string(20, 'a') + "\n" + std::string(20, 'b'));
  EXPECT_EQ(rig.program->ticker().current_message, forty);
  Use(kModelOrbital2x20, "");
  rig.program->modes().RunTick(10);
  EXPECT_EQ(rig.glass().Text(), std::string(20, ' ') + "\n" + std::string(20, ' '));
}

TEST_F(ScrollTest, ALongerMessageIsPaddedToWholeLinesAndMovesUpOneLinePerTick) {
  std::string a(20, 'a'), b(20, 'b'), c = "c";
  Use(kModelOrbital2x20, a + b + c);  // 41 characters: three lines
  rig.main().cmdVertScroll.Click();   // the first tick already moves
  const std::string c_line = Fit("c", 20);
  EXPECT_EQ(rig.glass().Text(), b + "\n" + c_line);
  rig.loop.RunFor(1500);
  EXPECT_EQ(rig.glass().Text(), c_line + "\n" + a);
  rig.loop.RunFor(1500);
  EXPECT_EQ(rig.glass().Text(), a + "\n" + b);
  // Other readers of the message see it padded and where the scroll stopped.
  EXPECT_EQ(rig.program->ticker().current_message, a + b + c_line);
}

TEST_F(ScrollTest, FourRowsStepOneRowAtATime) {
  std::string message;
  for (char ch : std::string("12345"))
    message += std::string(20, ch);  // five rows
  Use(kModelOrbital4x20, message);
  rig.main().cmdVertScroll.Click();
  auto rows = [&](const std::string& which) {
    std::string out;
    for (char ch : which)
      out += (out.empty() ? "" : "\n") + std::string(20, ch);
    return out;
  };
  EXPECT_EQ(rig.glass().Text(), rows("2345"));
  rig.loop.RunFor(1500);
  EXPECT_EQ(rig.glass().Text(), rows("3451"));
}

TEST(CountdownArithmeticTest, DaysBorrowTheEventMonthsLengthAndMonthsBorrowYears) {
  auto at = [](int y, int m, int d) { return LocalDateTime{y, m, d, 12, 0, 0}; };
  EXPECT_EQ(CountdownBetween(at(2003, 11, 30), 2003, 12, 25), (CountdownFigures{0, 0, 26}));
  // February counts 28 days even in a leap year.
  EXPECT_EQ(CountdownBetween(at(2004, 1, 10), 2004, 2, 5), (CountdownFigures{0, 0, 23}));
  // Days borrowed twice, at the event month's length each time.
  EXPECT_EQ(CountdownBetween(at(2004, 3, 31), 2005, 2, 1), (CountdownFigures{0, 9, 26}));
  EXPECT_EQ(CountdownBetween(at(2003, 12, 25), 2003, 12, 25), (CountdownFigures{0, 0, 0}));
  EXPECT_EQ(CountdownBetween(at(2003, 12, 26), 2003, 12, 25), (CountdownFigures{-1, 11, 30}));
}

class CountdownTest : public ::testing::Test {
 protected:
  void Use(int16_t model, LocalDateTime today) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
    rig.loop.SetWallClock(today);
  }
  Rig rig;
};

TEST_F(CountdownTest, NarrowScreensCycleThroughTheThreeFiguresAndContinueWhereTheyStopped) {
  Use(kModelOrbital2x20, {2003, 11, 30, 9, 0, 0});
  rig.main().cmdCount.Click();
  EXPECT_EQ(rig.glass().Text(), Fit("0 Years Until:", 20) + "\n" + Fit("Christmas", 20));
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.glass().Row(0), Fit("0 Months Until:", 20));
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.glass().Row(0), Fit("26 Days Until:", 20));
  rig.main().cmdClock.Click();
  rig.main().cmdCount.Click();  // the cycle is not reset
  EXPECT_EQ(rig.glass().Row(0), Fit("0 Years Until:", 20));
  rig.loop.SetWallClock({2003, 12, 26, 9, 0, 0});
  rig.program->countdown().countdown_view = 0;
  rig.program->modes().RunTick(15);
  EXPECT_EQ(rig.glass().Row(0), Fit("-1 Years Until:", 20));
}

TEST_F(CountdownTest, WideScreensShowAllThreeFigures) {
  Use(kModelIeeParallel, {2003, 12, 20, 9, 0, 0});
  rig.program->modes().RunTick(15);
  EXPECT_EQ(rig.glass().Text(),
            Fit("0 Years, 0 Months, and 5 Days Until:", 40) + "\n" + Fit("Christmas", 40));

  Rig four;
  four.UseModel(kModelOrbital4x20);
  four.Emulate(kModelOrbital4x20);
  four.loop.SetWallClock({2003, 12, 20, 9, 0, 0});
  four.program->countdown().event = "The Long Awaited Release Of Something";
  four.program->modes().RunTick(15);
  EXPECT_EQ(four.glass().Text(),
            "0 Years, 0 Months,  \n"
            "and 5 Days Until:   \n"
            "The Long Awaited Rel\n"
            "ease Of Something   ");
}

TEST_F(CountdownTest, TheDialogShowsAndAppliesTheEvent) {
  Use(kModelOrbital2x20, {2026, 12, 6, 9, 0, 0});
  FrmCountdown& dialog = rig.program->countdown_config();
  rig.main().cmdCountConfig.Click();
  EXPECT_TRUE(dialog.Loaded());
  EXPECT_EQ(dialog.Caption(), "VFD Vorlinx - Countdown Config");
  EXPECT_EQ(dialog.txtEvent.Text(), "Christmas");
  EXPECT_EQ(dialog.Calendar.Year(), 2003);
  dialog.txtEvent.SetText("Launch");
  dialog.Calendar.SetDate(2027, 2, 31);  // the calendar keeps to real dates
  dialog.cmdApply.Click();
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(rig.program->countdown().event, "Launch");
  EXPECT_EQ(rig.program->countdown().month, 2);
  EXPECT_EQ(rig.program->countdown().day, 28);
  rig.program->Shutdown();
  SettingsParse saved = ParseSettings(rig.files.files.at("vfdsettings.txt"));
  EXPECT_EQ(saved.settings.CountdownEvent, "Launch");
  EXPECT_EQ(saved.settings.CountdownYear, 2027);
}

}  // namespace
}  // namespace vfd
