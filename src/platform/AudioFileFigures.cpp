#include "platform/AudioFileFigures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>

#include <audioproperties.h>
#include <fileref.h>
#include <tfilestream.h>

namespace vfd {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-escapes decoded; nothing for a broken escape or an escaped NUL, which no path holds.
std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

}  // namespace

std::optional<std::string> LocalPathOfUrl(std::string_view url) {
  constexpr std::string_view kScheme = "file://";
  if (url.size() < kScheme.size()) return std::nullopt;
  for (size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return std::nullopt;
  std::string_view rest = url.substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view host = rest.substr(0, slash);
  if (!host.empty() && host != "localhost") return std::nullopt;
  return Unescape(rest.substr(slash));
}

std::string FileNameOfUrl(std::string_view url) {
  const size_t scheme = url.find("://");
  std::string_view path = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  if (scheme != std::string_view::npos) {
    const size_t slash = path.find('/');
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
  }
  path = path.substr(0, path.find_first_of("?#"));
  const size_t last = path.rfind('/');
  if (last != std::string_view::npos) path = path.substr(last + 1);
  return Unescape(path).value_or(std::string(path));
}

AudioFileFigures ReadAudioFileFigures(const std::string& path) {
  // Any player may name any path: a FIFO would block the reader for ever, a device
  // (/dev/zero) would feed it without end. So the path is opened without waiting, and only a
  // regular file is read, through that very descriptor.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxAudioFileBytes) {
    close(fd);
    return {};
  }
  // The stream owns the descriptor from here.
  TagLib::FileStream stream(fd, true);
  if (!stream.isOpen()) {
    close(fd);
    return {};
  }
  // Only the headers are read; the file's tags and pictures are not needed. The format is told
  // by the content, as the descriptor has no name to tell it by.
  TagLib::FileRef file(&stream, true, TagLib::AudioProperties::Fast);
  const TagLib::AudioProperties* properties = file.isNull() ? nullptr : file.audioProperties();
  if (!properties) return {};
  return {.sample_rate_khz = (properties->sampleRate() + 500) / 1000,
          .bitrate_kbps = properties->bitrate(),
          .channels = properties->channels()};
}

}  // namespace vfd
