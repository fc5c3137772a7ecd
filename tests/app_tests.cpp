// What both programs share without a toolkit: the event loop of the program without a window
// (real time, short), the options, the terminal preview, the status lines and the signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/HeadlessPreview.h"
#include "app/Options.h"
#include "app/ShutdownSignals.h"
#include "app/StatusLog.h"
#include "core/Timer.h"
#include "display/Models.h"
#include "platform/EpollEventLoop.h"
#include "shell/FrmMain.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

using Clock = std::chrono::steady_clock;

// Runs the loop until `done` holds or a generous deadline passes.
template <typename F>
bool RunUntil(EpollEventLoop& loop, F done, int deadline_ms = 5000) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(deadline_ms);
  while (!done()) {
    if (Clock::now() > end) return false;
    loop.Run(5);
  }
  return true;
}

TEST(EpollEventLoopTest, TimersTickAtTheirRatesAndThoseDueTogetherInTheOrderTheyWereStarted) {
  EpollEventLoop loop;
  ASSERT_TRUE(loop.Valid());
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
  ASSERT_TRUE(RunUntil(loop, [&] { return std::count(order.begin(), order.end(), 'a') >= 4; }));
  // c and a share every wake-up (one beat), c first; b ticks about two and a half times as often.
  std::string slow;
  for (char t : order)
    if (t != 'b') slow += t;
  EXPECT_EQ(slow.substr(0, 8), "cacacaca") << order;
  EXPECT_GE(std::count(order.begin(), order.end(), 'b'), 7) << order;
}

TEST(EpollEventLoopTest, IntervalChangeRestartsThePeriodExactTimersWaitTheirTimeDisableStops) {
  EpollEventLoop loop;
  int ticks = 0;
  Timer t("t", 200);
  t.on_tick = [&] { ++ticks; };
  t.AttachHost(&loop);
  t.SetEnabled(true);
  loop.Run(150);
  t.SetInterval(200);  // a fresh period from 150 ms
  loop.Run(120);       // past the first period's end
  EXPECT_EQ(ticks, 0);
  ASSERT_TRUE(RunUntil(loop, [&] { return ticks == 1; }));
  t.SetEnabled(true);  // already enabled: no restart
  t.SetEnabled(false);
  loop.Run(300);
  EXPECT_EQ(ticks, 1);

  // An exact wait of 30 ms is never moved to the beat nor cut short.
  Timer wait("wait", 30);
  wait.SetExact(true);
  Clock::time_point fired;
  wait.on_tick = [&] {
    fired = Clock::now();
    wait.SetEnabled(false);
  };
  wait.AttachHost(&loop);
  const Clock::time_point started = Clock::now();
  wait.SetEnabled(true);
  ASSERT_TRUE(RunUntil(loop, [&] { return !wait.Enabled(); }));
  EXPECT_GE(fired - started, std::chrono::milliseconds(30));
}

TEST(EpollEventLoopTest, PauseInsideAHandlerRunsOtherTimersButNeverTheSameHandlerAgain) {
  EpollEventLoop loop;
  Timer fast("fast", 2), slow("slow", 5);
  int fast_ticks = 0, slow_ticks = 0, depth = 0, max_depth = 0, fast_during_pause = 0;
  fast.on_tick = [&] { ++fast_ticks; };
  slow.on_tick = [&] {
    ++slow_ticks;
    max_depth = std::max(max_depth, ++depth);
    EXPECT_TRUE(loop.Pumping() == false);
    const int before = fast_ticks;
    loop.PumpEvents(60);  // far longer than its own period
    fast_during_pause += fast_ticks - before;
    --depth;
  };
  fast.AttachHost(&loop);
  slow.AttachHost(&loop);
  fast.SetEnabled(true);
  slow.SetEnabled(true);
  ASSERT_TRUE(RunUntil(loop, [&] { return slow_ticks >= 2; }));
  EXPECT_EQ(max_depth, 1);
  EXPECT_GT(fast_during_pause, 10);

  // Disabled and destroyed timers stay quiet; a destroyed one must not be fired at all.
  fast.SetEnabled(false);
  slow.SetEnabled(false);
  const int fast_stopped_at = fast_ticks;
  {
    Timer doomed("doomed", 1);
    doomed.on_tick = [] {};
    doomed.AttachHost(&loop);
    doomed.SetEnabled(true);
  }
  loop.PumpEvents(30);
  EXPECT_EQ(fast_ticks, fast_stopped_at);
}

TEST(EpollEventLoopTest, RelatedRatesShareAWakeUpAndWorkAfterTicksRunsOnceForThem) {
  EpollEventLoop loop;
  Timer matrix("matrix", 25), sweep("sweep", 50);
  std::string log;
  std::vector<Clock::time_point> matrix_ticks, sweep_ticks;
  bool flush_pending = false;
  // As the serial link does: the first tick of a wake-up asks for one flush after all of them.
  auto queue_flush = [&] {
    if (flush_pending) return;
    flush_pending = true;
    Timer::AfterTicks([&] {
      log += '|';
      flush_pending = false;
    });
  };
  matrix.on_tick = [&] {
    matrix_ticks.push_back(Clock::now());
    log += 'm';
    queue_flush();
  };
  sweep.on_tick = [&] {
    sweep_ticks.push_back(Clock::now());
    log += 's';
    queue_flush();
  };
  matrix.AttachHost(&loop);
  sweep.AttachHost(&loop);
  matrix.SetEnabled(true);
  loop.PumpEvents(7);  // started apart
  sweep.SetEnabled(true);
  ASSERT_TRUE(RunUntil(loop, [&] { return sweep_ticks.size() >= 4; }));
  matrix.SetEnabled(false);
  sweep.SetEnabled(false);
  EXPECT_FALSE(Timer::AnyTicking());
  // Every sweep tick comes right beside a Matrix tick, in the same wake-up and the same flush.
  for (Clock::time_point tick : sweep_ticks) {
    const auto nearest = std::min_element(
        matrix_ticks.begin(), matrix_ticks.end(), [tick](Clock::time_point a, Clock::time_point b) {
          return std::chrono::abs(a - tick) < std::chrono::abs(b - tick);
        });
    ASSERT_NE(nearest, matrix_ticks.end());
    EXPECT_LT(std::chrono::abs(*nearest - tick), std::chrono::milliseconds(1));
  }
  size_t start = 0;
  for (size_t bar = log.find('|'); bar != std::string::npos; bar = log.find('|', start)) {
    const std::string group = log.substr(start, bar - start);
    EXPECT_TRUE(group == "m" || group == "ms") << log;
    start = bar + 1;
  }
  EXPECT_EQ(start, log.size()) << log;
}

TEST(EpollEventLoopTest, TasksPostedFromOtherThreadsRunOnTheEventThreadInOrder) {
  EpollEventLoop loop;
  const std::thread::id event_thread = std::this_thread::get_id();
  std::vector<int> order;
  bool all_on_event_thread = true;
  auto post = [&](int n) {
    loop.Post([&, n] {
      all_on_event_thread = all_on_event_thread && std::this_thread::get_id() == event_thread;
      order.push_back(n);
    });
  };
  // Two threads post 100 tasks each; each thread's own tasks keep their order.
  std::thread a([&] {
    for (int n = 0; n < 100; ++n)
      post(n);
  });
  std::thread b([&] {
    for (int n = 1000; n < 1100; ++n)
      post(n);
  });
  a.join();
  b.join();
  EXPECT_TRUE(order.empty());  // nothing ran inside Post
  ASSERT_TRUE(RunUntil(loop, [&] { return order.size() == 200; }));
  EXPECT_TRUE(all_on_event_thread);
  std::vector<int> from_a, from_b;
  for (int n : order)
    (n < 1000 ? from_a : from_b).push_back(n);
  EXPECT_TRUE(std::is_sorted(from_a.begin(), from_a.end()));
  EXPECT_TRUE(std::is_sorted(from_b.begin(), from_b.end()));

  // A task posted during a pause runs inside the pause, after those posted before it, even when
  // the pause is inside one of them.
  std::string tasks;
  loop.Post([&] {
    tasks += 'a';
    std::thread([&] { loop.Post([&] { tasks += 'c'; }); }).join();
    loop.PumpEvents(20);
    EXPECT_EQ(tasks, "abc");
  });
  loop.Post([&] { tasks += 'b'; });
  ASSERT_TRUE(RunUntil(loop, [&] { return tasks.size() == 3; }));
  EXPECT_EQ(tasks, "abc");

  // Quit from another thread ends Run.
  std::thread quitter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.Quit();
  });
  const Clock::time_point started = Clock::now();
  loop.Run();
  quitter.join();
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
}

TEST(OptionsTest, TheSettingsDirectoryAndWrongOptionsAreTold) {
  auto parse = [](std::vector<std::string> args) {
    args.insert(args.begin(), "vfdvorlinxd");
    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(a.data());
    return app::ParseOptions(static_cast<int>(argv.size()), argv.data());
  };
  app::Options o = parse({"--quiet", "--directory", "/var/lib/x", "-platform", "offscreen"});
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.directory, "/var/lib/x");
  EXPECT_EQ(o.error, "");  // Qt's own single-dash options are not ours to judge
  EXPECT_EQ(parse({"--directory=/srv/vfd"}).directory, "/srv/vfd");
  EXPECT_EQ(parse({"--directory"}).error, "option --directory needs a directory");
  EXPECT_EQ(parse({"--frobnicate", "--nope"}).error, "unknown option --frobnicate");

  std::string error;
  EXPECT_FALSE(app::EnterSettingsDirectory(parse({"--directory", "/no/such/dir"}), &error));
  EXPECT_EQ(error, "cannot keep the settings in /no/such/dir: No such file or directory");
}

TEST(HeadlessPreviewTest, PrintsOneBlockPerChangedPassAtMostTenASecond) {
  testing::VirtualEventLoop loop;
  FrmMain form;
  std::vector<std::string> blocks;
  const CharacterSet set = CharacterSet::ForModel(kModelIeeSerial, CharsetChoice::kJapanese);
  app::HeadlessPreview preview(
      form, [&set]() -> const CharacterSet& { return set; }, loop, loop,
      [&](const std::string& s) { blocks.push_back(s); });
  auto settle = [&] { loop.RunFor(150); };
  settle();
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0], "|LINE 1|\n|LINE 2|\n\n");

  form.Line1.SetCaption("Hello  ");
  // Display codes: a katakana and the ROM's a with diaeresis.
  form.Line2.SetCaption("\xB1 \xE1 ");
  settle();
  form.Line1.SetFont(10, false);  // looks differently, reads the same
  settle();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[1], "|Hello  |\n|\xEF\xBD\xB1 \xC3\xA4 |\n\n");

  form.Line2.SetVisible(false);
  form.Line1.SetCaption("r1\r\nr2\r\nr3\r\nr4");
  settle();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[2], "|r1|\n|r2|\n|r3|\n|r4|\n\n");

  // A function drawing 200 frames a second for half a second: about one block a tenth, the
  // last one the latest picture.
  int frame = 0;
  const int64_t begin = loop.NowMs();
  while (loop.NowMs() < begin + 500) {
    form.Line1.SetCaption("frame " + std::to_string(++frame));
    loop.RunFor(5);
  }
  settle();
  const size_t printed = blocks.size() - 3;
  EXPECT_GE(printed, 4u);
  EXPECT_LE(printed, 6u);
  EXPECT_EQ(blocks.back(), "|frame " + std::to_string(frame) + "|\n\n");
}

TEST(StatusLogTest, EveryStatusMessageGoesOutOnceWithItsTime) {
  Label status("lblStatus", "");
  std::vector<std::string> lines;
  app::StatusLog log(
      status, [] { return std::string("2026-12-08 09:30:00"); },
      [&](const std::string& s) { lines.push_back(s); });
  status.SetCaption("Serial port /dev/ttyS0 was closed: Input/output error.");
  status.SetCaption("Serial port /dev/ttyS0 was closed: Input/output error.");
  status.SetCaption("");
  status.SetCaption("Reconnected to /dev/ttyS0");
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "2026-12-08 09:30:00 status: Serial port /dev/ttyS0 was closed: "
                       "Input/output error.\n",
                       "2026-12-08 09:30:00 status: Reconnected to /dev/ttyS0\n"}));
}

TEST(ShutdownSignalsTest, SignalsArriveOnTheEventThreadInsteadOfEndingTheProcess) {
  EpollEventLoop loop;
  const std::thread::id event_thread = std::this_thread::get_id();
  std::vector<int> received;
  bool on_event_thread = true;
  {
    app::ShutdownSignals watcher(loop, [&](int signal) {
      on_event_thread = on_event_thread && std::this_thread::get_id() == event_thread;
      received.push_back(signal);
    });
    ASSERT_TRUE(watcher.Active());
    std::raise(SIGTERM);
    std::raise(SIGHUP);
    ASSERT_TRUE(RunUntil(loop, [&] { return received.size() == 2; }));
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGHUP}));
    EXPECT_TRUE(on_event_thread);
    std::raise(SIGINT);  // still queued when the watcher goes: dropped, not run late
  }
  loop.Run(30);
  EXPECT_EQ(received.size(), 2u);
}

}  // namespace
}  // namespace vfd
