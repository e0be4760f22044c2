// A reference server running inside the test on a free loopback port, with
// the sample database in a temporary data directory; stopped and removed at
// the end of the test.
#ifndef QORV_TESTS_CLI_SAMPLE_SERVER_H_
#define QORV_TESTS_CLI_SAMPLE_SERVER_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cli/embedded/sample_database.h"
#include "platform/captured_program.h"
#include "server/server.h"
#include "support/scoped_temp.h"
#include "support/test_passwords.h"

namespace qorv::cli {

class SampleServer {
 public:
  // `encryption_mode` 1 runs a Blowfish server, whose logins need user keys;
  // 2 an SSL server with these PEM files.
  explicit SampleServer(int32_t encryption_mode = 0, const std::string& certificate = "",
                        const std::string& key = "", const std::string& ca = "") {
    std::string error;
    EXPECT_TRUE(
        CreateSampleDatabase(folder_.Child("data"), &error, qorv::testing::kTestPasswordIterations))
        << error;
    server::ServerConfig config;
    config.data_directory = folder_.Child("data");
    config.encryption_mode = encryption_mode;
    config.certificate_file = certificate;
    config.key_file = key;
    config.ca_file = ca;
    config.password_iterations = qorv::testing::kTestPasswordIterations;
    server_ = std::make_unique<server::Server>(config);
    EXPECT_TRUE(server_->Start(&error)) << error;
  }
  ~SampleServer() { server_->Stop(); }
  SampleServer(const SampleServer&) = delete;
  SampleServer& operator=(const SampleServer&) = delete;

  std::string address() const { return "127.0.0.1:" + std::to_string(server_->port()); }
  server::Server& server() { return *server_; }
  std::string data_directory() const { return folder_.Child("data"); }

  // The variables that log a qorv run in as `user`.
  platform::EnvironmentChanges Login(const std::string& user = kSampleUser,
                                     const std::string& password = kSamplePassword) const {
    return {{"QORV_SERVER", address()},
            {"QORV_USER", user},
            {"QORV_DATABASE", kSampleDatabase},
            {"QORV_PASSWORD", password}};
  }

 private:
  testing::ScopedTempFolder folder_;
  std::unique_ptr<server::Server> server_;
};

}  // namespace qorv::cli

#endif  // QORV_TESTS_CLI_SAMPLE_SERVER_H_
