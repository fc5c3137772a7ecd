// The reader of remote tide table pages on arbitrary text: the first two bytes are the day of
// month and the hour it reads for; the page is UTF-8, as the HTTP backend hands a text body over
// (other bytes are mended as it would). Besides never crashing or hanging: lines come only with a
// reading, and they are text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "core/Charset.h"
#include "sources/Tides.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vfd::fuzz::FuzzInput input(data, size);
  const int day = input.Byte() % 32;
  const int hour = input.Byte() % 24;
  std::string page(input.Rest());
  if (!vfd::IsUtf8(page)) page = vfd::EncodeUtf8(vfd::DecodeUtf8(page));
  const vfd::TideReading reading = vfd::ReadTidePage(page, day, hour);
  vfd::fuzz::Require(reading.outcome == vfd::TideReading::Outcome::kLines ||
                         (reading.line1.empty() && reading.line2.empty()),
                     "lines only with a reading");
  vfd::fuzz::Require(vfd::IsUtf8(reading.line1) && vfd::IsUtf8(reading.line2),
                     "the lines are UTF-8 text");
  return 0;
}
