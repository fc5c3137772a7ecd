// Tide predictions: a day's highs and lows for one station, with the harmonics file opened once
// and kept. Target: under 5 ms a day for a reference station and for a subordinate one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "platform/LocalTidePages.h"
#include "platform/TideStations.h"

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

}  // namespace
}  // namespace vfd::bench
