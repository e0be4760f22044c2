// Blowfish (64-bit block, 16 rounds) in electronic codebook mode with zero
// padding, as the channel encryption and the user key files use it.
//
// Byte order: each 8-byte block is taken as two 32-bit words read
// little-endian, the first four bytes being the left half. A textbook
// Blowfish (big-endian halves) gives the same result only when each 4-byte
// half is byte-reversed before and after.
//
// A context is 4168 bytes (the 18-word P-array and four 256-word S-boxes);
// SetKey runs the published key schedule (521 block encipherments).
#ifndef QORV_NET_BLOWFISH_H_
#define QORV_NET_BLOWFISH_H_

#include <cstddef>
#include <cstdint>

namespace qorv {

class Blowfish {
 public:
  static constexpr size_t kBlockSize = 8;

  // An unkeyed context holds the published initial tables.
  Blowfish();

  // Runs the key schedule: the key bytes, taken cyclically four at a time as
  // big-endian words, are XORed into the P-array; then the all-zero block is
  // enciphered repeatedly to replace P and S. Only the first 72 bytes of a
  // longer key matter. An empty key leaves the P-array as published before
  // the replacement runs.
  void SetKey(const uint8_t* key, size_t length);

  // Enciphers ceil(length / 8) blocks from source to destination and returns
  // the padded length (length rounded up to a multiple of 8; 0 stays 0). The
  // last partial block is filled up with zero bytes before it is enciphered,
  // so destination must hold the padded length. source and destination may
  // be the same block.
  size_t Encipher(const uint8_t* source, uint8_t* destination, size_t length) const;

  // Deciphers ceil(length / 8) blocks in the same way; the padding stays. For
  // a length that is not a multiple of 8, the last partial block is read as if
  // zero-filled and only its first length % 8 bytes are written, so neither
  // buffer is touched past `length` (callers pass whole blocks).
  void Decipher(const uint8_t* source, uint8_t* destination, size_t length) const;

  // One block as two words (left, right), in place.
  void EncipherWords(uint32_t* left, uint32_t* right) const;
  void DecipherWords(uint32_t* left, uint32_t* right) const;

  // `length` rounded up to a multiple of the block size.
  static constexpr size_t PaddedLength(size_t length) {
    return (length + (kBlockSize - 1)) & ~(kBlockSize - 1);
  }

 private:
  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace qorv

#endif  // QORV_NET_BLOWFISH_H_
