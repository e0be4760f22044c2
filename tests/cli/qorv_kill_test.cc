// qorv get killed with SIGKILL in the middle of a download of large files:
// the working folder holds no partial file under a user's name (at most our
// own temporaries beside the targets), and the next get completes and
// removes those temporaries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "qorv_program.h"
#include "sample_server.h"
#include "server/data_directory.h"
#include "server/database.h"

namespace qorv::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 6;
constexpr size_t kFileSize = 3 << 20;

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// File i: its own byte pattern, so that a mix of two files shows too.
std::string Content(int i) {
  std::string bytes(kFileSize, '\0');
  for (size_t at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<char>('a' + (at + i) % 23);
  return bytes;
}

std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> found;
  if (!fs::exists(folder)) return found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    // The file layer's replacement temporaries: "~qorv<pid>-<n>.tmp".
    const std::string name = entry.path().filename().string();
    if (name.rfind("~qorv", 0) == 0 && name.size() > 9 && name.substr(name.size() - 4) == ".tmp") {
      found.push_back(entry.path().string());
    }
  }
  return found;
}

TEST(QorvKillTest, AGetKilledMidDownloadLeavesNoPartFileAndTheNextGetCleansUp) {
  SampleServer server;
  {
    server::DataDirectory data(server.data_directory(), server::Database::Options{});
    std::shared_ptr<server::Database> database;
    ASSERT_TRUE(data.OpenDatabase(kSampleDatabase, &database).ok());
    const server::Actor actor = database->FindUser(kSampleUser)->actor;
    ASSERT_EQ(database->CreateProject(actor, "$/Big", "").result, server::kCreateResultCreated);
    for (int i = 0; i < kFiles; ++i) {
      server::OleMs time = 0;
      ASSERT_TRUE(database
                      ->AddFile(actor, "$/Big/f" + std::to_string(i) + ".bin",
                                server::UploadedBody(Content(i), 0), 1, false, "", &time)
                      .ok());
    }
  }
  QorvSandbox sandbox;
  // The kill comes at different points of the download: as soon as the
  // first temporary shows, and later into the files.
  int left_temporaries = 0;
  for (const int extra_ms : {0, 30, 120}) {
    SCOPED_TRACE("killed " + std::to_string(extra_ms) + " ms after the first temporary");
    const std::string work = sandbox.Child("work" + std::to_string(extra_ms));
    const std::string folder = work + "/Big";
    platform::CapturedProgram get;
    ASSERT_EQ(get.Start(QORV_TEST_QORV_PATH, {"get", "$/Big", "-C", work},
                        sandbox.Environment(server.Login()), ""),
              0);
    // Watches the folder as closely as it can, so that the kill lands
    // while a file is on its way.
    bool seen = false;
    for (int spins = 0; spins < 20000000 && !seen; ++spins) {
      seen = !Temporaries(folder).empty();
      if (!seen && spins % 1000 == 999) platform::SleepMs(1);
    }
    ASSERT_TRUE(seen) << "the download never started";
    if (extra_ms > 0) platform::SleepMs(extra_ms);
    get.Kill();
    int exit_code = -1;
    ASSERT_TRUE(get.Finish(30000, &exit_code));
    // On a fast machine the later kills may come after the get ended by
    // itself; the checks below hold either way.
    EXPECT_TRUE(exit_code == 128 + 9 || exit_code == 0) << exit_code << get.err();

    const std::vector<std::string> stale = Temporaries(folder);
    left_temporaries += static_cast<int>(stale.size());
    for (int i = 0; i < kFiles; ++i) {
      const std::string path = folder + "/f" + std::to_string(i) + ".bin";
      EXPECT_TRUE(!fs::exists(path) || ReadText(path) == Content(i)) << path << " is partial";
    }

    const QorvRun again = sandbox.Run({"get", "$/Big", "-C", work}, server.Login());
    ASSERT_EQ(again.exit_code, 0) << again.err;
    for (int i = 0; i < kFiles; ++i) {
      const std::string path = folder + "/f" + std::to_string(i) + ".bin";
      EXPECT_TRUE(ReadText(path) == Content(i)) << path;
    }
    EXPECT_TRUE(Temporaries(folder).empty()) << "the next get left the killed one's temporaries";
  }
  // Otherwise the runs above proved nothing about the clean-up.
  EXPECT_GT(left_temporaries, 0);
}

}  // namespace
}  // namespace qorv::cli
