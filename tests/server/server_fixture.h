// A reference server running in-process on an ephemeral loopback port, with
// a fresh data directory holding database "Main" and the users alice,
// bob and reader (read-only).
#ifndef QORV_TESTS_SERVER_SERVER_FIXTURE_H_
#define QORV_TESTS_SERVER_SERVER_FIXTURE_H_

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "server/server.h"
#include "server/test_client.h"
#include "support/scoped_temp.h"
#include "support/test_passwords.h"

namespace qorv::server::testing {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override { StartServer(); }
  void TearDown() override { server_.reset(); }

  // (Re)starts the server on the same data directory with `config`'s
  // settings (its address, port and data directory are the test's: a free
  // port unless `port` names one, as a restart in place does).
  void StartServer(ServerConfig config = {}, uint16_t port = 0) {
    db_.reset();
    server_.reset();
    config.address = "127.0.0.1";
    config.port = port;
    config.data_directory = temp_.Child("data");
    if (config.password_iterations == kDefaultPasswordIterations) {
      config.password_iterations = qorv::testing::kTestPasswordIterations;
    }
    server_ = std::make_unique<Server>(config);
    if (server_->data_directory().DatabaseNames().empty()) CreateMainDatabase();
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    ASSERT_TRUE(server_->data_directory().OpenDatabase("Main", &db_).ok());
    alice_ = db_->FindUser("alice")->actor;
    bob_ = db_->FindUser("bob")->actor;
  }

  static ServerConfig Config(int32_t encryption_mode,
                             const std::string& versions = kDefaultAcceptedVersions) {
    ServerConfig config;
    config.encryption_mode = encryption_mode;
    config.accepted_versions = versions;
    return config;
  }

  // A client connected and logged in to "Main".
  std::unique_ptr<TestClient> LoggedIn(const std::string& user = "alice",
                                       const std::string& password = "secret") {
    auto client = Connected();
    if (client) client->Login("Main", user, password);
    return client;
  }

  std::unique_ptr<TestClient> Connected() {
    auto client = std::make_unique<TestClient>(server_->port());
    const ConnectOutcome outcome = client->Connect();
    EXPECT_EQ(outcome.result, 0) << outcome.description;
    return client;
  }

  // Waits (up to two seconds) until the server holds `count` sessions: a
  // closed client's connection has then been fully taken down.
  bool WaitForSessions(size_t count) {
    for (int i = 0; i < 200; ++i) {
      if (server_->sessions().size() == count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  void MustCreateProject(const std::string& path) {
    const CreateProjectResult result = db_->CreateProject(alice_, path, "");
    ASSERT_EQ(result.result, kCreateResultCreated) << path << ": " << result.text;
  }

  void MustAdd(const std::string& path, const std::string& body) {
    OleMs time = 0;
    const StoreStatus status =
        db_->AddFile(alice_, path, {body, LocalNowMs()}, kFileTypeAutodetect, false, "", &time);
    ASSERT_TRUE(status.ok()) << path << ": " << status.text;
  }

  qorv::testing::ScopedTempFolder temp_;
  std::unique_ptr<Server> server_;
  std::shared_ptr<Database> db_;
  Actor alice_, bob_;

 private:
  void CreateMainDatabase() {
    DataDirectory& data = server_->data_directory();
    ASSERT_TRUE(data.CreateDatabase("Main").ok());
    std::shared_ptr<Database> db;
    ASSERT_TRUE(data.OpenDatabase("Main", &db).ok());
    ASSERT_TRUE(db->AddUser({"alice", "secret", std::nullopt, false, false}).ok());
    ASSERT_TRUE(db->AddUser({"bob", "hunter2", std::nullopt, false, false}).ok());
    ASSERT_TRUE(db->AddUser({"reader", "r", std::nullopt, true, false}).ok());
  }
};

}  // namespace qorv::server::testing

#endif  // QORV_TESTS_SERVER_SERVER_FIXTURE_H_
