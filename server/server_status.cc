#include "server/server_status.h"

namespace qorv::server {

std::string FormatText(const char* format, std::initializer_list<std::string_view> texts,
                       std::initializer_list<int32_t> numbers) {
  std::string out;
  auto text = texts.begin();
  auto number = numbers.begin();
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (text != texts.end()) out.append(*text++);
      ++p;
    } else if (p[0] == '%' && p[1] == 'd') {
      if (number != numbers.end()) out.append(std::to_string(*number++));
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

StoreStatus MakeStatus(int32_t code, const char* format, std::string_view arg) {
  return {code, FormatText(format, {arg})};
}

StoreStatus MakeStatus(int32_t code, const char* format, int32_t number, std::string_view arg) {
  return {code, FormatText(format, {arg}, {number})};
}

}  // namespace qorv::server
