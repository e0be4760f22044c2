#include "net/handshake.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "codec/byte_order.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

bool IsClientVersionAccepted(std::string_view server_versions, std::string_view client_version) {
  if (server_versions == client_version) return true;
  if (server_versions.size() > client_version.size() + 1) {
    if (server_versions.substr(0, client_version.size()) == client_version &&
        server_versions[client_version.size()] == ',') {
      return true;
    }
    const size_t tail = server_versions.size() - client_version.size();
    if (server_versions[tail - 1] == ',' && server_versions.substr(tail) == client_version) {
      return true;
    }
  }
  // Anywhere between two commas.
  for (size_t at = server_versions.find(client_version); at != std::string_view::npos;
       at = server_versions.find(client_version, at + 1)) {
    const size_t end = at + client_version.size();
    if (at > 0 && server_versions[at - 1] == ',' && end < server_versions.size() &&
        server_versions[end] == ',') {
      return true;
    }
  }
  return false;
}

ClientHandshake::ClientHandshake(bool request_certificate)
    : request_certificate_(request_certificate) {
  uint8_t magic[4];
  StoreBigEndian32(magic, kHandshakeMagic);
  QueueOutgoing(magic, sizeof(magic));
}

size_t ClientHandshake::BytesWanted() const {
  if (finished()) return 0;
  // A string's bytes are taken in pieces, so a driver's buffer grows with
  // the bytes that really come, never to an announced count up front.
  if (in_text_) return std::min<size_t>(text_left_, kReceiveGrowthStep);
  return sizeof(word_) - word_filled_;
}

size_t ClientHandshake::Feed(const uint8_t* data, size_t size) {
  size_t taken = 0;
  while (taken < size && !finished()) {
    if (in_text_) {
      const size_t count = std::min<size_t>(size - taken, text_left_);
      std::string* text = CurrentText();
      try {
        text->append(reinterpret_cast<const char*>(data + taken), count);
      } catch (const std::bad_alloc&) {
        text->clear();
        Finish(kResultReceiveOutOfMemory);
        break;
      }
      taken += count;
      text_left_ -= static_cast<uint32_t>(count);
      if (text_left_ == 0) {
        in_text_ = false;
        NextField();
      }
      continue;
    }
    const size_t count = std::min(size - taken, sizeof(word_) - word_filled_);
    std::memcpy(word_ + word_filled_, data + taken, count);
    word_filled_ += count;
    taken += count;
    if (word_filled_ == sizeof(word_)) {
      word_filled_ = 0;
      TakeWord();
    }
  }
  return taken;
}

std::string* ClientHandshake::CurrentText() {
  switch (field_) {
    case Field::kVersions:
      return &versions_;
    case Field::kUnusedText:
      return &unused_text_;
    case Field::kCertificate:
      return &certificate_;
    default:
      return nullptr;
  }
}

void ClientHandshake::TakeWord() {
  const uint32_t big = LoadBigEndian32(word_);
  const uint32_t raw = LoadLittleEndian32(word_);
  switch (field_) {
    case Field::kMagic:
      magic_ = big;
      break;
    case Field::kUnusedRaw:
      break;
    case Field::kMode:
      values_.encryption_mode = static_cast<int32_t>(big);
      break;
    case Field::kValue7:
      values_.value7 = raw;
      break;
    case Field::kValue8:
      values_.value8 = static_cast<int32_t>(big);
      break;
    case Field::kValue9:
      values_.value9 = static_cast<int32_t>(big);
      break;
    case Field::kValue10:
      values_.value10 = static_cast<int32_t>(big);
      break;
    case Field::kValue11:
      values_.value11 = raw;
      break;
    case Field::kVersions:
    case Field::kUnusedText:
    case Field::kCertificate:
      // The count of a string: refused beyond the incoming bound before
      // anything is allocated.
      if (big > kMaxIncomingLength) {
        Finish(kResultReceiveOutOfMemory);
        return;
      }
      if (field_ == Field::kCertificate && big > kMaxCaCertificateLength) {
        Finish(kResultSslConnectFailed);
        return;
      }
      CurrentText()->clear();
      if (big > 0) {
        in_text_ = true;
        text_left_ = big;
        return;
      }
      break;
  }
  NextField();
}

void ClientHandshake::NextField() {
  switch (field_) {
    case Field::kValue8:
      if (magic_ != kHandshakeMagic) {
        Finish(kResultNotThisProduct);
      } else if (!IsClientVersionAccepted(versions_)) {
        Finish(kResultVersionRefused);
      } else {
        field_ = Field::kValue9;
      }
      return;
    case Field::kValue11: {
      values_complete_ = true;
      if (values_.encryption_mode != kEncryptionSsl) {
        Finish(kResultOk);
        return;
      }
      uint8_t request[4];
      StoreLittleEndian32(request, request_certificate_ ? 1u : 0u);
      QueueOutgoing(request, sizeof(request));
      if (request_certificate_) {
        field_ = Field::kCertificate;
      } else {
        Finish(kResultOk);
      }
      return;
    }
    case Field::kCertificate:
      Finish(kResultOk);
      return;
    default:
      field_ = static_cast<Field>(static_cast<uint8_t>(field_) + 1);
      return;
  }
}

}  // namespace qorv
