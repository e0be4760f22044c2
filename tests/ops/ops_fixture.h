// A request engine logged in to a scripted loopback server, a driver that
// records every event and report-line batch, and a session with a cache in a
// private application-data folder: what the operation tests run against.
#ifndef QORV_TESTS_OPS_OPS_FIXTURE_H_
#define QORV_TESTS_OPS_OPS_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ops/operation_context.h"
#include "protocol/fake_server.h"
#include "protocol/wire_bytes.h"
#include "support/scoped_temp.h"

namespace qorv::ops {

// Records the events the driver raises and the batch of each
// OnOperationResultSend, read as a handler would.
class RecordingOwner : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent event) override {
    events.push_back(event);
    if (event != SdkEvent::kOperationResultSend || driver == nullptr) return;
    std::vector<ReportLine> batch;
    ReportLine line;
    for (int32_t i = 0; driver->GetReportLine(i, &line); ++i) batch.push_back(line);
    batches.push_back(batch);
  }
  void Clear() {
    events.clear();
    batches.clear();
  }

  OperationDriver* driver = nullptr;
  std::vector<SdkEvent> events;
  std::vector<std::vector<ReportLine>> batches;
};

// Answers the login (with "Welcome" unless the test set another reply) and,
// per command code, the reply the test set (the latest one set for the
// code); an unscripted command gets 40008.
class ScriptedServer {
 public:
  ScriptedServer()
      : server_([this](int, int, const std::vector<uint8_t>& request) { return Answer(request); }) {
  }

  void Script(uint8_t code, const testing::Wire& reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[code] = reply.bytes();
  }
  void ScriptLogin(const testing::Wire& reply) { Script(0x01, reply); }
  // Called with each request's code before it is answered, on the server's
  // thread.
  void OnRequest(std::function<void(uint8_t code)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    on_request_ = std::move(hook);
  }
  uint16_t port() const { return server_.port(); }
  // Requests of the first connection, the login included.
  std::vector<std::vector<uint8_t>> requests() const { return server_.requests(0); }

 private:
  testing::FakeReply Answer(const std::vector<uint8_t>& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (on_request_) on_request_(request[0]);
    if (request[0] == 0x01 && replies_.count(0x01) == 0) {
      return {testing::Wire().Status(0, "Welcome").Bool(false).Int32(0).Int32(7).bytes(),
              true,
              false,
              {}};
    }
    auto found = replies_.find(request[0]);
    if (found == replies_.end()) {
      return {testing::Wire().Status(40008, "Unknown command").bytes(), true, false, {}};
    }
    return {found->second, true, false, {}};
  }

  std::mutex mutex_;
  std::map<uint8_t, std::vector<uint8_t>> replies_;  // GUARDED_BY(mutex_)
  std::function<void(uint8_t)> on_request_;          // GUARDED_BY(mutex_)
  testing::FakeServer server_;
};

class OperationTest : public ::testing::Test {
 protected:
  OperationTest() {
    owner_.driver = &driver_;
    environment_.Set("XDG_CACHE_HOME", temp_.Child("cache"));
    environment_.Set("XDG_CONFIG_HOME", temp_.Child("config"));
    environment_.Set("HOME", temp_.Child("home"));
  }

  // Connects and logs in; the events of that are forgotten.
  void ConnectAndLogIn() {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server_.port();
    RequestStatus status;
    bool connected = false;
    int32_t mode = 0;
    ASSERT_EQ(engine_.ConnectToServer(settings, &status, &connected, &mode), 0);
    bool must_change = false;
    int32_t expire_days = 0;
    ASSERT_EQ(engine_.Login("alice", "pw", "main", {}, &status, &must_change, &expire_days), 0);
    owner_.Clear();
  }

  // Opens the cache of this server, database and user; one lock attempt.
  CacheStore& OpenCache() {
    session_.cache = std::make_unique<CacheStore>();
    EXPECT_TRUE(session_.cache->Open("127.0.0.1", "main", "alice", 1, 1).ok());
    return *session_.cache;
  }

  OperationContext context() { return OperationContext{engine_, driver_, session_}; }

  // The request payloads after the login.
  std::vector<std::vector<uint8_t>> CommandRequests() const {
    std::vector<std::vector<uint8_t>> requests = server_.requests();
    if (!requests.empty()) requests.erase(requests.begin());
    return requests;
  }

  testing::ScopedTempFolder temp_;
  testing::ScopedEnvironment environment_;
  ScriptedServer server_;
  RecordingOwner owner_;
  OperationDriver driver_{&owner_};
  CRequestEngine engine_{driver_};
  SessionState session_;
};

}  // namespace qorv::ops

#endif  // QORV_TESTS_OPS_OPS_FIXTURE_H_
