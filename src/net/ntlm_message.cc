#include "net/ntlm_message.h"

#include <cstring>
#include <string>

#include "platform/com/text_convert.h"

namespace qorv {
namespace {

constexpr uint8_t kSignature[8] = {'N', 'T', 'L', 'M', 'S', 'S', 'P', 0};
constexpr uint32_t kType1Flags = 0x0000B203;
constexpr uint32_t kType3Flags = 0x00008201;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, value);
  Put16(out, at + 2, value >> 16);
}

// A security buffer: length, maximum length, offset.
void PutBuffer(std::vector<uint8_t>& out, size_t at, uint32_t length, uint32_t offset) {
  Put16(out, at, length);
  Put16(out, at + 2, length);
  Put32(out, at + 4, offset);
}

}  // namespace

std::vector<uint8_t> NtlmType1Message() {
  std::vector<uint8_t> message(kNtlmType1Size, 0);
  std::memcpy(message.data(), kSignature, sizeof kSignature);
  Put32(message, 8, 1);
  Put32(message, 12, kType1Flags);
  return message;
}

bool NtlmChallengeOf(const std::vector<uint8_t>& type2, uint8_t challenge[kNtlmChallengeSize]) {
  if (type2.size() < kNtlmChallengeOffset + kNtlmChallengeSize) return false;
  if (std::memcmp(type2.data(), kSignature, sizeof kSignature) != 0) return false;
  if (type2[8] != 2 || type2[9] != 0 || type2[10] != 0 || type2[11] != 0) return false;
  std::memcpy(challenge, type2.data() + kNtlmChallengeOffset, kNtlmChallengeSize);
  return true;
}

std::vector<uint8_t> NtlmType3Message(std::string_view user, std::string_view password,
                                      const uint8_t challenge[kNtlmChallengeSize]) {
  const std::u16string wide_user = Utf8ToUtf16(user);
  const uint32_t user_bytes = static_cast<uint32_t>(2 * wide_user.size());
  const uint32_t lm_offset = kNtlmType3HeaderSize + user_bytes;
  const uint32_t nt_offset = lm_offset + kNtlmResponseSize;
  const uint32_t end = nt_offset + kNtlmResponseSize;

  std::vector<uint8_t> message(end, 0);
  std::memcpy(message.data(), kSignature, sizeof kSignature);
  Put32(message, 8, 3);
  PutBuffer(message, 12, kNtlmResponseSize, lm_offset);
  PutBuffer(message, 20, kNtlmResponseSize, nt_offset);
  // 28: domain, all zero.
  PutBuffer(message, 36, user_bytes, kNtlmType3HeaderSize);
  // 44: workstation, all zero.
  PutBuffer(message, 52, 0, end);  // no session key: it starts at the end
  Put32(message, 60, kType3Flags);
  for (size_t i = 0; i < wide_user.size(); ++i) {
    Put16(message, kNtlmType3HeaderSize + 2 * i, wide_user[i]);
  }
  NtlmResponse(NtlmHashKind::kLm, password, challenge, message.data() + lm_offset);
  NtlmResponse(NtlmHashKind::kNt, password, challenge, message.data() + nt_offset);
  return message;
}

}  // namespace qorv
