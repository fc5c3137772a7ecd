#include "sources/WinampReader.h"

#include <algorithm>
#include <cmath>

#include "core/Random.h"

namespace vfd {
namespace {

// The low 16 bits of a player's answer, as the record keeps counts and rates.
int16_t Low16(int64_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFF));
}

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? std::string(2 - text.size(), '0') + text : text;
}

}  // namespace

int16_t WholeMinutes(double x) {
  return static_cast<int16_t>(std::floor(x));
}

std::string MinutesAndSeconds(int seconds) {
  const int m = WholeMinutes(seconds / 60.0);
  return TwoDigits(m) + ":" + TwoDigits(seconds - 60 * m);
}

std::string WinampReader::ReadTitle() {
  if (!player_.FindPlayer()) return {};
  return player_.ReadWindowTitle();
}

bool WinampReader::RefreshNowPlaying() {
  if (!player_.FindPlayer()) return false;
  NowPlayingRecord& r = now_playing;
  r.Title = ReadTitle();
  if (r.Title.empty()) r.Title = "Error";
  r.PlaylistPos = Low16(int64_t{player_.QueryPlaylistIndex()} + 1);
  r.PlaylistLength = Low16(player_.QueryPlaylistLength());
  // Nearest second, halves to even. Beyond nine hours the seconds no longer fit: the time stands
  // at its last value instead of turning negative, and a position before the start reads 0.
  const int64_t position = NearestEven(player_.QueryPositionMs() / 1000.0);
  r.PositionSec = static_cast<int16_t>(std::clamp<int64_t>(position, 0, INT16_MAX));
  r.LengthSec = Low16(player_.QueryLengthSec());
  r.ElapsedText = MinutesAndSeconds(r.PositionSec);
  if (r.LengthSec != 0 && r.PositionSec <= r.LengthSec)
    r.LengthText = MinutesAndSeconds(r.LengthSec);
  else
    r.LengthText = "00:00";
  r.SampleRate = Low16(player_.QuerySampleRate());
  r.Bitrate = Low16(player_.QueryBitrate());
  r.Channels = Low16(player_.QueryChannels());
  return true;
}

}  // namespace vfd
