#include "core/Clock.h"

#include <cstdio>
#include <utility>

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

namespace vfd {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// One or two digits.
bool ReadField(std::string_view text, size_t& at, int& value) {
  size_t start = at;
  value = 0;
  while (at < text.size() && at - start < 2 && text[at] >= '0' && text[at] <= '9')
    value = value * 10 + (text[at++] - '0');
  return at > start;
}

}  // namespace

std::optional<TimeOfDay> RegionalFormats::ReadTimeOfDay(std::string_view text, std::string_view am,
                                                        std::string_view pm) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);

  // The 12-hour marker, at the end, with or without a blank before it.
  enum class Half { kNone, kAm, kPm } half = Half::kNone;
  for (auto [marker, which] : {std::pair{am, Half::kAm}, std::pair{pm, Half::kPm},
                               std::pair{std::string_view("AM"), Half::kAm},
                               std::pair{std::string_view("PM"), Half::kPm}}) {
    if (half != Half::kNone || marker.empty() || text.size() <= marker.size()) continue;
    if (EqualsNoCase(text.substr(text.size() - marker.size()), marker)) {
      half = which;
      text.remove_suffix(marker.size());
      while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    }
  }

  TimeOfDay t;
  size_t at = 0;
  int fields = 0;
  int* targets[] = {&t.hour, &t.minute, &t.second};
  while (fields < 3) {
    if (!ReadField(text, at, *targets[fields])) return std::nullopt;
    ++fields;
    if (at == text.size()) break;
    if (text[at] != ':' && text[at] != '.') return std::nullopt;
    ++at;
  }
  if (at != text.size()) return std::nullopt;
  // A lone number is a time only with its half of the day ("7 PM").
  if (fields == 1 && half == Half::kNone) return std::nullopt;
  if (t.minute > 59 || t.second > 59) return std::nullopt;
  if (half == Half::kNone) {
    if (t.hour > 23) return std::nullopt;
  } else {
    if (t.hour < 1 || t.hour > 12) return std::nullopt;
    t.hour = t.hour % 12 + (half == Half::kPm ? 12 : 0);
  }
  return t;
}

}  // namespace vfd
