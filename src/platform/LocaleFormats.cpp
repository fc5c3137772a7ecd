#include "platform/LocaleFormats.h"

#include <langinfo.h>

#include <cstdlib>
#include <ctime>

#include "core/Charset.h"

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
  utf8_ = std::string(nl_langinfo_l(CODESET, locale_)) == "UTF-8";
  am_ = nl_langinfo_l(AM_STR, locale_);
  pm_ = nl_langinfo_l(PM_STR, locale_);
  // Typed text arrives in the program's code page, as the formatted times leave.
  if (utf8_) {
    am_ = Utf8ToCp1252(am_);
    pm_ = Utf8ToCp1252(pm_);
  }
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
  std::string text(buf, n);
  // The display speaks single bytes; a UTF-8 locale's texts are converted.
  return utf8_ ? Utf8ToCp1252(text) : text;
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
