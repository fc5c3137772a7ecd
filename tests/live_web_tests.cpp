// The web-fed functions over the real HTTP backend: a host that refuses and a server that never
// answers must not hold up a single frame while the display keeps ticking.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/CurlHttpClient.h"
#include "platform/IcuTransliterator.h"
#include "platform/WebDocumentParsers.h"
#include "shell/Program.h"
#include "support/Fakes.h"
#include "support/FixtureHttpServer.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

using testing::FixtureHttpServer;

// The program with recording fakes for its devices and the real web behind it.
struct LiveWebRig {
  testing::VirtualEventLoop loop;
  testing::ScriptedRandom random;
  UsRegionalFormats formats;
  testing::FakeSerialDevice serial{loop};
  testing::FakeParallelPort parallel{loop};
  testing::FakeMessageBoxes boxes;
  testing::MemoryFiles files;
  testing::FakeFileDialogs file_dialogs;
  CurlHttpClient http{loop, {.connect_timeout_ms = 1000, .total_timeout_ms = 1500}};
  WebDocumentParsers documents;
  testing::FakeMediaPlayer player;
  testing::FakeSensors sensors;
  NoTidePages tides{loop};
  IcuTransliterator scripts;
  std::unique_ptr<DisplayEmulator> emulator;
  std::unique_ptr<Program> program =
      std::make_unique<Program>(Services{.loop = loop,
                                         .monotonic = loop,
                                         .wall = loop,
                                         .formats = formats,
                                         .random = random,
                                         .serial = serial,
                                         .parallel = parallel,
                                         .boxes = boxes,
                                         .files = files,
                                         .file_dialogs = file_dialogs,
                                         .http = http,
                                         .documents = documents,
                                         .player = player,
                                         .sensors = sensors,
                                         .tides = tides,
                                         .scripts = scripts});

  LiveWebRig() {
    program->display().screen_type = kScreen2x20;
    program->display().display_model = kModelOrbital2x20;
    program->serial().SetSerialPort("COM1");
    program->display().InitDisplayModel();
    emulator = DisplayEmulator::ForModel(kModelOrbital2x20);
    serial.on_bytes = [this](std::string_view bytes) { emulator->FeedSerial(bytes); };
  }
  std::string Row(int row) const { return emulator->glass().Row(row); }
  // Lets real time pass for the backend while the loop takes what it posts.
  template <typename F>
  bool WaitFor(F done, int limit_ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!done() && std::chrono::steady_clock::now() < until) {
      loop.RunPosted();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }
};

TEST(LiveWebTest, AHangingWeatherServiceDoesNotStopTheClockOnTheGlass) {
  FixtureHttpServer server;
  server.ScriptAll({.behaviour = FixtureHttpServer::Behaviour::kNeverAnswer});
  LiveWebRig rig;
  Weather& weather = rig.program->weather();
  weather.service = server.Url();
  rig.program->main().cmdClock.Click();
  const std::string clock_frame = rig.Row(0);
  rig.program->main().cmdWeather.Click();
  ASSERT_TRUE(rig.WaitFor([&] { return server.Requests().size() == 1; }, 2000));
  // The glass keeps the clock's frame while the transfer waits, and the program goes on: the
  // user may leave for the clock, which ticks at once.
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.Row(0), clock_frame);
  EXPECT_TRUE(weather.Fetching());
  rig.program->main().cmdClock.Click();
  for (int second = 15; second <= 17; ++second) {
    rig.loop.RunFor(1000);
    EXPECT_EQ(rig.Row(0).substr(5, 10), "3:45:" + std::to_string(second) + " PM");
  }
  // Back to the weather while the same transfer still waits: nothing new is asked.
  rig.program->main().cmdWeather.Click();
  // The bound ends it; the values stay as they were, the held frame comes, and a later fetch
  // may start.
  ASSERT_TRUE(rig.WaitFor([&] { return !weather.Fetching(); }, 4000));
  EXPECT_EQ(weather.data[2], "");
  EXPECT_EQ(rig.Row(0).substr(10), "  Temp:  H");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(LiveWebTest, ARefusingNewsHostShowsTheErrorEntryUnderARunningClock) {
  LiveWebRig rig;
  NewsFeed& news = rig.program->hard_news();
  news.url = "http://127.0.0.1:" + std::to_string(FixtureHttpServer::DeadPort()) + "/feed";
  news.mode = 2;
  rig.program->main().cmdHardNews.Click();
  rig.loop.RunFor(333);
  ASSERT_TRUE(rig.WaitFor([&] { return !news.Fetching(); }, 3000));
  EXPECT_EQ(news.headlines, std::vector<std::string>{"Error Loading News"});
  EXPECT_EQ(rig.Row(0), "3:45:12 PM   12/6/26");
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.Row(0), "3:45:13 PM   12/6/26");
  EXPECT_EQ(rig.Row(1), "Error Loading News  ");
}

TEST(LiveWebTest, AFeedFromTheServerReachesTheGlass) {
  FixtureHttpServer server;
  server.Script("/rss", {.body = "<rss><channel><item><title>Caf\xC3\xA9 opens</title></item>"
                                 "</channel></rss>",
                         .content_type = "application/rss+xml; charset=utf-8"});
  LiveWebRig rig;
  NewsFeed& news = rig.program->hard_news();
  news.url = server.Url("/rss");
  news.mode = 3;
  rig.program->main().cmdHardNews.Click();
  rig.loop.RunFor(333);
  ASSERT_TRUE(rig.WaitFor([&] { return !news.Fetching(); }, 3000));
  rig.loop.RunFor(1000);
  // The ROM has no é: the nearest it shows.
  EXPECT_EQ(rig.Row(0), "Cafe opens          ");
}

TEST(LiveWebTest, AFeedsEncodingComesFromItsDeclarationOrTheHeader) {
  FixtureHttpServer server;
  // "Привет" in windows-1251, named only in the declaration; "Łódź" in ISO-8859-2, named only
  // in the header.
  server.Script("/declared", {.body = "<?xml version=\"1.0\" encoding=\"windows-1251\"?><rss>"
                                      "<channel><item><title>\xCF\xF0\xE8\xE2\xE5\xF2</title>"
                                      "</item></channel></rss>",
                              .content_type = "application/rss+xml"});
  server.Script("/header", {.body = "<rss><channel><item><title>\xA3\xF3"
                                    "d\xBC</title></item>"
                                    "</channel></rss>",
                            .content_type = "text/xml; charset=ISO-8859-2"});
  LiveWebRig rig;
  NewsFeed& news = rig.program->hard_news();
  news.url = server.Url("/declared");
  news.mode = 3;
  rig.program->main().cmdHardNews.Click();
  rig.loop.RunFor(333);
  ASSERT_TRUE(rig.WaitFor([&] { return !news.Fetching(); }, 3000));
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.Row(0), "Privet              ");
  news.url = server.Url("/header");
  news.FetchHeadlines();
  ASSERT_TRUE(rig.WaitFor([&] { return !news.Fetching(); }, 3000));
  rig.loop.RunFor(1000);
  EXPECT_EQ(news.headlines[0], "\u0141\u00f3d\u017a");
  EXPECT_EQ(rig.Row(0), "Lodz                ");
}

TEST(LiveWebTest, WhatAFeedPointsAtIsNeverFetched) {
  FixtureHttpServer server;
  server.ScriptAll({.body = "<!ENTITY leak \"LEAKED\">", .content_type = "application/xml-dtd"});
  const std::string dtd = server.Url("/dtd");
  server.Script("/feed",
                {.body = "<?xml version=\"1.0\"?><?xml-stylesheet href=\"" + server.Url("/style") +
                         "\"?><!DOCTYPE rss SYSTEM \"" + dtd + "\" [<!ENTITY ext SYSTEM \"" +
                         server.Url("/entity") + "\"><!ENTITY % pe SYSTEM \"" + server.Url("/pe") +
                         "\"> %pe;]><rss><channel><item><title>Safe &ext;&leak;</title>"
                         "</item></channel></rss>",
                 .content_type = "application/rss+xml"});
  LiveWebRig rig;
  NewsFeed& news = rig.program->hard_news();
  news.url = server.Url("/feed");
  news.mode = 3;
  rig.program->main().cmdHardNews.Click();
  rig.loop.RunFor(333);
  ASSERT_TRUE(rig.WaitFor([&] { return !news.Fetching(); }, 3000));
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.Row(0), "Safe &leak;         ");
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"/feed"});
}

}  // namespace
}  // namespace vfd
