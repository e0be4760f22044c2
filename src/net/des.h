// Single DES, enciphering one 8-byte block: what the LM hash and the NTLM
// version 1 responses need. Not a general-purpose cipher (no deciphering, no
// modes).
#ifndef QORV_NET_DES_H_
#define QORV_NET_DES_H_

#include <cstdint>

namespace qorv {

class Des {
 public:
  // Computes the 16 round keys from an 8-byte key (parity bits ignored).
  void SetKey(const uint8_t key[8]);

  // Enciphers one 8-byte block in place.
  void EncipherBlock(uint8_t block[8]) const;

  // Expands 7 key bytes (56 bits) to an 8-byte DES key: each output byte
  // carries 7 key bits in its high bits and a zero parity bit.
  static void KeyFrom7Bytes(const uint8_t input[7], uint8_t output[8]);

 private:
  uint64_t round_keys_[16] = {};  // 48 bits each, in the low bits
};

}  // namespace qorv

#endif  // QORV_NET_DES_H_
