#include "codec/md4.h"

#include "codec/byte_order.h"

namespace qorv {

#define QORV_MD4_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define QORV_MD4_G(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))
#define QORV_MD4_H(x, y, z) ((x) ^ (y) ^ (z))
#define QORV_MD4_STEP(f, a, b, c, d, word, constant, shift) \
  (a) += QORV_MD4_##f((b), (c), (d)) + (word) + (constant); \
  (a) = ((a) << (shift)) | ((a) >> (32 - (shift)))

void Md4::ProcessBlocks(uint32_t state[4], const uint8_t* data, size_t count) {
  for (; count > 0; --count, data += kBlockSize) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian32(data + 4 * i);
    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];
    QORV_MD4_STEP(F, a, b, c, d, x[0], 0u, 3);
    QORV_MD4_STEP(F, d, a, b, c, x[1], 0u, 7);
    QORV_MD4_STEP(F, c, d, a, b, x[2], 0u, 11);
    QORV_MD4_STEP(F, b, c, d, a, x[3], 0u, 19);
    QORV_MD4_STEP(F, a, b, c, d, x[4], 0u, 3);
    QORV_MD4_STEP(F, d, a, b, c, x[5], 0u, 7);
    QORV_MD4_STEP(F, c, d, a, b, x[6], 0u, 11);
    QORV_MD4_STEP(F, b, c, d, a, x[7], 0u, 19);
    QORV_MD4_STEP(F, a, b, c, d, x[8], 0u, 3);
    QORV_MD4_STEP(F, d, a, b, c, x[9], 0u, 7);
    QORV_MD4_STEP(F, c, d, a, b, x[10], 0u, 11);
    QORV_MD4_STEP(F, b, c, d, a, x[11], 0u, 19);
    QORV_MD4_STEP(F, a, b, c, d, x[12], 0u, 3);
    QORV_MD4_STEP(F, d, a, b, c, x[13], 0u, 7);
    QORV_MD4_STEP(F, c, d, a, b, x[14], 0u, 11);
    QORV_MD4_STEP(F, b, c, d, a, x[15], 0u, 19);
    QORV_MD4_STEP(G, a, b, c, d, x[0], 0x5A827999u, 3);
    QORV_MD4_STEP(G, d, a, b, c, x[4], 0x5A827999u, 5);
    QORV_MD4_STEP(G, c, d, a, b, x[8], 0x5A827999u, 9);
    QORV_MD4_STEP(G, b, c, d, a, x[12], 0x5A827999u, 13);
    QORV_MD4_STEP(G, a, b, c, d, x[1], 0x5A827999u, 3);
    QORV_MD4_STEP(G, d, a, b, c, x[5], 0x5A827999u, 5);
    QORV_MD4_STEP(G, c, d, a, b, x[9], 0x5A827999u, 9);
    QORV_MD4_STEP(G, b, c, d, a, x[13], 0x5A827999u, 13);
    QORV_MD4_STEP(G, a, b, c, d, x[2], 0x5A827999u, 3);
    QORV_MD4_STEP(G, d, a, b, c, x[6], 0x5A827999u, 5);
    QORV_MD4_STEP(G, c, d, a, b, x[10], 0x5A827999u, 9);
    QORV_MD4_STEP(G, b, c, d, a, x[14], 0x5A827999u, 13);
    QORV_MD4_STEP(G, a, b, c, d, x[3], 0x5A827999u, 3);
    QORV_MD4_STEP(G, d, a, b, c, x[7], 0x5A827999u, 5);
    QORV_MD4_STEP(G, c, d, a, b, x[11], 0x5A827999u, 9);
    QORV_MD4_STEP(G, b, c, d, a, x[15], 0x5A827999u, 13);
    QORV_MD4_STEP(H, a, b, c, d, x[0], 0x6ED9EBA1u, 3);
    QORV_MD4_STEP(H, d, a, b, c, x[8], 0x6ED9EBA1u, 9);
    QORV_MD4_STEP(H, c, d, a, b, x[4], 0x6ED9EBA1u, 11);
    QORV_MD4_STEP(H, b, c, d, a, x[12], 0x6ED9EBA1u, 15);
    QORV_MD4_STEP(H, a, b, c, d, x[2], 0x6ED9EBA1u, 3);
    QORV_MD4_STEP(H, d, a, b, c, x[10], 0x6ED9EBA1u, 9);
    QORV_MD4_STEP(H, c, d, a, b, x[6], 0x6ED9EBA1u, 11);
    QORV_MD4_STEP(H, b, c, d, a, x[14], 0x6ED9EBA1u, 15);
    QORV_MD4_STEP(H, a, b, c, d, x[1], 0x6ED9EBA1u, 3);
    QORV_MD4_STEP(H, d, a, b, c, x[9], 0x6ED9EBA1u, 9);
    QORV_MD4_STEP(H, c, d, a, b, x[5], 0x6ED9EBA1u, 11);
    QORV_MD4_STEP(H, b, c, d, a, x[13], 0x6ED9EBA1u, 15);
    QORV_MD4_STEP(H, a, b, c, d, x[3], 0x6ED9EBA1u, 3);
    QORV_MD4_STEP(H, d, a, b, c, x[11], 0x6ED9EBA1u, 9);
    QORV_MD4_STEP(H, c, d, a, b, x[7], 0x6ED9EBA1u, 11);
    QORV_MD4_STEP(H, b, c, d, a, x[15], 0x6ED9EBA1u, 15);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
  }
}

#undef QORV_MD4_STEP
#undef QORV_MD4_H
#undef QORV_MD4_G
#undef QORV_MD4_F

}  // namespace qorv
