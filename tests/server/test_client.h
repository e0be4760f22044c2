// A small client for the server tests, built from the net classes alone: it
// connects and hand-shakes through ServerConnection, builds request frames
// with COutMessage and parses replies with CInMessage.
#ifndef QORV_TESTS_SERVER_TEST_CLIENT_H_
#define QORV_TESTS_SERVER_TEST_CLIENT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/blowfish.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "net/server_connection.h"
#include "qorvsdk/result_codes.h"
#include "server/ole_time.h"

namespace qorv::server::testing {

// A reply's status and description; the fields stay in the client's
// incoming buffer (TestClient::in()).
struct Reply {
  int32_t status = -1;
  std::string text;
};

class TestClient {
 public:
  explicit TestClient(uint16_t port) : connection_(nullptr) {
    settings_.server_host = "127.0.0.1";
    settings_.server_port = port;
  }

  ConnectOutcome Connect() { return connection_.ConnectMain(settings_, false); }

  // Sends the request (the code, then what `fields` appends) and receives
  // the reply's status and description. A transport failure is a status of
  // its own (11001 ...), with the socket's text.
  Reply Call(uint8_t code, const std::function<void(COutMessage&)>& fields = {}) {
    COutMessage& out = connection_.out_message();
    out.Reset();
    out.AppendByte(code);
    if (fields) fields(out);
    return Exchange();
  }

  // Sends whatever the out buffer holds (raw requests of misbehaving tests)
  // and reads the reply.
  Reply Exchange() {
    int32_t code = connection_.out_message().Send(connection_.socket());
    if (code == kResultOk) code = connection_.in_message().Receive(connection_.socket());
    if (code != kResultOk) return {code, connection_.StatusText(code)};
    Reply reply;
    reply.status = in().ReadInt32();
    reply.text = in().ReadString();
    return reply;
  }

  // Command 1; the login identity, or 0 (with a test failure) when refused.
  int32_t Login(const std::string& database, const std::string& user, const std::string& password,
                bool* must_change = nullptr) {
    Reply reply = Call(1, [&](COutMessage& out) {
      out.AppendString(database);
      out.AppendString(user);
      out.AppendString(password);
    });
    EXPECT_EQ(reply.status, 0) << reply.text;
    if (reply.status != 0) return 0;
    const bool change = in().ReadBool();
    EXPECT_EQ(in().ReadInt32(), 0);  // expire days
    if (must_change != nullptr) *must_change = change;
    identity_ = in().ReadInt32();
    return identity_;
  }

  // Command 49 with the password and key proof made under `key`, as the
  // SDK's login makes them. On success the channel switches to `key`.
  Reply KeyedLogin(const std::string& database, const std::string& user,
                   const std::string& password, const ChannelKey& key) {
    Blowfish cipher;
    cipher.SetKey(key.data(), key.size());
    std::vector<uint8_t> enciphered(Blowfish::PaddedLength(password.size()));
    cipher.Encipher(reinterpret_cast<const uint8_t*>(password.data()), enciphered.data(),
                    password.size());
    uint8_t proof[16];
    cipher.Encipher(key.data(), proof, key.size());
    Reply reply = Call(49, [&](COutMessage& out) {
      out.AppendString(database);
      out.AppendString(user);
      out.AppendString("127.0.0.1");
      out.AppendInt32(1);
      out.AppendInt32(static_cast<int32_t>(password.size()));
      out.AppendBytes(enciphered.data(), enciphered.size());
      out.AppendBytes(proof, sizeof(proof));
    });
    if (reply.status == 0) {
      in().ReadBool();
      in().ReadInt32();
      identity_ = in().ReadInt32();
      connection_.SetChannelKey(key);
    }
    return reply;
  }

  // Fields of replies, in the server's terms.
  OleMs ReadDate() {
    const int32_t days = in().ReadInt32();
    const int32_t ms = in().ReadInt32();
    return FromWireDate({days, ms});
  }
  std::vector<std::string> ReadStrings() {
    std::vector<std::string> texts(static_cast<size_t>(in().ReadInt32()));
    for (std::string& text : texts) text = in().ReadString();
    return texts;
  }

  CInMessage& in() { return connection_.in_message(); }
  COutMessage& out() { return connection_.out_message(); }
  ServerConnection& connection() { return connection_; }
  int32_t identity() const { return identity_; }

 private:
  ConnectSettings settings_;
  ServerConnection connection_;
  int32_t identity_ = 0;
};

// Appends a counted list of strings.
inline void AppendStrings(COutMessage& out, const std::vector<std::string>& texts) {
  out.AppendInt32(static_cast<int32_t>(texts.size()));
  for (const std::string& text : texts) out.AppendString(text);
}

// Two int32 in the server's form of a date.
inline void AppendWireDate(COutMessage& out, OleMs time) {
  const WireDate date = ToWireDate(time);
  out.AppendInt32(date.days);
  out.AppendInt32(date.ms);
}

}  // namespace qorv::server::testing

#endif  // QORV_TESTS_SERVER_TEST_CLIENT_H_
