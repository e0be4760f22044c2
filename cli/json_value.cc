#include "cli/json_value.h"

#include <cstdio>

namespace qorv::cli {
namespace {

const JsonValue& NullValue() {
  static const JsonValue kNull;
  return kNull;
}

const std::string& EmptyString() {
  static const std::string kEmpty;
  return kEmpty;
}

// The length of the well-formed UTF-8 sequence at text[0], or 0 when the
// bytes there do not form one (overlong forms, surrogates and values above
// U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

JsonValue JsonValue::Bool(bool value) {
  JsonValue v;
  v.type_ = Type::kBool;
  v.bool_ = value;
  return v;
}

JsonValue JsonValue::Integer(int64_t value) {
  JsonValue v;
  v.type_ = Type::kInteger;
  v.integer_ = value;
  return v;
}

JsonValue JsonValue::String(std::string_view value) {
  JsonValue v;
  v.type_ = Type::kString;
  v.string_ = value;
  return v;
}

JsonValue JsonValue::Array() {
  JsonValue v;
  v.type_ = Type::kArray;
  return v;
}

JsonValue JsonValue::Object() {
  JsonValue v;
  v.type_ = Type::kObject;
  return v;
}

JsonValue& JsonValue::Set(std::string_view key, JsonValue value) {
  for (auto& member : members_) {
    if (member.first == key) {
      member.second = std::move(value);
      return *this;
    }
  }
  members_.emplace_back(std::string(key), std::move(value));
  return *this;
}

JsonValue& JsonValue::Append(JsonValue value) {
  elements_.push_back(std::move(value));
  return *this;
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
  if (type_ != Type::kObject) return NullValue();
  for (const auto& member : members_) {
    if (member.first == key) return member.second;
  }
  return NullValue();
}

const JsonValue& JsonValue::operator[](size_t index) const {
  if (type_ != Type::kArray || index >= elements_.size()) return NullValue();
  return elements_[index];
}

size_t JsonValue::size() const {
  if (type_ == Type::kArray) return elements_.size();
  if (type_ == Type::kObject) return members_.size();
  return 0;
}

const std::string& JsonValue::AsString() const {
  return type_ == Type::kString ? string_ : EmptyString();
}

std::string JsonValue::Serialize() const {
  std::string out;
  AppendTo(&out);
  return out;
}

void JsonValue::AppendTo(std::string* out) const {
  switch (type_) {
    case Type::kNull:
      *out += "null";
      break;
    case Type::kBool:
      *out += bool_ ? "true" : "false";
      break;
    case Type::kInteger:
      *out += std::to_string(integer_);
      break;
    case Type::kString:
      AppendJsonString(string_, out);
      break;
    case Type::kArray: {
      *out += '[';
      for (size_t i = 0; i < elements_.size(); ++i) {
        if (i != 0) *out += ',';
        elements_[i].AppendTo(out);
      }
      *out += ']';
      break;
    }
    case Type::kObject: {
      *out += '{';
      for (size_t i = 0; i < members_.size(); ++i) {
        if (i != 0) *out += ',';
        AppendJsonString(members_[i].first, out);
        *out += ':';
        members_[i].second.AppendTo(out);
      }
      *out += '}';
      break;
    }
  }
}

void AppendJsonString(std::string_view text, std::string* out) {
  *out += '"';
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      *out += '\\';
      *out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      switch (c) {
        case '\n':
          *out += "\\n";
          break;
        case '\r':
          *out += "\\r";
          break;
        case '\t':
          *out += "\\t";
          break;
        default: {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          *out += escaped;
        }
      }
      ++i;
    } else {
      const size_t length = Utf8SequenceLength(text.substr(i));
      if (length == 0) {
        *out += "\xEF\xBF\xBD";  // U+FFFD for a byte outside any valid sequence
        ++i;
      } else {
        out->append(text.substr(i, length));
        i += length;
      }
    }
  }
  *out += '"';
}

}  // namespace qorv::cli
