#include "local/variant_date.h"

#include <gtest/gtest.h>

#include <cmath>

#include "local/cache_date.h"
#include "local/file_times.h"

namespace qorv {
namespace {

TEST(VariantDateTest, KnownDates) {
  EXPECT_EQ(DayNumberOf(1899, 12, 30), 0);
  EXPECT_EQ(DayNumberOf(1900, 1, 1), 2);
  EXPECT_EQ(DayNumberOf(100, 1, 1), static_cast<int64_t>(kMinVariantDate));
  EXPECT_EQ(DayNumberOf(10000, 1, 1), static_cast<int64_t>(kMaxVariantDate));

  CalendarTime c;
  ASSERT_TRUE(DateToCalendar(-1.25, &c));  // days count back, the time forward
  EXPECT_EQ(c.year, 1899);
  EXPECT_EQ(c.month, 12);
  EXPECT_EQ(c.day, 29);
  EXPECT_EQ(c.hour, 6);
  DATE back = 0;
  ASSERT_TRUE(CalendarToDate(c, &back));
  EXPECT_EQ(back, -1.25);

  ASSERT_TRUE(DateToCalendar(45000.5, &c));  // 2023-03-15 12:00
  EXPECT_EQ(c.year, 2023);
  EXPECT_EQ(c.month, 3);
  EXPECT_EQ(c.day, 15);
  EXPECT_EQ(c.hour, 12);

  EXPECT_FALSE(DateToCalendar(std::nan(""), &c));
  EXPECT_FALSE(DateToCalendar(kMaxVariantDate, &c));
  EXPECT_FALSE(CalendarToDate(CalendarTime{2023, 2, 29, 0, 0, 0, 0}, &back));
  EXPECT_TRUE(CalendarToDate(CalendarTime{2024, 2, 29, 0, 0, 0, 0}, &back));
}

TEST(VariantDateTest, RoundsToTheMillisecondAndCarriesIntoTheNextDay) {
  int64_t day = 0;
  int32_t ms = 0;
  ASSERT_TRUE(SplitDate(DateFromDayAndMilliseconds(45000, 86399999) + 1e-10, &day, &ms));
  EXPECT_EQ(day, 45000);
  EXPECT_EQ(ms, 86399999);
  ASSERT_TRUE(SplitDate(45000.99999999999, &day, &ms));
  EXPECT_EQ(day, 45001);
  EXPECT_EQ(ms, 0);
  ASSERT_TRUE(SplitDate(-2.99999999999, &day, &ms));  // 1899-12-28 23:59:59.99999 rounds up
  EXPECT_EQ(day, -1);
  EXPECT_EQ(ms, 0);
}

TEST(VariantDateTest, FileTimesConvertToTheMillisecond) {
  // 2021-06-01 00:00:00.1234567 UTC.
  bool valid = false;
  DATE date = FileTimeToDate(132670320001234567ULL, &valid);
  ASSERT_TRUE(valid);
  CalendarTime c;
  ASSERT_TRUE(DateToCalendar(date, &c));
  EXPECT_EQ(c.year, 2021);
  EXPECT_EQ(c.month, 6);
  EXPECT_EQ(c.day, 1);
  EXPECT_EQ(c.millisecond, 123);
  FileTime back = 0;
  ASSERT_TRUE(DateToFileTimeNoZone(date, &back));
  EXPECT_EQ(back, 132670320001230000ULL);
  // Before 1601 there is no file time.
  EXPECT_FALSE(DateToFileTimeNoZone(DayNumberOf(1500, 1, 1), &back));
  FileTimeToDate(0xFFFFFFFFFFFFFFFFULL, &valid);
  EXPECT_FALSE(valid);
}

TEST(CacheDateTest, TextFormRoundTripsWireDates) {
  // Dates as the wire composes them (whole days and milliseconds) read back
  // to the identical double, across the whole range and both signs.
  const int64_t days[] = {-657434, -1000, -1, 0, 1, 36526, 45000, 2958465};
  const int32_t millis[] = {0, 1, 499, 500, 43200000, 86399999};
  for (int64_t day : days) {
    for (int32_t ms : millis) {
      CacheDate date = CacheDate::Valid(DateFromDayAndMilliseconds(day, ms));
      std::string text = FormatCacheDate(date);
      EXPECT_EQ(ParseCacheDate(text), date) << text;
    }
  }
  EXPECT_EQ(FormatCacheDate(CacheDate::Valid(DateFromDayAndMilliseconds(45000, 43200123))),
            "2023-03-15 12:00:00.123");
  EXPECT_EQ(FormatCacheDate(CacheDate::Invalid()), "Invalid DateTime");
  EXPECT_EQ(FormatCacheDate(CacheDate::Null()), "");
  EXPECT_EQ(FormatCacheDate(CacheDate::Valid(1e9)), "Invalid DateTime");
  EXPECT_EQ(ParseCacheDate(""), CacheDate::Null());
  EXPECT_EQ(ParseCacheDate("Invalid DateTime"), CacheDate::Invalid());
  // Anything else that does not parse is invalid, never an error.
  EXPECT_EQ(ParseCacheDate("12/7/2024 3:04:05 PM"), CacheDate::Invalid());
  EXPECT_EQ(ParseCacheDate("2023-02-29 00:00:00.000"), CacheDate::Invalid());
  EXPECT_EQ(ParseCacheDate("2023-03-15 12:00:00.123x"), CacheDate::Invalid());
}

}  // namespace
}  // namespace qorv
