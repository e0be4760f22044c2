#include "server/content_digest.h"

#include <algorithm>

namespace qorv::server {

Md5Digest Md5Of(std::string_view bytes) {
  Md5 md5;
  md5.Update(bytes.data(), bytes.size());
  Md5Digest digest{};
  md5.Final(digest.data());
  return digest;
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

void ContentDigests::Feed(std::string_view stored) {
  stored_size_ += static_cast<int64_t>(stored.size());
  if (!is_text_) {
    md5_[0].Update(stored.data(), stored.size());
    return;
  }
  lf_count_ += std::count(stored.begin(), stored.end(), '\n');
  md5_[static_cast<int>(Eol::kLf)].Update(stored.data(), stored.size());
  for (Eol eol : {Eol::kCr, Eol::kCrLf}) {
    converted_.clear();
    AppendDelivered(stored, eol, &converted_);
    md5_[static_cast<int>(eol)].Update(converted_.data(), converted_.size());
  }
}

ContentDigests::Result ContentDigests::Finish() {
  Result result;
  result.stored_size = stored_size_;
  result.lf_count = lf_count_;
  if (!is_text_) {
    md5_[0].Final(result.delivered_md5[0].data());
    result.delivered_md5.fill(result.delivered_md5[0]);
    return result;
  }
  for (int mode = 0; mode < kEolCount; ++mode) md5_[mode].Final(result.delivered_md5[mode].data());
  return result;
}

}  // namespace qorv::server
