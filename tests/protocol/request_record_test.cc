// The command dispatcher and the worker thread routine: which codes run,
// code 50 running the main connect, and the three exception conversions.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "net/scripted_peer.h"
#include "net/socket_buffer_exception.h"
#include "protocol/request_record.h"

namespace qorv {
namespace {

using testing::ReceiveStep;
using testing::ScriptedPeer;
using testing::SendStep;
using testing::ServerHello;
using testing::WaitForCloseStep;

RequestRecord RecordFor(ServerConnection* connection, uint8_t code,
                        std::function<ReplyStatus(CProtocolClient&)> exchange) {
  RequestRecord record;
  record.code = code;
  record.connection = connection;
  record.exchange = std::move(exchange);
  return record;
}

TEST(RequestRoutine, TurnsEachKindOfExceptionIntoItsResult) {
  ServerConnection connection(nullptr);
  struct Case {
    std::function<void()> fail;
    int32_t status;
    const char* description;
  };
  const Case cases[] = {
      {[] { throw std::bad_alloc(); }, 2,
       "Out of memory: the possible cause could be that the versions of Client and Server are "
       "not compatible."},
      {[] { throw CCancelableSocketBufferException(); }, 12008, "Socket buffer error."},
      {[] { throw std::runtime_error("anything"); }, 12008, "Unspecified error occured."},
      {[] { throw 42; }, 12008, "Unspecified error occured."},
  };
  for (const Case& c : cases) {
    RequestRecord record = RecordFor(&connection, 52, [&c](CProtocolClient&) -> ReplyStatus {
      c.fail();
      return {};
    });
    EXPECT_EQ(RunRequestRoutine(record), -1);
    EXPECT_EQ(record.status, c.status);
    EXPECT_EQ(record.description, c.description);
  }
  RequestRecord record = RecordFor(&connection, 52, [](CProtocolClient&) {
    return ReplyStatus{40101, "none"};
  });
  EXPECT_EQ(RunRequestRoutine(record), 0);
  EXPECT_EQ(record.status, 40101);
  EXPECT_EQ(record.description, "none");
}

TEST(CommandDispatcher, RunsCatalogueCodesOnlyAndLeavesOtherRecordsAtZero) {
  ServerConnection connection(nullptr);
  int runs = 0;
  auto exchange = [&runs](CProtocolClient&) {
    ++runs;
    return ReplyStatus{7, "ran"};
  };
  // 0 and 200 are no command; 64, 65 and 96 belong to transfer connections.
  for (uint8_t code : {0, 64, 65, 96, 200}) {
    RequestRecord record = RecordFor(&connection, code, exchange);
    DispatchCommand(record);
    EXPECT_EQ(record.status, 0) << int(code);
    EXPECT_EQ(record.description, "") << int(code);
  }
  EXPECT_EQ(runs, 0);
  for (uint8_t code : {1, 73, 69, 82, 112}) {
    RequestRecord record = RecordFor(&connection, code, exchange);
    DispatchCommand(record);
    EXPECT_EQ(record.status, 7);
  }
  EXPECT_EQ(runs, 5);
  // Code 50 without its connect arguments does nothing either.
  RequestRecord connect = RecordFor(&connection, 50, exchange);
  DispatchCommand(connect);
  EXPECT_EQ(connect.status, 0);
  EXPECT_EQ(runs, 5);
}

TEST(CommandDispatcher, CodeFiftyRunsTheMainConnect) {
  ScriptedPeer peer;
  ServerHello hello;
  hello.value9 = 99;
  peer.Start({ReceiveStep(4), SendStep(hello.Bytes()), WaitForCloseStep()});
  ServerConnection connection(nullptr);
  ConnectExchange connect;
  connect.settings.server_host = "127.0.0.1";
  connect.settings.server_port = peer.port();
  RequestRecord record;
  record.code = 50;
  record.connection = &connection;
  record.connect = &connect;
  EXPECT_EQ(RunRequestRoutine(record), 0);
  EXPECT_EQ(record.status, 0);
  EXPECT_EQ(record.description, "Connected to server successfully");
  EXPECT_EQ(connect.encryption_mode, 0);
  EXPECT_EQ(connect.handshake.value9, 99);
  EXPECT_TRUE(connection.IsAlive());
  connection.Close();
}

}  // namespace
}  // namespace qorv
