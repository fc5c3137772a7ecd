#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vfd {

// What a track's file tells about its stream, as the now-playing display shows it.
struct AudioFileFigures {
  int32_t sample_rate_khz = 0;
  int32_t bitrate_kbps = 0;
  int32_t channels = 0;
  friend bool operator==(const AudioFileFigures&, const AudioFileFigures&) = default;
};

// The local path of a file:// address (host empty or "localhost"), percent-escapes decoded;
// nothing for other addresses or a malformed one.
std::optional<std::string> LocalPathOfUrl(std::string_view url);
// The last segment of an address's path, percent-escapes decoded, without query or fragment;
// empty when there is none.
std::string FileNameOfUrl(std::string_view url);
// Bigger than any audio file a player plays; what is bigger is not read.
constexpr int64_t kMaxAudioFileBytes = int64_t{16} << 30;
// The figures of an audio file, read from its headers; all 0 when it cannot be read or is not a
// regular file (a FIFO, a device). Never waits for a writer; may take as long as the disk.
AudioFileFigures ReadAudioFileFigures(const std::string& path);

}  // namespace vfd
