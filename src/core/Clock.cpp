#include "core/Clock.h"

#include <cstdio>

namespace vfd {

std::string UsRegionalFormats::TimeText(const LocalDateTime& at) {
  int hour12 = at.hour % 12 == 0 ? 12 : at.hour % 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour12, at.minute, at.second,
                at.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string UsRegionalFormats::ShortDateText(const LocalDateTime& at) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%d/%04d", at.month, at.day, at.year);
  return buf;
}

}  // namespace vfd
