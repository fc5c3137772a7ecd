// Times and short dates in the user's regional formats.
#include <gtest/gtest.h>

#include "platform/LocaleFormats.h"

namespace vfd {
namespace {

const LocalDateTime kAfternoon{2026, 12, 6, 15, 45, 12};

TEST(FormatsTest, TheCLocaleUsesTheUsForms) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", ""}) {
    LocaleFormats formats(name);
    EXPECT_FALSE(formats.UsesLocale()) << name;
    EXPECT_EQ(formats.TimeText(kAfternoon), "3:45:12 PM");
    EXPECT_EQ(formats.ShortDateText(kAfternoon), "12/6/2026");
    // What the time format writes reads back.
    EXPECT_EQ(formats.ReadTime(formats.TimeText(kAfternoon)), (TimeOfDay{15, 45, 12}));
  }
  UsRegionalFormats us;
  EXPECT_EQ(us.TimeText({2026, 1, 1, 0, 5, 9}), "12:05:09 AM");
  EXPECT_EQ(us.TimeText({2026, 1, 1, 12, 0, 0}), "12:00:00 PM");
  EXPECT_EQ(us.ShortDateText({987, 1, 31, 0, 0, 0}), "1/31/0987");
}

TEST(FormatsTest, ALocaleTheSystemLacksFallsBackToTheUsForms) {
  LocaleFormats formats("xx_NOWHERE.UTF-8");
  EXPECT_FALSE(formats.UsesLocale());
  EXPECT_EQ(formats.ShortDateText(kAfternoon), "12/6/2026");
}

TEST(FormatsTest, ShortDateFormatsAlwaysEndInTheFourDigitYear) {
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%d/%m/%y"), "%d/%m/%Y");
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%d.%m.%Y"), "%d.%m.%Y");
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%D"), "%m/%d/%Y");
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%Y-%m-%d"), "%m-%d-%Y");
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%F"), "%m-%d-%Y");
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%Y%m%d"), "%m%d/%Y");
  EXPECT_EQ(LocaleFormats::DateFormatEndingInYear("%d %b"), "");  // no year at all: unusable
}

}  // namespace
}  // namespace vfd
