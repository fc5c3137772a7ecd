// The heavy backends come from a module opened on first use: nothing is opened before a call
// needs it, and a missing module is told once and leaves every function as on a bare machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/LazyBackends.h"
#include "support/VirtualEventLoop.h"

namespace vfd::app {
namespace {

using testing::VirtualEventLoop;

struct Told {
  std::vector<std::string> lines;
  BackendModule::Tell Sink() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

TEST(BackendModule, OpensOnlyAtTheFirstCallThatNeedsIt) {
  VirtualEventLoop loop;
  Told told;
  BackendModule module({VFD_SCRIPTS_MODULE}, "no scripts", told.Sink());
  LazyTransliterator scripts(module);
  LazyHttpClient http(module, loop);
  http.CancelAll();  // nothing asked yet: no reason to open anything
  EXPECT_FALSE(module.tried());

  // ICU's Latin transform proves the real backend answers, not the fallback.
  EXPECT_EQ(scripts.Transliterate(Transliterator::Form::kLatin, U"Москва"), U"Moskva");
  EXPECT_TRUE(module.tried());
  EXPECT_NE(module.Makers(), nullptr);
  EXPECT_TRUE(told.lines.empty());
}

TEST(BackendModule, FirstOfTheGivenPlacesThatOpensWins) {
  Told told;
  BackendModule module({"no-such-dir/vfdvorlinx-scripts.so", VFD_SCRIPTS_MODULE}, "no scripts",
                       told.Sink());
  EXPECT_NE(module.Makers(), nullptr);
  EXPECT_TRUE(told.lines.empty());
}

TEST(BackendModule, MissingModuleIsToldOnceAndEveryBackendBehavesAsAbsent) {
  VirtualEventLoop loop;
  Told told;
  BackendModule module({"no-such-dir/vfdvorlinx-everything.so"}, "nothing at all", told.Sink());
  LazyTransliterator scripts(module);
  LazyHttpClient http(module, loop);
  LazyWebDocuments documents(module);
  LazyMediaPlayer player(module, loop, loop);
  LazyLocalTides tides(module, loop, "harmonics.tcd");
  LazySensors sensors(module);

  EXPECT_EQ(scripts.Transliterate(Transliterator::Form::kLatin, U"Москва"), U"Москва");
  bool answered = false;
  http.Get("http://127.0.0.1:1/", [&](HttpResult result) {
    answered = true;
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
  });
  EXPECT_FALSE(answered);  // never inside the call
  EXPECT_EQ(documents.ReadFeed("<rss/>", "").outcome, FeedReading::Outcome::kUnreadable);
  player.SetPreferredPlayer("vlc");
  EXPECT_FALSE(player.FindPlayer());
  EXPECT_EQ(player.ReadWindowTitle(), "");
  for (const SensorEntry& entry : sensors.ReadTable())
    EXPECT_EQ(entry.type, 0);
  EXPECT_TRUE(tides.Complete("Bos", 5).empty());
  TidePage page{.ok = true};
  bool paged = false;
  tides.Page("Boston", [&](TidePage p) {
    page = std::move(p);
    paged = true;
  });
  EXPECT_FALSE(paged);
  loop.RunPosted();
  EXPECT_TRUE(answered);
  EXPECT_TRUE(paged);
  EXPECT_FALSE(page.ok);
  EXPECT_FALSE(page.error.empty());

  ASSERT_EQ(told.lines.size(), 1u);
  EXPECT_NE(told.lines[0].find("vfdvorlinx-everything.so"), std::string::npos);
  EXPECT_NE(told.lines[0].find("cannot be loaded"), std::string::npos);
}

TEST(BackendModule, FileThatIsNoModuleIsToldWithTheLoadersReason) {
  Told told;
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "vfd-not-a-module.so";
  std::ofstream(file) << "plain text, no ELF header\n";
  BackendModule module({file.string()}, "no scripts", told.Sink());
  EXPECT_EQ(module.Makers(), nullptr);
  EXPECT_EQ(module.Makers(), nullptr);
  std::filesystem::remove(file);
  ASSERT_EQ(told.lines.size(), 1u);
  EXPECT_NE(told.lines[0].find("cannot be loaded ("), std::string::npos);
}

}  // namespace
}  // namespace vfd::app
