// The web-fed functions' own work: reading a feed of 100 items (parse, walk, display text), and
// one weather frame from the stored values. Targets: a feed well under a few milliseconds, a
// weather frame in tens of microseconds, so that neither ever costs a display frame.
#include <benchmark/benchmark.h>

#include <string>

#include "NullServices.h"
#include "platform/WebDocumentParsers.h"

namespace vfd::bench {
namespace {

std::string HundredItemFeed(bool rss) {
  std::string doc = rss ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
                        : "<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"x\"><channel/>";
  for (int i = 0; i < 100; ++i) {
    doc += "<item><title>Headline number " + std::to_string(i) +
           " &amp; a few more words\n   about it</title><link>https://example.org/" +
           std::to_string(i) +
           "</link><description>A paragraph of text that the function never shows, as long as "
           "the ones real feeds carry, with &lt;p&gt; markup escaped.</description></item>";
  }
  return doc + (rss ? "</channel></rss>" : "</rdf:RDF>");
}

void BM_ReadFeed(benchmark::State& state) {
  WebDocumentParsers parsers;
  const std::string doc = HundredItemFeed(state.range(0) == 1);
  for (auto _ : state) {
    FeedReading reading = parsers.ReadFeed(doc, "application/rss+xml; charset=utf-8");
    benchmark::DoNotOptimize(reading);
  }
  state.SetLabel(state.range(0) == 1 ? "RSS 2.0, 100 items" : "RDF, 100 items");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ReadFeed)->Arg(0)->Arg(1);

void BM_WeatherTick(benchmark::State& state) {
  NullProgram p(kModelOrbital2x20);
  Weather& weather = p.program.weather();
  weather.data = {"Commack", "NY",      "39",      "4",  "Overcast", "71%", "NW at 12 mph",
                  "7:05 AM", "4:27 PM", "Tuesday", "43", "6",        "31",  "0"};
  weather.field = {"Clock", "Temp (F)", "High (F)", "Low (F)", "Condition", "Wind", "City", "Day"};
  // The refresh timer runs, as after the first frame, so the tick does no network work.
  p.program.main().tmrWeather.SetEnabled(true);
  for (auto _ : state)
    weather.WeatherTick();
}
BENCHMARK(BM_WeatherTick);

}  // namespace
}  // namespace vfd::bench
