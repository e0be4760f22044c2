#include "net/blowfish.h"

#include <cstring>

#include "codec/byte_order.h"
#include "net/blowfish_tables.h"

namespace qorv {

// The 16 rounds are written out: with the round number fixed, each P-array
// word is a constant offset and the two halves never swap places in memory.
#define QORV_BF_F(x) \
  (((s_[0][(x) >> 24] + s_[1][((x) >> 16) & 0xFF]) ^ s_[2][((x) >> 8) & 0xFF]) + s_[3][(x)&0xFF])
#define QORV_BF_ROUND(a, b, n) (a) ^= QORV_BF_F(b) ^ p_[n]

Blowfish::Blowfish() {
  std::memcpy(p_, blowfish_tables::kInitialP, sizeof(p_));
  std::memcpy(s_, blowfish_tables::kInitialS, sizeof(s_));
}

void Blowfish::SetKey(const uint8_t* key, size_t length) {
  std::memcpy(p_, blowfish_tables::kInitialP, sizeof(p_));
  std::memcpy(s_, blowfish_tables::kInitialS, sizeof(s_));
  if (length > 0) {
    size_t position = 0;
    for (uint32_t& word : p_) {
      uint32_t data = 0;
      for (int k = 0; k < 4; ++k) {
        data = (data << 8) | key[position];
        position = (position + 1) % length;
      }
      word ^= data;
    }
  }
  uint32_t left = 0;
  uint32_t right = 0;
  for (int i = 0; i < 18; i += 2) {
    EncipherWords(&left, &right);
    p_[i] = left;
    p_[i + 1] = right;
  }
  for (auto& box : s_) {
    for (int i = 0; i < 256; i += 2) {
      EncipherWords(&left, &right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

void Blowfish::EncipherWords(uint32_t* left, uint32_t* right) const {
  uint32_t a = *left ^ p_[0];
  uint32_t b = *right;
  QORV_BF_ROUND(b, a, 1);
  QORV_BF_ROUND(a, b, 2);
  QORV_BF_ROUND(b, a, 3);
  QORV_BF_ROUND(a, b, 4);
  QORV_BF_ROUND(b, a, 5);
  QORV_BF_ROUND(a, b, 6);
  QORV_BF_ROUND(b, a, 7);
  QORV_BF_ROUND(a, b, 8);
  QORV_BF_ROUND(b, a, 9);
  QORV_BF_ROUND(a, b, 10);
  QORV_BF_ROUND(b, a, 11);
  QORV_BF_ROUND(a, b, 12);
  QORV_BF_ROUND(b, a, 13);
  QORV_BF_ROUND(a, b, 14);
  QORV_BF_ROUND(b, a, 15);
  QORV_BF_ROUND(a, b, 16);
  *left = b ^ p_[17];
  *right = a;
}

void Blowfish::DecipherWords(uint32_t* left, uint32_t* right) const {
  uint32_t a = *left ^ p_[17];
  uint32_t b = *right;
  QORV_BF_ROUND(b, a, 16);
  QORV_BF_ROUND(a, b, 15);
  QORV_BF_ROUND(b, a, 14);
  QORV_BF_ROUND(a, b, 13);
  QORV_BF_ROUND(b, a, 12);
  QORV_BF_ROUND(a, b, 11);
  QORV_BF_ROUND(b, a, 10);
  QORV_BF_ROUND(a, b, 9);
  QORV_BF_ROUND(b, a, 8);
  QORV_BF_ROUND(a, b, 7);
  QORV_BF_ROUND(b, a, 6);
  QORV_BF_ROUND(a, b, 5);
  QORV_BF_ROUND(b, a, 4);
  QORV_BF_ROUND(a, b, 3);
  QORV_BF_ROUND(b, a, 2);
  QORV_BF_ROUND(a, b, 1);
  *left = b ^ p_[0];
  *right = a;
}

#undef QORV_BF_ROUND
#undef QORV_BF_F

size_t Blowfish::Encipher(const uint8_t* source, uint8_t* destination, size_t length) const {
  const size_t whole = length & ~(kBlockSize - 1);
  for (size_t offset = 0; offset < whole; offset += kBlockSize) {
    uint32_t left = LoadLittleEndian32(source + offset);
    uint32_t right = LoadLittleEndian32(source + offset + 4);
    EncipherWords(&left, &right);
    StoreLittleEndian32(destination + offset, left);
    StoreLittleEndian32(destination + offset + 4, right);
  }
  if (whole == length) return length;
  // The last partial block, filled up with zero bytes.
  uint8_t block[kBlockSize] = {};
  std::memcpy(block, source + whole, length - whole);
  uint32_t left = LoadLittleEndian32(block);
  uint32_t right = LoadLittleEndian32(block + 4);
  EncipherWords(&left, &right);
  StoreLittleEndian32(destination + whole, left);
  StoreLittleEndian32(destination + whole + 4, right);
  return whole + kBlockSize;
}

void Blowfish::Decipher(const uint8_t* source, uint8_t* destination, size_t length) const {
  const size_t whole = length & ~(kBlockSize - 1);
  for (size_t offset = 0; offset < whole; offset += kBlockSize) {
    uint32_t left = LoadLittleEndian32(source + offset);
    uint32_t right = LoadLittleEndian32(source + offset + 4);
    DecipherWords(&left, &right);
    StoreLittleEndian32(destination + offset, left);
    StoreLittleEndian32(destination + offset + 4, right);
  }
  if (whole == length) return;
  uint8_t block[kBlockSize] = {};
  std::memcpy(block, source + whole, length - whole);
  uint32_t left = LoadLittleEndian32(block);
  uint32_t right = LoadLittleEndian32(block + 4);
  DecipherWords(&left, &right);
  StoreLittleEndian32(block, left);
  StoreLittleEndian32(block + 4, right);
  std::memcpy(destination + whole, block, length - whole);
}

}  // namespace qorv
