// The headline feed reader on arbitrary bytes. An input may start with a line
// "Content-Type: ..." that stands for the reply's header. Besides never crashing, hanging or
// leaking, every reading must hold what the display expects: titles of UTF-8 text on one line,
// without blanks at their ends, of bounded length; and titles only when it read some.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/Charset.h"
#include "platform/FeedReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view content_type;
  constexpr std::string_view kHeader = "Content-Type:";
  if (input.starts_with(kHeader)) {
    const size_t end = input.find('\n');
    content_type = input.substr(kHeader.size(), end - kHeader.size());
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  }
  const vfd::FeedReading reading = vfd::ReadFeedDocument(input, content_type);
  if (reading.outcome != vfd::FeedReading::Outcome::kTitles && !reading.titles.empty())
    std::abort();
  for (const std::string& title : reading.titles) {
    if (!vfd::IsUtf8(title)) std::abort();
    if (title.find_first_of("\t\r\n") != std::string::npos) std::abort();
    if (!title.empty() && (title.front() == ' ' || title.back() == ' ')) std::abort();
    if (title.size() > 16 * 1024) std::abort();
  }
  return 0;
}
