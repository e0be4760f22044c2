// Dates on the command line and OLE Automation dates.
#include <gtest/gtest.h>

#include "cli/ole_date.h"

namespace qorv::cli {
namespace {

TEST(OleDateTest, KnownDays) {
  EXPECT_EQ(ParseDateArgument("1899-12-30", false), 0.0);
  EXPECT_EQ(ParseDateArgument("1900-01-01", false), 2.0);
  EXPECT_EQ(ParseDateArgument("2000-03-01", false), 36586.0);
  EXPECT_EQ(ParseDateArgument("2024-03-01 18:00", false), 45352.75);
  EXPECT_EQ(ParseDateArgument("2024-03-01T06:00:00", false), 45352.25);
}

TEST(OleDateTest, EndOfDayIncludesTheWholeDay) {
  const DATE end = *ParseDateArgument("2024-03-01", true);
  EXPECT_LT(end, 45353.0);
  EXPECT_GT(end, 45352.99998);
  EXPECT_EQ(FormatOleDate(end), "2024-03-01 23:59:59");
  // With a time given, the time is taken as it is.
  EXPECT_EQ(ParseDateArgument("2024-03-01 10:00", true),
            ParseDateArgument("2024-03-01 10:00", false));
}

TEST(OleDateTest, RefusesWhatIsNotADate) {
  for (const char* bad : {"", "2024-3-1", "2023-02-29", "2024-02-30", "2024-13-01", "2024-00-10",
                          "2024-03-01 24:00", "2024-03-01 10:60", "2024-03-01 10:00:60",
                          "2024-03-01x", "2024-03-01 10", "0099-01-01", "yesterday"}) {
    EXPECT_FALSE(ParseDateArgument(bad, false).has_value()) << bad;
  }
  EXPECT_TRUE(ParseDateArgument("2024-02-29", false).has_value());
}

TEST(OleDateTest, FormatRoundTripsAndCarriesRounding) {
  for (const char* text : {"1900-01-01 00:00:00", "1999-12-31 23:59:59", "2024-02-29 12:34:56",
                           "9999-12-31 23:59:59", "1600-03-01 00:00:01"}) {
    EXPECT_EQ(FormatOleDate(*ParseDateArgument(text, false)), text);
  }
  // Half a millisecond before midnight rounds to the next day.
  EXPECT_EQ(FormatOleDate(45352.0 + (86400000.0 - 0.4) / 86400000.0), "2024-03-02 00:00:00");
  // Before the epoch the fraction is the time of day of the day named by the
  // integer part: -1.25 is 1899-12-29 06:00.
  EXPECT_EQ(FormatOleDate(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(FormatOleDate(45352.5, 'T'), "2024-03-01T12:00:00");
  EXPECT_EQ(FormatOleDate(0.0), "");
}

}  // namespace
}  // namespace qorv::cli
