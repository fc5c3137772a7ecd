// The clock's layouts on every geometry in both styles, its date words, and the message that
// slides back and forth.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "effects/Clock.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

class ClockTest : public ::testing::Test {
 protected:
  // `model`'s display attached; the wall clock at 6 December 2026, 3:45:12 PM.
  void Use(int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
    rig.loop.SetWallClock({2026, 12, 6, 15, 45, 12});
  }
  Clock& clock() { return rig.program->clock(); }
  void Custom(const std::string& message) {
    rig.main().cmdClockMode.SetCaption("Custom");
    rig.program->ticker().current_message = message;
  }
  std::string Row(int r) { return rig.glass().Row(r); }

  Rig rig;
};

TEST(DateWordsTest, MonthNamesAndOrdinals) {
  auto words = [](int month, int day) { return DateWordsOf({2026, month, day, 0, 0, 0}); };
  EXPECT_EQ(words(12, 6), "December 6th, 2026");
  EXPECT_EQ(words(2, 1), "Febuary 1st, 2026");
  EXPECT_EQ(words(1, 2), "January 2nd, 2026");
  EXPECT_EQ(words(3, 3), "March 3rd, 2026");
  EXPECT_EQ(words(4, 11), "April 11th, 2026");
  EXPECT_EQ(words(5, 12), "May 12th, 2026");
  EXPECT_EQ(words(6, 13), "June 13th, 2026");
  EXPECT_EQ(words(7, 21), "July 21st, 2026");
  EXPECT_EQ(words(8, 22), "August 22nd, 2026");
  EXPECT_EQ(words(9, 23), "September 23rd, 2026");
  EXPECT_EQ(words(10, 30), "October 30th, 2026");
  EXPECT_EQ(words(11, 31), "November 31st, 2026");
  EXPECT_EQ(ShortDate2Of("12/6/2026"), "12/6/26");
  EXPECT_EQ(ShortDate2Of("06.12.2026"), "06.12.26");
}

TEST_F(ClockTest, DefaultOn2x20CentresTheTimeAndTheDate) {
  Use(kModelIeeSerial);
  rig.main().cmdClock.Click();
  EXPECT_EQ(Row(0), "     3:45:12 PM     ");
  EXPECT_EQ(Row(1), " December 6th, 2026 ");
}

TEST_F(ClockTest, CustomOn2x20PutsTheShortDateAtTheRightEnd) {
  Use(kModelOrbital2x20);
  Custom("SHORT MESSAGE");
  clock().Tick();
  EXPECT_EQ(Row(0), "3:45:12 PM   12/6/26");
  EXPECT_EQ(Row(1), "SHORT MESSAGE       ");
}

TEST_F(ClockTest, TwoByFortyAlignsTheTimeAtColumn14AndTheDateAfterIt) {
  Use(kModelIeeParallel);
  clock().Tick();
  EXPECT_EQ(Row(0), "    3:45:12 PM        December 6th, 2026");  // the date ends at 40
  EXPECT_EQ(Row(1), "     ::TIME::              ::DATE::     ");
  rig.loop.SetWallClock({2026, 12, 6, 10, 15, 0});
  rig.main().cmdClockMode.SetCaption("Custom");
  rig.program->ticker().current_message = "the message";
  clock().Tick();
  // An eleven-character time: the date words end at column 39.
  EXPECT_EQ(Row(0), "   10:15:00 AM       December 6th, 2026 ");
  EXPECT_EQ(Row(0).find_last_not_of(' '), 38u);
  EXPECT_EQ(Row(1), Fit("the message", 40));
}

TEST_F(ClockTest, FourRowsDefaultLeaveRowsTwoAndFourBlank) {
  Use(kModelOrbital4x20);
  clock().Tick();
  EXPECT_EQ(rig.glass().Text(),
            "     3:45:12 PM     \n"
            "                    \n"
            " December 6th, 2026 \n"
            "                    ");
  Custom("A MESSAGE OF MORE THAN TWENTY CHARACTERS");
  clock().Tick();
  EXPECT_EQ(rig.glass().Text(),
            "     3:45:12 PM     \n"
            " December 6th, 2026 \n"
            "A MESSAGE OF MORE TH\n"
            "AN TWENTY CHARACTERS");
}

TEST_F(ClockTest, TwoByTwentyFourBothStyles) {
  Use(kModelNoritake);
  clock().Tick();
  EXPECT_EQ(Row(0), "       3:45:12 PM       ");
  EXPECT_EQ(Row(1), "   December 6th, 2026   ");
  Custom("24");
  clock().Tick();
  EXPECT_EQ(Row(0), "3:45:12 PM       12/6/26");
}

TEST_F(ClockTest, ALongMessageHoldsSlidesHoldsAndReturns) {
  Use(kModelOrbital2x20);
  Custom("ABCDEFGHIJKLMNOPQRSTUVWXY");  // 25 characters: five positions to slide
  std::vector<int> offsets;
  for (int tick = 0; tick < 23; ++tick) {
    std::string line = clock().BounceLine(20);
    offsets.push_back(line[0] - 'A');
  }
  EXPECT_EQ(offsets, (std::vector<int>{0, 0, 1, 2, 3, 4, 5, 5, 5, 5, 5, 5,
                                       4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 1}));
  Custom("SHORT");  // fits: no slide, and the state is left alone
  EXPECT_EQ(clock().BounceLine(20), Fit("SHORT", 20));
  EXPECT_EQ(clock().bounce_offset, 1);
}

TEST_F(ClockTest, AShorterMessageBringsTheWindowBackAndTheCounterNeverRunsAway) {
  Use(kModelOrbital2x20);
  Custom(std::string(60, 'x'));
  for (int tick = 0; tick < 40; ++tick)
    clock().BounceLine(20);  // well out along the 60
  ASSERT_GT(clock().bounce_offset, 5);
  Custom("ABCDEFGHIJKLMNOPQRSTUVWXY");
  std::string line;
  for (int tick = 0; tick < 100000; ++tick) {
    line = clock().BounceLine(20);
    ASSERT_LE(clock().bounce_offset, 5);
    ASSERT_GE(clock().bounce_offset, 0);
    ASSERT_LE(std::abs(clock().bounce_counter), 3);
  }
  // Still sliding over the whole message.
  std::set<char> starts;
  for (int tick = 0; tick < 30; ++tick)
    starts.insert(clock().BounceLine(20)[0]);
  EXPECT_EQ(starts, (std::set<char>{'A', 'B', 'C', 'D', 'E', 'F'}));
}

TEST_F(ClockTest, AMessageChangedDuringAHoldKeepsSliding) {
  Use(kModelOrbital2x20);
  Custom("ABCDEFGHIJKLMNOPQRSTUVWXY");
  for (int tick = 0; tick < 8; ++tick)
    clock().BounceLine(20);              // holding at the end (5)
  Custom(std::string(40, 'x') + "END");  // the window now stands in the middle of the message
  std::set<int> seen;
  for (int tick = 0; tick < 60; ++tick) {
    clock().BounceLine(20);
    seen.insert(clock().bounce_offset);
  }
  EXPECT_TRUE(seen.count(23));  // reached the new end
}

}  // namespace
}  // namespace vfd
