// The message buffers of a Blowfish channel (encryption mode 1): the payload
// of every frame is enciphered with Blowfish in electronic codebook mode
// under the buffer's 16-byte channel key, with zero padding to a multiple of
// 8; the length prefix stays plain and counts the enciphered bytes.
//
// Each frame is enciphered independently under the current key (no chaining
// between frames), so the key schedule is built once per key and reused; a
// new key rebuilds it.
#ifndef QORV_NET_BLOWFISH_MESSAGE_H_
#define QORV_NET_BLOWFISH_MESSAGE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "net/blowfish.h"
#include "net/in_message.h"
#include "net/out_message.h"

namespace qorv {

inline constexpr size_t kChannelKeySize = 16;
using ChannelKey = std::array<uint8_t, kChannelKeySize>;

// The initial channel key: the 16 characters "7KqP2mZx9LtR4sWb". Every
// connection in mode 1 starts with it, in both directions, until the keyed
// login succeeds.
inline constexpr ChannelKey kInitialChannelKey = {'7', 'K', 'q', 'P', '2', 'm', 'Z', 'x',
                                                  '9', 'L', 't', 'R', '4', 's', 'W', 'b'};

// A channel key with its Blowfish key schedule, built when first needed.
class ChannelCipher {
 public:
  explicit ChannelCipher(const ChannelKey& key) : key_(key) {}
  void SetKey(const ChannelKey& key);
  const ChannelKey& key() const { return key_; }
  // The context keyed with key(); null when memory is short.
  const Blowfish* Context();

 private:
  ChannelKey key_;
  std::unique_ptr<Blowfish> schedule_;
};

class CBlowfishOutMessage : public COutMessage {
 public:
  explicit CBlowfishOutMessage(const ChannelKey& key = kInitialChannelKey) : cipher_(key) {}

  void SetKey(const ChannelKey& key) { cipher_.SetKey(key); }
  const ChannelKey& key() const { return cipher_.key(); }

  // The length prefix (padded length P), then the P enciphered bytes.
  int32_t BuildFrame(std::vector<uint8_t>* frame) const override;
  int32_t Send(CBlockingSocket& socket) override;

 private:
  mutable ChannelCipher cipher_;
};

class CBlowfishInMessage : public CInMessage {
 public:
  explicit CBlowfishInMessage(const ChannelKey& key = kInitialChannelKey) : cipher_(key) {}

  void SetKey(const ChannelKey& key) { cipher_.SetKey(key); }
  const ChannelKey& key() const { return cipher_.key(); }

 protected:
  // Deciphers the payload in place; the zero padding stays at the end. A
  // payload whose length is not a multiple of 8 is never sent by a peer of
  // this protocol: it is refused with 2 rather than deciphered in part.
  int32_t DecodePayload() override;

 private:
  ChannelCipher cipher_;
};

}  // namespace qorv

#endif  // QORV_NET_BLOWFISH_MESSAGE_H_
