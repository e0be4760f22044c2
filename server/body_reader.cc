#include "server/body_reader.h"

#include <algorithm>
#include <cstring>

#include "server/content_digest.h"
#include "server/database.h"

namespace qorv::server {

void BodyReader::Preload(std::string stored) {
  if (next_piece_ == 0 && !stored.empty()) TakePiece(std::move(stored));
}

void BodyReader::TakePiece(std::string stored) {
  ++next_piece_;
  stored_read_ += static_cast<int64_t>(stored.size());
  piece_.clear();
  piece_offset_ = 0;
  if (location_.is_text && eol_ != Eol::kLf) {
    AppendDelivered(stored, eol_, &piece_);
  } else {
    piece_ = std::move(stored);
  }
}

StoreStatus BodyReader::Read(char* buffer, size_t length, size_t* got) {
  *got = 0;
  while (*got < length) {
    if (piece_offset_ == piece_.size()) {
      if (stored_read_ >= location_.stored_size) break;
      std::string stored;
      StoreStatus status = database_.ReadContentPiece(location_, next_piece_, &stored);
      if (!status.ok()) return status;
      if (stored.empty()) {
        return MakeStatus(kStatusStoreError, kFormatStoreError, "a stored body ends early");
      }
      TakePiece(std::move(stored));
    }
    const size_t take = std::min(length - *got, piece_.size() - piece_offset_);
    std::memcpy(buffer + *got, piece_.data() + piece_offset_, take);
    piece_offset_ += take;
    *got += take;
  }
  delivered_ += static_cast<int64_t>(*got);
  if (delivered_ > delivered_size_ || (*got == 0 && length > 0 && delivered_ != delivered_size_)) {
    return MakeStatus(kStatusStoreError, kFormatStoreError,
                      "a stored body does not match its recorded size");
  }
  return StoreStatus::Ok();
}

}  // namespace qorv::server
