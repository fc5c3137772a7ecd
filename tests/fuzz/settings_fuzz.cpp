// The settings file's reader on arbitrary bytes. Besides never crashing: a file it reads must
// come back the same through a save and a second start (one list of fields drives both ways, so
// what the writer writes the reader must take back exactly), and a file it refuses must name a
// value of the file and say why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "core/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  (void)vfd::ReadSettingsVersion(content);
  const vfd::SettingsParse first = vfd::ParseSettings(content);
  if (!first.ok) {
    vfd::fuzz::Require(first.field >= 1 && first.field <= 101 && !first.error.empty(),
                       "a refusal names a value and a reason");
    return 0;
  }
  const std::string saved = vfd::FormatSettings(first.settings);
  const vfd::SettingsParse again = vfd::ParseSettings(saved);
  vfd::fuzz::Require(again.ok, "a saved file is read back");
  vfd::fuzz::Require(vfd::FormatSettings(again.settings) == saved,
                     "a saved file reads back the same");
  vfd::fuzz::Require(vfd::ReadSettingsVersion(saved) == again.settings.SettingsVersion,
                     "a saved file keeps its version");
  return 0;
}
