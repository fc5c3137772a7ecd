// The control models, timers and the virtual event loop that every other test stands on.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/Controls.h"
#include "core/Random.h"
#include "core/Timer.h"
#include "core/TimerBeat.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

using testing::VirtualEventLoop;

TEST(TimerTest, FiresInDueOrderAndEqualDueTimesInSchedulingOrder) {
  VirtualEventLoop loop;
  std::string order;
  Timer a("a", 50), b("b", 20), c("c", 50);
  a.on_tick = [&] { order += 'a'; };
  b.on_tick = [&] { order += 'b'; };
  c.on_tick = [&] { order += 'c'; };
  for (Timer* t : {&a, &b, &c})
    t->AttachHost(&loop);
  c.SetEnabled(true);
  a.SetEnabled(true);
  b.SetEnabled(true);
  loop.RunFor(100);
  // b at 20, 40; c and a at 50 (c scheduled first); b at 60, 80; c, a at 100; b at 100 last
  // because it was rescheduled after them at 80.
  EXPECT_EQ(order, "bbcabbcab");
  EXPECT_EQ(loop.NowMs(), 100);
}

TEST(TimerTest, IntervalChangeRestartsThePeriodAndDisableStops) {
  VirtualEventLoop loop;
  int ticks = 0;
  Timer t("t", 100);
  t.on_tick = [&] { ++ticks; };
  t.AttachHost(&loop);
  t.SetEnabled(true);
  loop.RunFor(90);
  t.SetInterval(100);  // a fresh period from 90 ms
  loop.RunFor(99);
  EXPECT_EQ(ticks, 0);
  loop.RunFor(1);
  EXPECT_EQ(ticks, 1);
  t.SetEnabled(true);  // already enabled: no restart
  loop.RunFor(100);
  EXPECT_EQ(ticks, 2);
  t.SetEnabled(false);
  loop.RunFor(1000);
  EXPECT_EQ(ticks, 2);
}

TEST(TimerTest, PauseInsideAHandlerRunsOtherTimersButNeverTheSameHandlerAgain) {
  VirtualEventLoop loop;
  Timer slow("slow", 10), fast("fast", 1);
  int slow_ticks = 0, fast_ticks = 0, depth = 0, max_depth = 0;
  slow.on_tick = [&] {
    ++slow_ticks;
    ++depth;
    max_depth = std::max(max_depth, depth);
    loop.PumpEvents(25);  // longer than its own period
    --depth;
  };
  fast.on_tick = [&] { ++fast_ticks; };
  slow.AttachHost(&loop);
  fast.AttachHost(&loop);
  slow.SetEnabled(true);
  fast.SetEnabled(true);
  loop.RunFor(10);
  EXPECT_EQ(slow_ticks, 1);
  EXPECT_EQ(max_depth, 1);
  EXPECT_GE(fast_ticks, 30);
  EXPECT_EQ(loop.NowMs(), 35);
}

TEST(TimerTest, WorkAfterTicksWaitsForTheTicksOfOneWakeUpAndRunsOnce) {
  std::string log;
  Timer::AfterTicks([&] { log += "now "; });  // no tick running
  Timer a("a", 25), b("b", 50);
  a.on_tick = [&] {
    log += "a ";
    Timer::AfterTicks([&] {
      log += "after ";
      // Work queued by work still runs in this round.
      Timer::AfterTicks([&] { log += "more "; });
    });
  };
  b.on_tick = [&] { log += "b "; };
  a.SetEnabled(true);
  b.SetEnabled(true);
  {
    Timer::Batch batch;
    a.Fire();
    b.Fire();
    EXPECT_TRUE(Timer::AnyTicking());
  }
  EXPECT_FALSE(Timer::AnyTicking());
  a.Fire();  // a tick on its own is its own round
  EXPECT_EQ(log, "now a b after more a after more ");
}

TEST(TimerBeatTest, RelatedRatesShareTheirTicksFromTheFirstPeriodOn) {
  constexpr int64_t kMs = 1'000'000;
  TimerBeat beat;
  Timer matrix("matrix", 25), sweep("sweep", 50);
  beat.Start(matrix, 25, 1'003 * kMs);
  beat.Start(sweep, 50, 1'010 * kMs);  // started 7 ms later
  // Walk the loop as the event loop would: wake at the next due time, take what is due.
  std::vector<std::pair<int64_t, std::string>> ticks;
  int64_t now = 1'010 * kMs;
  while (now < 1'200 * kMs) {
    now = *beat.NextDue();
    std::string names;
    for (const TimerBeat::Due& due : beat.TakeDue(now))
      names += due.timer->Name() + " ";
    ticks.emplace_back(now / kMs, names);
  }
  const std::vector<std::pair<int64_t, std::string>> expected = {
      {1025, "matrix "}, {1050, "matrix sweep "}, {1075, "matrix "}, {1100, "matrix sweep "},
      {1125, "matrix "}, {1150, "matrix sweep "}, {1175, "matrix "}, {1200, "matrix sweep "}};
  EXPECT_EQ(ticks, expected);
  // The first period lies between half an interval and one and a half.
  beat.Stop(sweep);
  for (int64_t start = 0; start < 100; ++start) {
    beat.Start(matrix, 25, (2'000 + start) * kMs);
    const int64_t first = *beat.NextDue() - (2'000 + start) * kMs;
    EXPECT_GT(first, 12 * kMs) << start;
    EXPECT_LE(first, 38 * kMs) << start;
    beat.Stop(matrix);
  }
}

TEST(TimerBeatTest, ALateWakeSkipsMissedTicksAndARestartOrStopVoidsATakenTick) {
  constexpr int64_t kMs = 1'000'000;
  TimerBeat beat;
  Timer matrix("matrix", 25), clock("clock", 40);
  beat.Start(matrix, 25, 0);
  ASSERT_EQ(*beat.NextDue(), 25 * kMs);
  // Busy for 90 ms: one tick now, the next on the beat, none made up.
  ASSERT_EQ(beat.TakeDue(115 * kMs).size(), 1u);
  EXPECT_EQ(*beat.NextDue(), 125 * kMs);
  // Early by less than half a millisecond counts as due: one wake-up, not two.
  EXPECT_EQ(beat.TakeDue(125 * kMs - 400'000).size(), 1u);
  EXPECT_TRUE(beat.TakeDue(150 * kMs - 600'000).empty());

  beat.Start(clock, 40, 130 * kMs);
  const std::vector<TimerBeat::Due> due = beat.TakeDue(200 * kMs);
  ASSERT_EQ(due.size(), 2u);
  EXPECT_EQ(due[0].timer, &matrix);  // in the order they were started
  EXPECT_TRUE(beat.Current(due[0]) && beat.Current(due[1]));
  beat.Start(matrix, 25, 200 * kMs);  // a handler restarts one and stops the other
  beat.Stop(clock);
  EXPECT_FALSE(beat.Current(due[0]));
  EXPECT_FALSE(beat.Current(due[1]));
  EXPECT_FALSE(beat.Holds(clock));
}

TEST(VirtualLoopTest, PostedTasksRunInOrderAtTheCurrentTimeBeforeTheNextTimer) {
  VirtualEventLoop loop;
  std::string order;
  Timer t("t", 10);
  t.on_tick = [&] {
    order += 't';
    // A task posted by a handler runs after it, before anything else falls due.
    loop.Post([&] { order += std::to_string(loop.NowMs()); });
  };
  t.AttachHost(&loop);
  t.SetEnabled(true);
  loop.Post([&] {
    order += 'a';
    loop.Post([&] { order += 'c'; });  // posted while running: after the ones already waiting
  });
  loop.Post([&] { order += 'b'; });
  EXPECT_EQ(order, "");  // nothing runs inside Post
  loop.RunFor(25);
  EXPECT_EQ(order, "abct10t20");
  // Posts from another thread arrive too.
  std::thread([&] { loop.Post([&] { order += '!'; }); }).join();
  loop.RunPosted();
  EXPECT_EQ(order, "abct10t20!");
  EXPECT_EQ(loop.NowMs(), 25);
}

TEST(ControlsTest, ListSelectionRaisesOnlyOnChangeIncludingClearing) {
  ListBox list("lst", {"A", "B"});
  int raised = 0;
  list.on_select = [&] { ++raised; };
  list.SetListIndex(1);
  list.SetListIndex(1);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(list.Text(), "B");
  list.SetListIndex(-1);
  EXPECT_EQ(raised, 2);
  EXPECT_EQ(list.Text(), "");
  list.SetListIndex(7);  // out of range is no selection: unchanged
  EXPECT_EQ(raised, 2);
}

TEST(ControlsTest, DisabledButtonIgnoresTheUsersClick) {
  Button b("cmd", "Go");
  int clicks = 0;
  b.on_click = [&] { ++clicks; };
  b.Click();
  b.SetEnabled(false);
  b.Click();
  EXPECT_EQ(clicks, 1);
}

TEST(RandomTest, NearestEvenRoundsHalvesToEven) {
  EXPECT_EQ(NearestEven(0.5), 0);
  EXPECT_EQ(NearestEven(1.5), 2);
  EXPECT_EQ(NearestEven(2.5), 2);
  EXPECT_EQ(NearestEven(2.5000001), 3);
  EXPECT_EQ(NearestEven(-0.5), 0);
  EXPECT_EQ(NearestEven(-1.5), -2);
  EXPECT_EQ(NearestEven(6.99), 7);
}

TEST(VirtualClockTest, WallClockAdvancesAcrossMidnight) {
  VirtualEventLoop loop;
  loop.SetWallClock({2026, 12, 31, 23, 59, 58});
  loop.RunFor(2500);
  LocalDateTime now = loop.Now();
  EXPECT_EQ(now, (LocalDateTime{2027, 1, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace vfd
