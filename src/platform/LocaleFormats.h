#pragma once

#include <locale.h>

#include <string>

#include "core/Clock.h"

namespace vfd {

// Times and short dates in the formats of the user's LC_TIME locale (LC_ALL, LC_TIME, LANG, in
// that order of precedence). In the C/POSIX locale, or with a locale the system lacks, the US
// forms "3:45:12 PM" and "12/6/2026" are used. The short date always ends in the four-digit year:
// a two-digit year is written with four digits, and a year that leads the date is moved to its
// end.
class LocaleFormats : public RegionalFormats {
 public:
  LocaleFormats();
  explicit LocaleFormats(const std::string& locale_name);
  ~LocaleFormats() override;
  LocaleFormats(const LocaleFormats&) = delete;
  LocaleFormats& operator=(const LocaleFormats&) = delete;

  std::string TimeText(const LocalDateTime& at) override;
  std::string ShortDateText(const LocalDateTime& at) override;
  // Also reads the locale's own words for the two halves of the day.
  std::optional<TimeOfDay> ReadTime(std::string_view text) override;

  // Whether a real locale's formats are in use (false: the US forms).
  bool UsesLocale() const { return locale_ != nullptr; }

  // The locale name the environment chooses for times.
  static std::string LocaleNameFromEnvironment();
  // A strftime date format rewritten to end in the four-digit year.
  static std::string DateFormatEndingInYear(const std::string& format);

 private:
  void Open(const std::string& locale_name);
  std::string Format(const std::string& format, const LocalDateTime& at);
  std::string ToText(std::string text) const;

  locale_t locale_ = nullptr;
  std::string codeset_;
  std::string time_format_;
  std::string date_format_;
  std::string am_;
  std::string pm_;
  UsRegionalFormats us_;
};

}  // namespace vfd
