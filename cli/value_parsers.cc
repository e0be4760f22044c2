#include "cli/value_parsers.h"

#include <cstdlib>

namespace qorv::cli {

bool ParseEol(const std::string& text, Enum_EOL* eol) {
  if (text == "lf") {
    *eol = Enum_LF;
  } else if (text == "crlf") {
    *eol = Enum_CRLF;
  } else if (text == "cr") {
    *eol = Enum_CR;
  } else {
    return false;
  }
  return true;
}

bool ParseVersion(const std::string& text, LONG* version) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *version = static_cast<LONG>(std::strtol(text.c_str(), nullptr, 10));
  return true;
}

}  // namespace qorv::cli
