#include "platform/LocaleFormats.h"

#include <langinfo.h>

#include <cstdlib>
#include <ctime>

#include "platform/TextEncodings.h"

namespace vfd {
namespace {

bool IsCLocale(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

}  // namespace

LocaleFormats::LocaleFormats() {
  Open(LocaleNameFromEnvironment());
}

LocaleFormats::LocaleFormats(const std::string& locale_name) {
  Open(locale_name);
}

LocaleFormats::~LocaleFormats() {
  if (locale_) freelocale(locale_);
}

std::string LocaleFormats::LocaleNameFromEnvironment() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return value;
  }
  return "C";
}

std::string LocaleFormats::DateFormatEndingInYear(const std::string& format) {
  std::string f = format;
  ReplaceAll(f, "%D", "%m/%d/%y");
  ReplaceAll(f, "%F", "%Y-%m-%d");
  ReplaceAll(f, "%y", "%Y");
  ReplaceAll(f, "%EY", "%Y");
  ReplaceAll(f, "%Ey", "%Y");
  size_t year = f.find("%Y");
  if (year == std::string::npos) return {};
  if (year + 2 == f.size()) return f;
  // The year leads or stands inside: the rest keeps its order and the year goes last, after the
  // separator that followed it.
  size_t sep_end = year + 2;
  while (sep_end < f.size() && f[sep_end] != '%')
    ++sep_end;
  std::string separator = f.substr(year + 2, sep_end - year - 2);
  std::string rest = f.substr(0, year) + f.substr(sep_end);
  if (separator.empty()) separator = "/";
  return rest + separator + "%Y";
}

void LocaleFormats::Open(const std::string& locale_name) {
  if (IsCLocale(locale_name)) return;
  locale_ = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, locale_name.c_str(), nullptr);
  if (!locale_) return;
  time_format_ = nl_langinfo_l(T_FMT, locale_);
  date_format_ = DateFormatEndingInYear(nl_langinfo_l(D_FMT, locale_));
  codeset_ = nl_langinfo_l(CODESET, locale_);
  // Typed text arrives as UTF-8, as the formatted times leave.
  am_ = ToText(nl_langinfo_l(AM_STR, locale_));
  pm_ = ToText(nl_langinfo_l(PM_STR, locale_));
  if (time_format_.empty() || date_format_.empty()) {
    freelocale(locale_);
    locale_ = nullptr;
  }
}

std::string LocaleFormats::Format(const std::string& format, const LocalDateTime& at) {
  std::tm tm{};
  tm.tm_year = at.year - 1900;
  tm.tm_mon = at.month - 1;
  tm.tm_mday = at.day;
  tm.tm_hour = at.hour;
  tm.tm_min = at.minute;
  tm.tm_sec = at.second;
  tm.tm_isdst = -1;
  char buf[128];
  size_t n = strftime_l(buf, sizeof buf, format.c_str(), &tm, locale_);
  return ToText(std::string(buf, n));
}

std::string LocaleFormats::ToText(std::string text) const {
  // The locale's own codeset; the program's text is UTF-8.
  if (codeset_ == "UTF-8" || codeset_ == "ANSI_X3.4-1968" || codeset_.empty()) return text;
  std::optional<std::string> converted = ConvertToUtf8(text, codeset_);
  return converted ? *converted : text;
}

std::string LocaleFormats::TimeText(const LocalDateTime& at) {
  return locale_ ? Format(time_format_, at) : us_.TimeText(at);
}

std::optional<TimeOfDay> LocaleFormats::ReadTime(std::string_view text) {
  return ReadTimeOfDay(text, am_, pm_);
}

std::string LocaleFormats::ShortDateText(const LocalDateTime& at) {
  return locale_ ? Format(date_format_, at) : us_.ShortDateText(at);
}

}  // namespace vfd
