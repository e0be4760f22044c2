// OpenSSL's own Blowfish and DES (legacy provider), the independent reference
// for our ciphers. Textbook byte order: big-endian block halves.
#ifndef QORV_TESTS_NET_OPENSSL_REFERENCE_H_
#define QORV_TESTS_NET_OPENSSL_REFERENCE_H_

#include <cstdint>
#include <vector>

namespace qorv::testing {

// ECB without padding; `data` must be whole blocks. Empty result on failure.
std::vector<uint8_t> OpenSslBlowfishEcb(const std::vector<uint8_t>& key,
                                        const std::vector<uint8_t>& data, bool encipher);
std::vector<uint8_t> OpenSslDesEcb(const std::vector<uint8_t>& key,
                                   const std::vector<uint8_t>& data);

// Reverses the bytes of each 4-byte half: converts between our little-endian
// block halves and the textbook big-endian ones.
std::vector<uint8_t> SwapHalves(std::vector<uint8_t> data);

}  // namespace qorv::testing

#endif  // QORV_TESTS_NET_OPENSSL_REFERENCE_H_
