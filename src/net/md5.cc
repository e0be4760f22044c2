#include "net/md5.h"

#include <memory>

#include "codec/byte_order.h"
#include "platform/sequential_file.h"

namespace qorv {

#define QORV_MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define QORV_MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define QORV_MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define QORV_MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define QORV_MD5_STEP(f, a, b, c, d, word, constant, shift) \
  (a) += QORV_MD5_##f((b), (c), (d)) + (word) + (constant); \
  (a) = (((a) << (shift)) | ((a) >> (32 - (shift)))) + (b)

void Md5::ProcessBlocks(uint32_t state[4], const uint8_t* data, size_t count) {
  for (; count > 0; --count, data += kBlockSize) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian32(data + 4 * i);
    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];
    QORV_MD5_STEP(F, a, b, c, d, x[0], 0xD76AA478u, 7);
    QORV_MD5_STEP(F, d, a, b, c, x[1], 0xE8C7B756u, 12);
    QORV_MD5_STEP(F, c, d, a, b, x[2], 0x242070DBu, 17);
    QORV_MD5_STEP(F, b, c, d, a, x[3], 0xC1BDCEEEu, 22);
    QORV_MD5_STEP(F, a, b, c, d, x[4], 0xF57C0FAFu, 7);
    QORV_MD5_STEP(F, d, a, b, c, x[5], 0x4787C62Au, 12);
    QORV_MD5_STEP(F, c, d, a, b, x[6], 0xA8304613u, 17);
    QORV_MD5_STEP(F, b, c, d, a, x[7], 0xFD469501u, 22);
    QORV_MD5_STEP(F, a, b, c, d, x[8], 0x698098D8u, 7);
    QORV_MD5_STEP(F, d, a, b, c, x[9], 0x8B44F7AFu, 12);
    QORV_MD5_STEP(F, c, d, a, b, x[10], 0xFFFF5BB1u, 17);
    QORV_MD5_STEP(F, b, c, d, a, x[11], 0x895CD7BEu, 22);
    QORV_MD5_STEP(F, a, b, c, d, x[12], 0x6B901122u, 7);
    QORV_MD5_STEP(F, d, a, b, c, x[13], 0xFD987193u, 12);
    QORV_MD5_STEP(F, c, d, a, b, x[14], 0xA679438Eu, 17);
    QORV_MD5_STEP(F, b, c, d, a, x[15], 0x49B40821u, 22);
    QORV_MD5_STEP(G, a, b, c, d, x[1], 0xF61E2562u, 5);
    QORV_MD5_STEP(G, d, a, b, c, x[6], 0xC040B340u, 9);
    QORV_MD5_STEP(G, c, d, a, b, x[11], 0x265E5A51u, 14);
    QORV_MD5_STEP(G, b, c, d, a, x[0], 0xE9B6C7AAu, 20);
    QORV_MD5_STEP(G, a, b, c, d, x[5], 0xD62F105Du, 5);
    QORV_MD5_STEP(G, d, a, b, c, x[10], 0x02441453u, 9);
    QORV_MD5_STEP(G, c, d, a, b, x[15], 0xD8A1E681u, 14);
    QORV_MD5_STEP(G, b, c, d, a, x[4], 0xE7D3FBC8u, 20);
    QORV_MD5_STEP(G, a, b, c, d, x[9], 0x21E1CDE6u, 5);
    QORV_MD5_STEP(G, d, a, b, c, x[14], 0xC33707D6u, 9);
    QORV_MD5_STEP(G, c, d, a, b, x[3], 0xF4D50D87u, 14);
    QORV_MD5_STEP(G, b, c, d, a, x[8], 0x455A14EDu, 20);
    QORV_MD5_STEP(G, a, b, c, d, x[13], 0xA9E3E905u, 5);
    QORV_MD5_STEP(G, d, a, b, c, x[2], 0xFCEFA3F8u, 9);
    QORV_MD5_STEP(G, c, d, a, b, x[7], 0x676F02D9u, 14);
    QORV_MD5_STEP(G, b, c, d, a, x[12], 0x8D2A4C8Au, 20);
    QORV_MD5_STEP(H, a, b, c, d, x[5], 0xFFFA3942u, 4);
    QORV_MD5_STEP(H, d, a, b, c, x[8], 0x8771F681u, 11);
    QORV_MD5_STEP(H, c, d, a, b, x[11], 0x6D9D6122u, 16);
    QORV_MD5_STEP(H, b, c, d, a, x[14], 0xFDE5380Cu, 23);
    QORV_MD5_STEP(H, a, b, c, d, x[1], 0xA4BEEA44u, 4);
    QORV_MD5_STEP(H, d, a, b, c, x[4], 0x4BDECFA9u, 11);
    QORV_MD5_STEP(H, c, d, a, b, x[7], 0xF6BB4B60u, 16);
    QORV_MD5_STEP(H, b, c, d, a, x[10], 0xBEBFBC70u, 23);
    QORV_MD5_STEP(H, a, b, c, d, x[13], 0x289B7EC6u, 4);
    QORV_MD5_STEP(H, d, a, b, c, x[0], 0xEAA127FAu, 11);
    QORV_MD5_STEP(H, c, d, a, b, x[3], 0xD4EF3085u, 16);
    QORV_MD5_STEP(H, b, c, d, a, x[6], 0x04881D05u, 23);
    QORV_MD5_STEP(H, a, b, c, d, x[9], 0xD9D4D039u, 4);
    QORV_MD5_STEP(H, d, a, b, c, x[12], 0xE6DB99E5u, 11);
    QORV_MD5_STEP(H, c, d, a, b, x[15], 0x1FA27CF8u, 16);
    QORV_MD5_STEP(H, b, c, d, a, x[2], 0xC4AC5665u, 23);
    QORV_MD5_STEP(I, a, b, c, d, x[0], 0xF4292244u, 6);
    QORV_MD5_STEP(I, d, a, b, c, x[7], 0x432AFF97u, 10);
    QORV_MD5_STEP(I, c, d, a, b, x[14], 0xAB9423A7u, 15);
    QORV_MD5_STEP(I, b, c, d, a, x[5], 0xFC93A039u, 21);
    QORV_MD5_STEP(I, a, b, c, d, x[12], 0x655B59C3u, 6);
    QORV_MD5_STEP(I, d, a, b, c, x[3], 0x8F0CCC92u, 10);
    QORV_MD5_STEP(I, c, d, a, b, x[10], 0xFFEFF47Du, 15);
    QORV_MD5_STEP(I, b, c, d, a, x[1], 0x85845DD1u, 21);
    QORV_MD5_STEP(I, a, b, c, d, x[8], 0x6FA87E4Fu, 6);
    QORV_MD5_STEP(I, d, a, b, c, x[15], 0xFE2CE6E0u, 10);
    QORV_MD5_STEP(I, c, d, a, b, x[6], 0xA3014314u, 15);
    QORV_MD5_STEP(I, b, c, d, a, x[13], 0x4E0811A1u, 21);
    QORV_MD5_STEP(I, a, b, c, d, x[4], 0xF7537E82u, 6);
    QORV_MD5_STEP(I, d, a, b, c, x[11], 0xBD3AF235u, 10);
    QORV_MD5_STEP(I, c, d, a, b, x[2], 0x2AD7D2BBu, 15);
    QORV_MD5_STEP(I, b, c, d, a, x[9], 0xEB86D391u, 21);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
  }
}

#undef QORV_MD5_STEP
#undef QORV_MD5_I
#undef QORV_MD5_H
#undef QORV_MD5_G
#undef QORV_MD5_F

int Md5OfFile(const std::string& path, uint8_t digest[Md5::kDigestSize]) {
  platform::SequentialFile file;
  if (int error = file.Open(path); error != 0) return error;
  // One piece on the heap: 64 KiB is too much for a worker thread's stack.
  std::unique_ptr<uint8_t[]> piece(new uint8_t[kFileDigestPieceSize]);
  Md5 md5;
  for (;;) {
    int error = 0;
    const int64_t count = file.Read(piece.get(), kFileDigestPieceSize, &error);
    if (count < 0) return error;
    if (count == 0) break;
    md5.Update(piece.get(), static_cast<size_t>(count));
  }
  md5.Final(digest);
  return 0;
}

}  // namespace qorv
