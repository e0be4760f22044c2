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

void TextNormaliser::Feed(std::string_view piece, std::string* out) {
  size_t i = 0;
  if (pending_cr_ && !piece.empty()) {
    // The CR of the previous piece is one line end, with this LF or alone.
    out->push_back('\n');
    pending_cr_ = false;
    if (piece[0] == '\n') i = 1;
  }
  for (; i < piece.size(); ++i) {
    const char c = piece[i];
    if (c != '\r') {
      out->push_back(c);
    } else if (i + 1 == piece.size()) {
      pending_cr_ = true;
    } else {
      out->push_back('\n');
      if (piece[i + 1] == '\n') ++i;
    }
  }
}

void TextNormaliser::Finish(std::string* out) {
  if (pending_cr_) out->push_back('\n');
  pending_cr_ = false;
}

void AppendDelivered(std::string_view stored, Eol eol, std::string* out) {
  if (eol == Eol::kLf) {
    out->append(stored);
    return;
  }
  for (char c : stored) {
    if (c != '\n') {
      out->push_back(c);
    } else if (eol == Eol::kCr) {
      out->push_back('\r');
    } else {
      out->append("\r\n");
    }
  }
}

std::string NormaliseToLf(std::string_view content) {
  std::string out;
  out.reserve(content.size());
  TextNormaliser normaliser;
  normaliser.Feed(content, &out);
  normaliser.Finish(&out);
  return out;
}

std::string DeliverText(std::string_view stored, Eol eol) {
  std::string out;
  AppendDelivered(stored, eol, &out);
  return out;
}

int64_t DeliveredTextSize(int64_t stored_size, int64_t lf_count, Eol eol) {
  return eol == Eol::kCrLf ? stored_size + lf_count : stored_size;
}

}  // namespace qorv::server
