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
