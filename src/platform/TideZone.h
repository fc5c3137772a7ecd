#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vfd {

// A station's wall clock: tide tables give each station's times in its own zone. Read through
// ICU's zone data rather than localtime and TZ, which are one setting for the whole process and
// not to be changed while other threads run.
class TideZone {
 public:
  // An IANA zone name as the harmonics files give it (":America/Anchorage", the colon optional);
  // an empty or unknown name stands for this computer's zone.
  explicit TideZone(const std::string& name = "");
  ~TideZone();
  TideZone(const TideZone&) = delete;
  TideZone& operator=(const TideZone&) = delete;

  struct Local {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    long utc_offset = 0;         // seconds east of UTC, daylight saving included
    std::string abbreviation{};  // "AKST", "EST", or "GMT+10" where the zone has no usual one
  };
  Local At(int64_t unix_seconds) const;
  // Unix seconds of the midnight starting the day `days` after the day holding `now`.
  int64_t Midnight(int64_t now, int days) const;
  // The zone's IANA name ("America/Anchorage").
  std::string Name() const;

 private:
  struct Zone;  // ICU's, kept out of this header
  std::unique_ptr<Zone> zone_;
};

}  // namespace vfd
