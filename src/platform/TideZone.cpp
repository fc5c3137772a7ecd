#include "platform/TideZone.h"

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <ctime>

#include "core/Clock.h"

namespace vfd {

struct TideZone::Zone {
  std::unique_ptr<icu::TimeZone> tz;
};

TideZone::TideZone(const std::string& name) : zone_(std::make_unique<Zone>()) {
  const std::string id = !name.empty() && name.front() == ':' ? name.substr(1) : name;
  if (!id.empty()) {
    zone_->tz.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(id)));
    icu::UnicodeString got;
    if (zone_->tz && zone_->tz->getID(got) == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID))
      zone_->tz.reset();
  }
  if (!zone_->tz) zone_->tz.reset(icu::TimeZone::detectHostTimeZone());
}

TideZone::~TideZone() = default;

TideZone::Local TideZone::At(int64_t t) const {
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zone_->tz->getOffset(static_cast<UDate>(t) * 1000.0, false, raw, dst, status);
  if (U_FAILURE(status)) raw = dst = 0;
  Local local;
  local.utc_offset = (raw + dst) / 1000;
  // The wall clock is UTC moved by the offset; gmtime_r keeps no shared state.
  const time_t shifted = static_cast<time_t>(t + local.utc_offset);
  std::tm tm{};
  gmtime_r(&shifted, &tm);
  local.year = tm.tm_year + 1900;
  local.month = tm.tm_mon + 1;
  local.day = tm.tm_mday;
  local.hour = tm.tm_hour;
  local.minute = tm.tm_min;
  local.second = tm.tm_sec;
  icu::UnicodeString name;
  zone_->tz->getDisplayName(dst != 0, icu::TimeZone::SHORT, icu::Locale("en", "US"), name);
  name.toUTF8String(local.abbreviation);
  return local;
}

int64_t TideZone::Midnight(int64_t now, int days) const {
  const Local today = At(now);
  const int64_t wall = (DaysFromCivil(today.year, today.month, today.day) + days) * 86400;
  // The offset in force at that wall-clock midnight, which is not now's when daylight saving
  // time starts or ends in between.
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zone_->tz->getOffset(static_cast<UDate>(wall) * 1000.0, true, raw, dst, status);
  if (U_FAILURE(status)) raw = dst = 0;
  return wall - (raw + dst) / 1000;
}

std::string TideZone::Name() const {
  icu::UnicodeString id;
  zone_->tz->getID(id);
  std::string out;
  id.toUTF8String(out);
  return out;
}

}  // namespace vfd
