// The NTLM messages of the HTTP proxy's NTLM authentication: the type 1
// message the client opens with, the server challenge read from the
// proxy's type 2 message, and the type 3 message with the version 1
// responses. Multi-byte integers are little-endian.
#ifndef QORV_NET_NTLM_MESSAGE_H_
#define QORV_NET_NTLM_MESSAGE_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "net/ntlm_hash.h"

namespace qorv {

inline constexpr size_t kNtlmType1Size = 32;
// The fixed part of a type 3 message; the user name (2 bytes a character)
// and the two 24-byte responses follow it.
inline constexpr size_t kNtlmType3HeaderSize = 64;
// Where a type 2 message keeps the server challenge.
inline constexpr size_t kNtlmChallengeOffset = 24;

// "NTLMSSP" and a zero byte, type 1, flags 0x0000B203, no domain and no
// workstation.
std::vector<uint8_t> NtlmType1Message();

// The server challenge of a decoded type 2 message: false when the message
// is too short to hold it or does not start with the NTLM signature and
// type 2. Nothing else of the message is read.
bool NtlmChallengeOf(const std::vector<uint8_t>& type2, uint8_t challenge[kNtlmChallengeSize]);

// The type 3 message (112 + 2U bytes, U the user name's characters): LM and
// NT responses to `challenge`, the user name whole in UTF-16LE (a name of
// the form domain\user included), no domain, workstation or session key,
// flags 0x00008201.
std::vector<uint8_t> NtlmType3Message(std::string_view user, std::string_view password,
                                      const uint8_t challenge[kNtlmChallengeSize]);

}  // namespace qorv

#endif  // QORV_NET_NTLM_MESSAGE_H_
