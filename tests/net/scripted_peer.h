// A peer on loopback that plays a fixed script against one client: chosen
// bytes to send, byte counts to read (kept for the test to inspect), and a
// close. Handshake tests use it as a server that says exactly what a test
// needs, including wrong or truncated answers.
#ifndef QORV_TESTS_NET_SCRIPTED_PEER_H_
#define QORV_TESTS_NET_SCRIPTED_PEER_H_

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "net/out_message.h"
#include "qorvsdk/result_codes.h"

namespace qorv::testing {

struct ScriptStep {
  enum Kind { kSend, kReceive, kClose, kWaitForClose } kind;
  std::vector<uint8_t> bytes;  // kSend
  size_t count = 0;            // kReceive
};

inline ScriptStep SendStep(std::vector<uint8_t> bytes) {
  return {ScriptStep::kSend, std::move(bytes)};
}
inline ScriptStep ReceiveStep(size_t count) { return {ScriptStep::kReceive, {}, count}; }
inline ScriptStep CloseStep() { return {ScriptStep::kClose, {}}; }
inline ScriptStep WaitForCloseStep() { return {ScriptStep::kWaitForClose, {}}; }

class ScriptedPeer {
 public:
  ScriptedPeer() : listener_(&stop_) { EXPECT_EQ(listener_.Listen("127.0.0.1", 0, 4), kResultOk); }
  // A peer whose client never came stops waiting for it.
  ~ScriptedPeer() {
    stop_ = 1;
    Join();
  }

  uint16_t port() const { return listener_.LocalPort(); }

  // Accepts one client and plays the steps on a thread of its own.
  void Start(std::vector<ScriptStep> steps) {
    thread_ = std::thread([this, steps = std::move(steps)] {
      platform::SocketHandle accepted;
      if (listener_.Accept(&accepted) != kResultOk) return;
      CCancelableSocket peer(&stop_);
      peer.Attach(accepted);
      for (const ScriptStep& step : steps) {
        switch (step.kind) {
          case ScriptStep::kSend:
            if (peer.Send(step.bytes.data(), step.bytes.size()) != kResultOk) return;
            break;
          case ScriptStep::kReceive: {
            std::vector<uint8_t> got(step.count);
            if (peer.Receive(got.data(), got.size()) != kResultOk) return;
            received_.insert(received_.end(), got.begin(), got.end());
            break;
          }
          case ScriptStep::kClose:
            peer.Close();
            return;
          case ScriptStep::kWaitForClose: {
            uint8_t byte;
            while (peer.Receive(&byte, 1) == kResultOk) received_.push_back(byte);
            return;
          }
        }
      }
    });
  }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  // Everything the client sent that the script read.
  const std::vector<uint8_t>& received() const { return received_; }

 private:
  std::atomic<int32_t> stop_{0};
  CCancelableSocket listener_;
  std::thread thread_;
  std::vector<uint8_t> received_;
};

// The server's side of the handshake, field by field.
struct ServerHello {
  uint32_t magic = kHandshakeMagic;
  std::string versions = "5.2";
  uint32_t unused_raw = 0xDEADBEEF;
  int32_t mode = 0;
  std::string unused_text = "server text";
  uint32_t value7 = 0x04030201;
  int32_t value8 = 8;
  int32_t value9 = -9;
  int32_t value10 = 10;
  uint32_t value11 = 0x0B0A0908;

  // The fields up to and including step `last_step` (2 to 11).
  std::vector<uint8_t> Bytes(int last_step = 11) const {
    COutMessage out;
    auto raw4 = [&out](uint32_t value) {
      const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                static_cast<uint8_t>(value >> 16),
                                static_cast<uint8_t>(value >> 24)};
      out.AppendBytes(bytes, 4);
    };
    if (last_step >= 2) out.AppendInt32(static_cast<int32_t>(magic));
    if (last_step >= 3) out.AppendString(versions);
    if (last_step >= 4) raw4(unused_raw);
    if (last_step >= 5) out.AppendInt32(mode);
    if (last_step >= 6) out.AppendString(unused_text);
    if (last_step >= 7) raw4(value7);
    if (last_step >= 8) out.AppendInt32(value8);
    if (last_step >= 9) out.AppendInt32(value9);
    if (last_step >= 10) out.AppendInt32(value10);
    if (last_step >= 11) raw4(value11);
    return std::vector<uint8_t>(out.data(), out.data() + out.size());
  }
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_NET_SCRIPTED_PEER_H_
