// Runs a command's encoder and decoder on plain bytes: the request payload
// our encoder builds, as hex text, and a hand-written reply parsed into the
// command.
#ifndef QORV_TESTS_PROTOCOL_COMMAND_TEST_SUPPORT_H_
#define QORV_TESTS_PROTOCOL_COMMAND_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/in_message.h"
#include "net/out_message.h"
#include "net/test_bytes.h"
#include "protocol/protocol_client.h"
#include "protocol/wire_bytes.h"

namespace qorv::testing {

template <class Command>
std::string RequestHex(const Command& command) {
  COutMessage out;
  EXPECT_EQ(CProtocolClient::BuildRequest(command, out), kResultOk);
  return Hex(out.data(), out.size());
}

inline std::string HexOf(const Wire& wire) { return Hex(wire.bytes()); }

// Parses `reply` into the command and checks that every byte was read: a
// decoder that reads too few fields leaves bytes, one that reads too many
// throws.
template <class Command>
ReplyStatus ParseWhole(Command& command, const Wire& reply) {
  CInMessage in;
  EXPECT_EQ(in.SetPayload(reply.bytes().data(), reply.bytes().size()), kResultOk);
  ReplyStatus status = CProtocolClient::ParseReply(command, in);
  EXPECT_EQ(in.remaining(), 0u) << "reply fields left unread";
  return status;
}

}  // namespace qorv::testing

#endif  // QORV_TESTS_PROTOCOL_COMMAND_TEST_SUPPORT_H_
