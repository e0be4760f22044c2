// A JSON value for the --json output of the commands: null, boolean,
// integer, string, array or object (members keep the order they were added
// in, so documents read in the order the help text describes them).
#ifndef QORV_CLI_JSON_VALUE_H_
#define QORV_CLI_JSON_VALUE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qorv::cli {

class JsonValue {
 public:
  enum class Type { kNull, kBool, kInteger, kString, kArray, kObject };

  JsonValue() = default;  // null
  static JsonValue Bool(bool value);
  static JsonValue Integer(int64_t value);
  static JsonValue String(std::string_view value);
  static JsonValue Array();
  static JsonValue Object();

  Type type() const { return type_; }
  bool is_null() const { return type_ == Type::kNull; }

  // Object: adds the member, or replaces the value of a member of that name.
  JsonValue& Set(std::string_view key, JsonValue value);
  // Array: appends an element.
  JsonValue& Append(JsonValue value);

  // Readers for tests and renderers; a missing member or a value of another
  // type reads as null, false, 0 or empty.
  const JsonValue& operator[](std::string_view key) const;
  const JsonValue& operator[](size_t index) const;
  size_t size() const;
  bool AsBool() const { return type_ == Type::kBool && bool_; }
  int64_t AsInteger() const { return type_ == Type::kInteger ? integer_ : 0; }
  const std::string& AsString() const;

  // Compact single-line JSON text. Strings are written as valid UTF-8: a
  // byte that does not belong to a well-formed sequence becomes U+FFFD, and
  // control characters are escaped.
  std::string Serialize() const;

 private:
  void AppendTo(std::string* out) const;

  Type type_ = Type::kNull;
  bool bool_ = false;
  int64_t integer_ = 0;
  std::string string_;
  std::vector<JsonValue> elements_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

// Appends `text` as a JSON string literal (with its quotes) to *out.
void AppendJsonString(std::string_view text, std::string* out);

}  // namespace qorv::cli

#endif  // QORV_CLI_JSON_VALUE_H_
