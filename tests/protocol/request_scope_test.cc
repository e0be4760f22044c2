// The request scope of a multi-step request against a small server on
// loopback: the busy flag it takes, holds across its commands and gives
// back on every way out, the refusal of every other request meanwhile, the
// progress of a file phase and the ending of a canceled request.
#include <gtest/gtest.h>

#include <stdexcept>

#include "net/test_bytes.h"
#include "protocol/fake_server.h"
#include "protocol/request_scope.h"
#include "protocol/wire_bytes.h"

namespace qorv {
namespace {

using testing::FakeReply;
using testing::FakeServer;
using testing::Hex;
using testing::Wire;

FakeReply Answer(const Wire& wire) { return {wire.bytes(), true, false, {}}; }

// Logs everyone in and answers every other request with "exists".
FakeReply Cooperative(int, int, const std::vector<uint8_t>& request) {
  if (request[0] == 0x01) {
    return Answer(Wire().Status(0, "Welcome").Bool(false).Int32(0).Int32(7));
  }
  return Answer(Wire().Status(0, "Completed").Bool(true));
}

std::string ExistsRequestHex(const std::string& path) {
  return Hex(Wire().Byte(0x34).Str(path).bytes());
}

class CountingTransfers : public NoTransferManager {
 public:
  void CloseAllTransferConnections() override { ++closes; }
  int closes = 0;
};

class CountingOwner : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent event) override {
    if (event == SdkEvent::kPercentDone) ++percent_events;
  }
  int percent_events = 0;
};

ProjectExistsCommand Exists(const std::string& path) {
  ProjectExistsCommand command;
  command.project_path = path;
  return command;
}

class RequestScopeTest : public ::testing::Test {
 protected:
  RequestScopeTest()
      : server_(Cooperative),
        engine_(driver_, nullptr, nullptr, std::unique_ptr<TransferManager>(transfers_)) {}

  void ConnectAndLogIn() {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server_.port();
    RequestStatus status;
    bool connected = false;
    int32_t mode = 0;
    ASSERT_EQ(engine_.ConnectToServer(settings, &status, &connected, &mode), kResultOk);
    bool must_change = false;
    int32_t expire_days = 0;
    ASSERT_EQ(engine_.Login("alice", "pw", "main", {}, &status, &must_change, &expire_days),
              kResultOk);
  }

  // A single-step request that must go through: the engine is not busy.
  void ExpectAFreeEngine() {
    ProjectExistsCommand command = Exists("$/Free");
    RequestStatus status;
    EXPECT_EQ(engine_.Run(command, &status), kResultOk) << status.description;
    EXPECT_FALSE(engine_.busy());
  }

  CountingOwner owner_;
  OperationDriver driver_{&owner_};
  FakeServer server_;
  CountingTransfers* transfers_ = new CountingTransfers();
  CRequestEngine engine_;
};

TEST_F(RequestScopeTest, HoldsTheBusyFlagAcrossItsCommandsAndRefusesEveryOtherRequest) {
  ConnectAndLogIn();
  {
    RequestStatus status;
    status.canceled = true;
    RequestScope scope(engine_, &status);
    ASSERT_TRUE(scope.ready());
    EXPECT_EQ(status.result, kResultOk);
    EXPECT_FALSE(status.canceled);
    EXPECT_TRUE(engine_.busy());

    ProjectExistsCommand first = Exists("$/A");
    EXPECT_EQ(scope.Run(first, &status), kResultOk);
    EXPECT_TRUE(first.reply);
    EXPECT_EQ(status.description, "Completed");
    EXPECT_TRUE(engine_.busy());

    // Another request meanwhile (as a re-entry through the message pump
    // would make it): a single-step request, and a second scope whose end
    // must not give back the flag it never took.
    ProjectExistsCommand other = Exists("$/Other");
    RequestStatus refused;
    refused.canceled = true;
    EXPECT_EQ(engine_.Run(other, &refused), kResultBusy);
    EXPECT_EQ(refused.description, "The system is busy. Please try later.");
    EXPECT_FALSE(refused.canceled);
    {
      RequestStatus nested;
      RequestScope second(engine_, &nested);
      EXPECT_FALSE(second.ready());
      EXPECT_EQ(nested.result, kResultBusy);
      EXPECT_EQ(second.Run(other, &nested), kResultBusy);
      EXPECT_EQ(nested.description, "The system is busy. Please try later.");
    }
    EXPECT_TRUE(engine_.busy());

    ProjectExistsCommand second = Exists("$/B");
    EXPECT_EQ(scope.Run(second, &status), kResultOk);
    EXPECT_TRUE(second.reply);
  }
  EXPECT_FALSE(engine_.busy());
  // Login, the scope's two commands in order; nothing of the refused ones.
  const auto requests = server_.requests(0);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(Hex(requests[1]), ExistsRequestHex("$/A"));
  EXPECT_EQ(Hex(requests[2]), ExistsRequestHex("$/B"));
  EXPECT_EQ(server_.accepted(), 1);
}

TEST_F(RequestScopeTest, EveryWayOutGivesBackTheBusyFlagAndTheProgressPhase) {
  ConnectAndLogIn();
  auto ends_early = [&](bool leave) {
    RequestStatus status;
    RequestScope scope(engine_, &status);
    scope.SetFilePhaseProgress(80, 20);
    if (leave) return status.result;
    ProjectExistsCommand command = Exists("$/A");
    return scope.Run(command, &status);
  };
  EXPECT_EQ(ends_early(true), kResultOk);
  EXPECT_EQ(engine_.progress_span(), 0);
  EXPECT_EQ(engine_.progress_base(), 0);
  ExpectAFreeEngine();

  EXPECT_THROW(
      {
        RequestStatus status;
        RequestScope scope(engine_, &status);
        scope.SetFilePhaseProgress(90, 5);
        ProjectExistsCommand command = Exists("$/A");
        scope.Run(command, &status);
        throw std::runtime_error("between the steps");
      },
      std::runtime_error);
  EXPECT_EQ(engine_.progress_span(), 0);
  EXPECT_EQ(engine_.progress_base(), 0);
  ExpectAFreeEngine();
}

TEST_F(RequestScopeTest, FilePhaseProgressMapsIntoItsSpan) {
  ConnectAndLogIn();
  RequestStatus status;
  RequestScope scope(engine_, &status);
  ASSERT_TRUE(scope.ready());
  const int events_before = owner_.percent_events;
  scope.SetFilePhaseProgress(80, 20);
  scope.ReportFilePhaseProgress(0);
  EXPECT_EQ(driver_.percent_done(), 20);
  scope.ReportFilePhaseProgress(33);  // 80 x 33 / 100 = 26 (integer division), then + 20
  EXPECT_EQ(driver_.percent_done(), 46);
  scope.ReportFilePhaseProgress(100);
  EXPECT_EQ(driver_.percent_done(), 100);
  EXPECT_EQ(owner_.percent_events - events_before, 3);
}

TEST_F(RequestScopeTest, EndIfCanceledClosesEveryConnectionAndEndsWith12007) {
  ConnectAndLogIn();
  {
    RequestStatus status;
    RequestScope scope(engine_, &status);
    ASSERT_TRUE(scope.ready());
    ProjectExistsCommand command = Exists("$/A");
    ASSERT_EQ(scope.Run(command, &status), kResultOk);
    // No cancel: nothing changes.
    EXPECT_FALSE(scope.EndIfCanceled(&status));
    EXPECT_EQ(status.result, kResultOk);
    EXPECT_EQ(status.description, "Completed");
    EXPECT_TRUE(engine_.connection().socket().IsOpen());

    const int closes_before = transfers_->closes;
    driver_.RequestCancel();
    EXPECT_TRUE(scope.EndIfCanceled(&status));
    EXPECT_EQ(status.result, kResultRequestCanceled);
    EXPECT_EQ(status.description, "Canceled");
    EXPECT_TRUE(status.canceled);
    EXPECT_FALSE(driver_.CancelRequested());
    EXPECT_FALSE(engine_.connection().socket().IsOpen());
    EXPECT_EQ(transfers_->closes, closes_before + 1);
  }
  EXPECT_FALSE(engine_.busy());
  // The next request reconnects and logs in again.
  ExpectAFreeEngine();
  EXPECT_EQ(server_.accepted(), 2);
}

TEST_F(RequestScopeTest, IsNotReadyWhenTheConnectionCannotBeMadeAndGivesTheFlagBack) {
  // Never connected: the reconnect has no server to go to.
  {
    RequestStatus status;
    status.canceled = true;
    RequestScope scope(engine_, &status);
    EXPECT_FALSE(scope.ready());
    EXPECT_EQ(status.result, kResultSocketError);
    EXPECT_EQ(status.description, "Error connecting to: :0");
    EXPECT_FALSE(status.canceled);
    // The failed step is the outcome of any command run on the scope.
    ProjectExistsCommand command = Exists("$/A");
    RequestStatus run;
    EXPECT_EQ(scope.Run(command, &run), kResultSocketError);
    EXPECT_EQ(run.description, "Error connecting to: :0");
  }
  EXPECT_FALSE(engine_.busy());
  EXPECT_EQ(server_.accepted(), 0);
}

}  // namespace
}  // namespace qorv
