// The legacy weather report, as a weather service of its own answers it, through the whole way
// it travels: the reply, the reader, the weather function's frame, the serial line, a Matrix
// Orbital display. The report is UTF-8, as the HTTP backend hands a text body over. Besides never
// crashing: the reply's text never switches the display off or defines a glyph, since every value
// reaches the glass as text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "core/Charset.h"
#include "support/Rig.h"

namespace {

vfd::testing::Rig& SharedRig() {
  // One program for the whole run: a fresh one for each input would cost more than the input.
  static vfd::testing::Rig* rig = [] {
    auto* r = new vfd::testing::Rig;
    r->UseModel(vfd::kModelOrbital2x20);
    r->Emulate(vfd::kModelOrbital2x20);
    r->program->weather().service = "http://127.0.0.1:9";
    r->main().cmdWeather.Click();
    return r;
  }();
  return *rig;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vfd::testing::Rig& rig = SharedRig();
  vfd::Weather& weather = rig.program->weather();
  weather.data = {};
  if (!weather.Fetching()) weather.FetchWeather();
  std::string body(reinterpret_cast<const char*>(data), size);
  if (!vfd::IsUtf8(body)) body = vfd::EncodeUtf8(vfd::DecodeUtf8(body));
  vfd::fuzz::Require(rig.http.Reply(vfd::HttpResult{.ok = true, .status = 200, .body = body}),
                     "the weather function asks for the report");
  rig.loop.RunPosted();
  weather.WeatherTick();
  rig.loop.RunPosted();
  const vfd::Glass& glass = rig.glass();
  vfd::fuzz::Require(glass.display_on && glass.glyphs.empty(), "the report's text is only text");
  return 0;
}
