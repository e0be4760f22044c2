#include "server/line_endings.h"

namespace qorv::server {

std::optional<Eol> EolFromWire(int32_t value) {
  if (value < 0 || value >= kEolCount) return std::nullopt;
  return static_cast<Eol>(value);
}

bool LooksLikeText(std::string_view content) {
  for (char c : content) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte <= 0x08) return false;
    if (byte >= 0x0E && byte <= 0x1F && byte != 0x1A && byte != 0x1B) return false;
  }
  return true;
}

std::string NormaliseToLf(std::string_view content) {
  std::string out;
  out.reserve(content.size());
  for (size_t i = 0; i < content.size(); ++i) {
    char c = content[i];
    if (c == '\r') {
      out.push_back('\n');
      if (i + 1 < content.size() && content[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string DeliverText(std::string_view stored, Eol eol) {
  if (eol == Eol::kLf) return std::string(stored);
  std::string out;
  out.reserve(stored.size() + (eol == Eol::kCrLf ? stored.size() / 16 : 0));
  for (char c : stored) {
    if (c != '\n') {
      out.push_back(c);
    } else if (eol == Eol::kCr) {
      out.push_back('\r');
    } else {
      out.append("\r\n");
    }
  }
  return out;
}

int64_t DeliveredTextSize(int64_t stored_size, int64_t lf_count, Eol eol) {
  return eol == Eol::kCrLf ? stored_size + lf_count : stored_size;
}

}  // namespace qorv::server
