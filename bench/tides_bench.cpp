// Tide predictions: a day's highs and lows for one station, with the harmonics file opened once
// and kept. Target: under 5 ms a day for a reference station and for a subordinate one.
// Tide pages: reading the next event out of a page from a page service. The reading runs on the
// event thread, so a page of any size the HTTP backend accepts must be read at once. Target:
// under 20 ms for a 1 MiB page, with entry ends or without any.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/LocalTidePages.h"
#include "platform/TideStations.h"
#include "sources/Tides.h"

namespace vfd::bench {
namespace {

constexpr int64_t kDec8th2026 = 1765152000;  // 00:00 UTC

TideDatabase* Database() {
  static TideDatabase db;
  static bool tried = false;
  if (!tried) {
    tried = true;
    std::string error;
    if (std::filesystem::exists(TideSourceConfig::kDefaultData))
      db.Open(TideSourceConfig::kDefaultData, &error);
  }
  return db.IsOpen() ? &db : nullptr;
}

void PredictDay(benchmark::State& state, const char* name) {
  TideDatabase* db = Database();
  if (!db) {
    state.SkipWithError("no harmonics file installed");
    return;
  }
  const std::vector<size_t> hits = RankStations(db->Stations(), name, 1);
  if (hits.empty()) {
    state.SkipWithError("station not found");
    return;
  }
  int64_t day = 0;
  for (auto _ : state) {
    auto p = db->Predict(hits[0], kDec8th2026 + day * 86400, kDec8th2026 + (day + 1) * 86400);
    benchmark::DoNotOptimize(p);
    day = (day + 1) % 365;
  }
}

void BM_ReferenceStationDay(benchmark::State& state) {
  PredictDay(state, "Northport, Northport Bay, Long Island, New York");
}
BENCHMARK(BM_ReferenceStationDay)->Unit(benchmark::kMillisecond);

void BM_SubordinateStationDay(benchmark::State& state) {
  PredictDay(state, "Northport, Northport Bay, Long Island, New York (sub)");
}
BENCHMARK(BM_SubordinateStationDay)->Unit(benchmark::kMillisecond);

// A page of `bytes` after the marker: entries of other days (skipped one by one), or text with no
// entry end at all, which is dropped four characters at a time.
std::string TidePage(size_t bytes, bool entries) {
  std::string page = "Somewhere\n(click for map)\n\n";
  const std::string entry = "2026-12-07  8:40 PM EST   6.80 feet  High Tide\n";
  while (page.size() < bytes)
    page += entries ? entry : std::string("2026-12-07 no end of an entry here; ");
  page.resize(bytes);
  return page;
}

void BM_ReadTidePage(benchmark::State& state) {
  const std::string page = TidePage(static_cast<size_t>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    TideReading reading = ReadTidePage(page, 8, 14);
    benchmark::DoNotOptimize(reading);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadTidePage)
    ->ArgsProduct({{64 << 10, 1 << 20}, {0, 1}})
    ->ArgNames({"bytes", "entries"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vfd::bench
