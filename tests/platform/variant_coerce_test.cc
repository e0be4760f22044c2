// Conversions that have their own rules: dates as text, numbers as text.
#include <gtest/gtest.h>

#include <string>

#include "platform/component/variant_coerce.h"

namespace qorv::platform {
namespace {

std::string DateText(DATE date) {
  char text[32];
  FormatDateText(date, text);
  return text;
}

TEST(DateText, ReadsAndWritesOleAutomationDates) {
  struct Case {
    const char* text;
    DATE date;
  };
  const Case cases[] = {
      {"1899-12-30", 0.0},
      {"1900-01-01", 2.0},
      {"2024-02-29 18:00:00", 45351.75},
      {"06:00:00", 0.25},
      // Before the epoch the fraction still counts forward within the day.
      {"1899-12-29 06:00:00", -1.25},
      {"0100-01-01", -657434.0},
  };
  for (const Case& c : cases) {
    DATE parsed = 0.0;
    ASSERT_TRUE(ParseDateText(c.text, &parsed)) << c.text;
    EXPECT_DOUBLE_EQ(parsed, c.date) << c.text;
    EXPECT_EQ(DateText(c.date), c.text);
  }
  DATE date = 0.0;
  EXPECT_TRUE(ParseDateText("2024-02-29T18:00", &date));
  EXPECT_DOUBLE_EQ(date, 45351.75);
  EXPECT_FALSE(ParseDateText("2023-02-29", &date));  // not a leap year
  EXPECT_FALSE(ParseDateText("2024-04-31", &date));
  EXPECT_FALSE(ParseDateText("2024-01-01 24:00", &date));
  EXPECT_FALSE(ParseDateText("yesterday", &date));
  // A time that rounds up to midnight belongs to the next day.
  EXPECT_EQ(DateText(0.9999999999), "1899-12-31");
}

TEST(CoerceToBstr, NumbersBoolsAndDatesAsText) {
  auto text_of = [](VARIANT value) {
    BSTR text = nullptr;
    EXPECT_EQ(CoerceToBstr(value, &text), S_OK);
    std::u16string result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
  };
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.value.dblVal = 0.1;
  EXPECT_EQ(text_of(v), u"0.1");
  v.value.dblVal = 1e20;
  EXPECT_EQ(text_of(v), u"1E+20");
  v.vt = VT_BOOL;
  v.value.boolVal = VARIANT_TRUE;
  EXPECT_EQ(text_of(v), u"-1");
  v.vt = VT_CY;
  v.value.cyVal.int64 = -12345;  // -1.2345
  EXPECT_EQ(text_of(v), u"-1.2345");
  v.vt = VT_DATE;
  v.value.date = 45351.75;
  EXPECT_EQ(text_of(v), u"2024-02-29 18:00:00");
  v.vt = VT_EMPTY;
  EXPECT_EQ(text_of(v), u"");
  v.vt = VT_NULL;
  BSTR text = nullptr;
  EXPECT_EQ(CoerceToBstr(v, &text), DISP_E_TYPEMISMATCH);
}

}  // namespace
}  // namespace qorv::platform
