// qorvd killed with SIGKILL at random moments while a client makes changes,
// twenty times, restarted each time on the same data directory: the store
// passes SQLite's integrity check after every kill, every change the client
// was told succeeded is there, every other change is there whole or not at
// all, and the client's request engine carries on by reconnecting.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/captured_program.h"
#include "platform/process.h"
#include "protocol/request_engine.h"
#include "protocol/tree_commands.h"
#include "server/admin_commands.h"
#include "server/data_directory.h"
#include "server/database.h"
#include "server/server.h"
#include "server/sqlite_db.h"
#include "support/scoped_temp.h"

namespace qorv::server::testing {
namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kKills = 20;

class NoEvents : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent) override {}
};

// A port nobody listens on now: the one a server bound to port 0 got.
uint16_t FreePort(const std::string& data) {
  ServerConfig config;
  config.data_directory = data;
  Server probe(config);
  std::string error;
  EXPECT_TRUE(probe.Start(&error)) << error;
  const uint16_t port = probe.port();
  probe.Stop();
  return port;
}

// "ok", or what SQLite's integrity and foreign-key checks found.
std::string CheckStoreFile(const std::string& path) {
  std::string error;
  std::unique_ptr<SqliteDb> db = SqliteDb::Open(path, false, &error);
  if (!db) return "cannot open: " + error;
  std::string found;
  SqliteStatement integrity = db->Prepare("PRAGMA integrity_check");
  while (integrity.Step()) found += integrity.Text(0) + ";";
  SqliteStatement foreign = db->Prepare("PRAGMA foreign_key_check");
  while (foreign.Step()) found += "foreign key: " + foreign.Text(0) + ";";
  return found == "ok;" ? "ok" : found;
}

struct Change {
  std::string path;
  bool acknowledged = false;
};

TEST(QorvdKillTest, KilledDuringChangesTheStoreStaysWholeAndTheClientReconnects) {
  qorv::testing::ScopedTempFolder temp;
  const std::string data = temp.Child("data");
  std::filesystem::create_directories(data);
  std::ostringstream out, err;
  ASSERT_EQ(RunAdminCommand({"create-db", "--data", data, "--db", "Main"}, out, err), 0)
      << err.str();
  ASSERT_EQ(RunAdminCommand({"add-user", "--data", data, "--db", "Main", "--user", "alice",
                             "--password", "secret"},
                            out, err),
            0)
      << err.str();
  const uint16_t port = FreePort(data);
  ASSERT_NE(port, 0);

  NoEvents owner;
  OperationDriver driver(&owner);
  CRequestEngine engine(driver);
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> kill_after_ms(5, 120);
  std::vector<Change> changes;
  int killed_in_flight = 0;

  for (int round = 0; round < kKills; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    platform::CapturedProgram qorvd;
    ASSERT_EQ(qorvd.Start(QORVD_PATH, {"--data", data, "--port", std::to_string(port)}, {}, ""), 0);
    ASSERT_TRUE(qorvd.WaitForOutput("listening on", kTimeoutMs)) << qorvd.err();
    RequestStatus status;
    if (round == 0) {
      ConnectSettings settings;
      settings.server_host = "127.0.0.1";
      settings.server_port = port;
      bool connected = false;
      int32_t mode = -1;
      ASSERT_EQ(engine.ConnectToServer(settings, &status, &connected, &mode), 0)
          << status.description;
      bool must_change = false;
      int32_t expire_days = 0;
      ASSERT_EQ(engine.Login("alice", "secret", "Main", {}, &status, &must_change, &expire_days), 0)
          << status.description;
    }

    // A change at a time until the server is gone; the kill comes while
    // they run. The first, before the killer starts, must succeed: the
    // engine finds the connection of the killed server dead and reconnects
    // and logs in again by itself.
    std::thread killer;
    const int delay_ms = kill_after_ms(random);
    for (int n = 0;; ++n) {
      CreateProjectsCommand command;
      command.comment = "round " + std::to_string(round);
      const std::string path = "$/K" + std::to_string(round) + "_" + std::to_string(n);
      command.project_paths = {path};
      const int32_t result = engine.Run(command, &status);
      const bool acknowledged =
          result == kResultOk && command.reply.size() == 1 && command.reply[0].result == 0;
      changes.push_back({path, acknowledged});
      if (n == 0) {
        ASSERT_TRUE(acknowledged) << "no reconnect: " << result << " " << status.description;
        killer = std::thread([&qorvd, delay_ms] {
          platform::SleepMs(static_cast<uint32_t>(delay_ms));
          qorvd.Kill();
        });
        continue;
      }
      if (!acknowledged) {
        ++killed_in_flight;
        break;
      }
      if (n > 100000) break;
    }
    killer.join();
    int exit_code = -1;
    ASSERT_TRUE(qorvd.Finish(kTimeoutMs, &exit_code));
    EXPECT_EQ(exit_code, 128 + 9);
    ASSERT_EQ(CheckStoreFile(data + "/Main.qordb"), "ok");
  }
  EXPECT_EQ(killed_in_flight, kKills);

  // Every change the client was told about is there; the one in flight at
  // each kill is there whole (with its history) or not at all.
  DataDirectory directory(data, Database::Options{});
  std::shared_ptr<Database> db;
  ASSERT_TRUE(directory.OpenDatabase("Main", &db).ok());
  int32_t present = 0;
  for (const Change& change : changes) {
    SCOPED_TRACE(change.path);
    const bool exists = db->ProjectExists(change.path);
    EXPECT_TRUE(exists || !change.acknowledged) << "an acknowledged change was lost";
    if (!exists) continue;
    ++present;
    std::vector<HistoryEntry> history;
    ASSERT_TRUE(db->ProjectHistoryOf(change.path, false, false, {}, &history).ok());
    EXPECT_FALSE(history.empty()) << "a project without its creation";
  }
  ProjectGeneralInfo root;
  ASSERT_TRUE(db->ProjectInfo("$/", &root).ok());
  EXPECT_EQ(root.subprojects_live, present) << "the root's count disagrees";
}

}  // namespace
}  // namespace qorv::server::testing
