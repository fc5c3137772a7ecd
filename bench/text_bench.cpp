// The cost of mapping a title to a display's codes, which every fetch and every tick that shows
// outside text pays: a 200-character title in four scripts, mapped afresh (as a new title or
// headline is) and from the cache (as a title shown again on the next tick is).
// Target: a fresh 200-character title under 200 microseconds in any script (a news feed of 50
// titles in 10 ms, once per fetch), a title from the cache under 1 microsecond per tick.
#include <benchmark/benchmark.h>

#include <string>

#include "core/Charset.h"
#include "display/CharacterSet.h"
#include "display/Models.h"
#include "platform/IcuTransliterator.h"

namespace vfd::bench {
namespace {

// About 200 characters each.
std::string Title(int script) {
  std::string words;
  switch (script) {
    case 0:
      words = "The Quick Brown Fox Jumps Over The Lazy Dog 0123456789 ";
      break;
    case 1:
      words = "Blue Öyster Cult – “Don’t Fear the Reaper” (Live, Straße 21°C) … ";
      break;
    case 2:
      words = "Кино - Группа крови Москва Щука Ёлка Αθήνα Ελλάδα ";
      break;
    default:
      words = "カラオケ きょう ガンダム 東京タワー ";
      break;
  }
  std::string title;
  while (DecodeUtf8(title).size() < 200)
    title += words;
  return EncodeUtf8(DecodeUtf8(title).substr(0, 200));
}

const char* const kScripts[] = {"ascii", "latin", "cyrillic_greek", "japanese"};

void BM_MapFreshTitle(benchmark::State& state) {
  IcuTransliterator scripts;
  const CharacterSet set = CharacterSet::ForModel(kModelOrbital2x20, CharsetChoice::kJapanese);
  TextMapper mapper(set, scripts);
  const std::string title = Title(static_cast<int>(state.range(0)));
  // The transforms are built by the first text that needs them, once in a run.
  mapper.Map(title);
  for (auto _ : state) {
    mapper.Forget();
    benchmark::DoNotOptimize(mapper.Map(title));
  }
  state.SetLabel(kScripts[state.range(0)]);
}
BENCHMARK(BM_MapFreshTitle)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_MapCachedTitle(benchmark::State& state) {
  IcuTransliterator scripts;
  const CharacterSet set = CharacterSet::ForModel(kModelOrbital2x20, CharsetChoice::kJapanese);
  TextMapper mapper(set, scripts);
  const std::string title = Title(static_cast<int>(state.range(0)));
  mapper.Map(title);
  for (auto _ : state)
    benchmark::DoNotOptimize(mapper.Map(title));
  state.SetLabel(kScripts[state.range(0)]);
}
BENCHMARK(BM_MapCachedTitle)->DenseRange(0, 3);

}  // namespace
}  // namespace vfd::bench
