// The JSON documents of --json.
#include <gtest/gtest.h>

#include "cli/json_value.h"

namespace qorv::cli {
namespace {

TEST(JsonValueTest, MembersKeepTheirOrderAndSetReplaces) {
  JsonValue object = JsonValue::Object();
  object.Set("b", JsonValue::Integer(1)).Set("a", JsonValue::Array().Append(JsonValue::Bool(true)));
  object.Set("b", JsonValue::Integer(-2)).Set("c", JsonValue());
  EXPECT_EQ(object.Serialize(), R"({"b":-2,"a":[true],"c":null})");
  EXPECT_EQ(object["b"].AsInteger(), -2);
  EXPECT_TRUE(object["a"][0].AsBool());
  EXPECT_TRUE(object["missing"].is_null());
  EXPECT_TRUE(object["a"][5].is_null());
}

TEST(JsonValueTest, StringsAreEscapedAndAlwaysValidUtf8) {
  EXPECT_EQ(JsonValue::String("a\"b\\c\n\r\t\x01\x1b\x7f").Serialize(),
            R"("a\"b\\c\n\r\t\u0001\u001b\u007f")");
  // Well-formed multibyte sequences pass unchanged.
  EXPECT_EQ(JsonValue::String("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80").Serialize(),
            "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"");
  // A stray continuation byte, a truncated sequence, an overlong form and an
  // encoded surrogate each become U+FFFD per byte.
  EXPECT_EQ(JsonValue::String("\x80").Serialize(), "\"\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonValue::String("a\xE2\x82").Serialize(), "\"a\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonValue::String("\xC0\xAF").Serialize(), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonValue::String("\xED\xA0\x80").Serialize(),
            "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace qorv::cli
