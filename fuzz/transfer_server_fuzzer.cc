// What a client sends on a transfer connection, served by the reference
// server's ServeTransferConnection: commands 64 (an upload batch and its
// body, plain, compressed or as a delta) and 65 (a download batch of
// transfer names), over the fuzz store (fuzz_store.h), which a transfer
// connection only reads, so one store serves every input.
//
// Input: a mode byte (bit 0: the session has a check-in open, entry 0 being
// "$/P/a.txt", so a delta upload has an old version), then what the client
// sends: frames and body messages (a 32-bit big-endian length, then the
// payload). The login identity of every frame that opens with 64 or 65 is
// set to that of alice's session, which a fuzzer could not guess.
//
// Properties, beyond not crashing or hanging:
// - the server sends whole frames only;
// - while the session lives, the spool folder holds exactly the bodies the
//   session holds: a body cut short, refused or replaced leaves no file;
// - once the session ends, it holds nothing and no spool file is left.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "codec/byte_order.h"
#include "fuzz/fuzz_store.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/memory_stream.h"
#include "platform/process.h"
#include "server/client_connection.h"
#include "server/fault_hooks.h"
#include "server/frame_channel.h"
#include "server/transfer_connection.h"
#include "server/upload_spool.h"

namespace qorv::fuzz {
namespace {

namespace fs = std::filesystem;

// The offset of the login identity in a 64 or 65 frame's payload: the
// command byte and two 32-bit booleans before it.
constexpr size_t kIdentityOffset = 9;

// The store and spool folder every input shares.
class TransferServer {
 public:
  TransferServer()
      : spool_folder_(fs::temp_directory_path() /
                      ("qorv_fuzz_spool_" + std::to_string(platform::CurrentProcessId()))),
        spool_(spool_folder_.string()),
        services_{store_.data(), store_.sessions(), faults_, spool_,  kEncryptionNone, "5.2",
                  nullptr,       nullptr,           "",      nullptr, nullptr,         30,
                  nullptr} {
    std::string error;
    QORV_FUZZ_CHECK(spool_.Prepare(&error), "the spool folder is made");
  }
  ~TransferServer() {
    std::error_code error;
    fs::remove_all(spool_folder_, error);
  }

  FuzzStore& store() { return store_; }
  const server::ServerServices& services() const { return services_; }
  const fs::path& spool_folder() const { return spool_folder_; }

 private:
  FuzzStore store_;
  server::FaultHookSource faults_;
  fs::path spool_folder_;
  server::SpoolFolder spool_;
  server::ServerServices services_;
};

TransferServer& Server() {
  static TransferServer server;
  return server;
}

// The input's frames with the session's identity put into each 64 and 65.
std::string WithIdentity(std::string_view incoming, int32_t identity) {
  std::string bytes(incoming);
  for (size_t at = 0; bytes.size() - at >= 4;) {
    const uint32_t length = LoadBigEndian32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
    at += 4;
    if (length > bytes.size() - at) break;
    const uint8_t code = static_cast<uint8_t>(bytes[at]);
    if (length >= kIdentityOffset + 4 && (code == 64 || code == 65)) {
      StoreBigEndian32(reinterpret_cast<uint8_t*>(bytes.data() + at + kIdentityOffset),
                       static_cast<uint32_t>(identity));
    }
    at += length;
  }
  return bytes;
}

// Reads the frames the server sent, each a 32-bit length and its payload.
void CheckSent(std::string_view sent) {
  while (!sent.empty()) {
    QORV_FUZZ_CHECK(sent.size() >= 4, "a frame's length is whole");
    const uint32_t length = LoadBigEndian32(reinterpret_cast<const uint8_t*>(sent.data()));
    sent.remove_prefix(4);
    QORV_FUZZ_CHECK(length <= sent.size(), "a frame is whole");
    sent.remove_prefix(length);
  }
}

void Run(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t mode = input.Byte();
  TransferServer& server = Server();
  server::Session session = server.store().LogIn(kAlice);
  if ((mode & 1) != 0) {
    session.held->OpenCheckin(server::Eol::kLf, {{0, "$/P/a.txt"}});
  }
  const std::string incoming = WithIdentity(input.RestText(), session.identity);
  {
    std::string sent;
    CCancelableSocket socket;
    QORV_FUZZ_CHECK(PushMemoryStream(socket, incoming, &sent), "a socket is made");
    server::FrameChannel channel(socket, server.services());
    if (channel.Receive()) {
      channel.AdmitLargeFrames();
      server::ServeTransferConnection(channel);
    }
    CheckSent(sent);
  }
  size_t spooled = 0;
  for (const auto& entry : fs::directory_iterator(server.spool_folder())) {
    static_cast<void>(entry);
    ++spooled;
  }
  QORV_FUZZ_CHECK(spooled == session.held->size(), "the spool holds the session's bodies only");
  server.store().sessions().Close(session.identity);
  QORV_FUZZ_CHECK(session.held->size() == 0, "an ended session holds no body");
  session = {};
  QORV_FUZZ_CHECK(fs::is_empty(server.spool_folder()), "no spool file outlives its session");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::Run(data, size);
  return 0;
}
