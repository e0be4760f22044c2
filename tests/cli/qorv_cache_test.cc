// qorv's use of the SDK's local cache as scripts meet it: many read-only runs
// at once sharing one cache, and a home in which no cache can be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/embedded/sample_database.h"
#include "qorv_program.h"
#include "sample_server.h"
#include "server/data_directory.h"
#include "server/server.h"
#include "support/scoped_temp.h"

namespace qorv::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kProjects = 30;
constexpr int kFilesPerProject = 100;  // 3,000 files in all

// The sample database with a project $/Big of kProjects sub-projects of
// kFilesPerProject files each, served on a free loopback port.
class BigProjectServer {
 public:
  BigProjectServer() {
    std::string error;
    EXPECT_TRUE(CreateSampleDatabase(folder_.Child("data"), &error)) << error;
    // Imported from a local folder: one change for all the files.
    const fs::path source = folder_.Child("source");
    for (int p = 0; p < kProjects; ++p) {
      // Appended piece by piece: "P" + std::to_string(p) trips a false
      // -Wrestrict of GCC 12 at -O3.
      std::string project_name = "P";
      project_name += std::to_string(p);
      const fs::path project = source / project_name;
      fs::create_directories(project);
      for (int f = 0; f < kFilesPerProject; ++f) {
        std::string file_name = "f";
        file_name += std::to_string(f);
        file_name += ".txt";
        std::string content = "file ";
        content += std::to_string(f);
        content += "\n";
        testing::WriteTextFile((project / file_name).string(), content);
      }
    }
    {
      server::DataDirectory directory(folder_.Child("data"), server::Database::Options{});
      std::shared_ptr<server::Database> database;
      EXPECT_TRUE(directory.OpenDatabase(kSampleDatabase, &database).ok());
      std::optional<server::UserRecord> alice = database->FindUser(kSampleUser);
      EXPECT_TRUE(alice.has_value());
      const server::StoreStatus imported =
          database->ImportFolder(alice->actor, source, "$/Big", "3,000 files");
      EXPECT_TRUE(imported.ok()) << imported.text;
    }
    server::ServerConfig config;
    config.data_directory = folder_.Child("data");
    server_ = std::make_unique<server::Server>(config);
    EXPECT_TRUE(server_->Start(&error)) << error;
  }
  ~BigProjectServer() { server_->Stop(); }

  platform::EnvironmentChanges Login() const {
    return {{"QORV_SERVER", "127.0.0.1:" + std::to_string(server_->port())},
            {"QORV_USER", kSampleUser},
            {"QORV_DATABASE", kSampleDatabase},
            {"QORV_PASSWORD", kSamplePassword}};
  }

 private:
  testing::ScopedTempFolder folder_;
  std::unique_ptr<server::Server> server_;
};

// The cache files in the sandbox's cache folder.
std::vector<fs::path> CacheFiles(const QorvSandbox& sandbox) {
  std::vector<fs::path> files;
  const fs::path folder = fs::path(sandbox.Child("cache")) / "Brastovik" / "Quorvane for VSS";
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".qor") files.push_back(entry.path());
  }
  return files;
}

TEST(QorvCacheTest, EightReadOnlyListingsAtOnceAllSucceedAndKeepTheCacheReadable) {
  BigProjectServer server;
  QorvSandbox sandbox;
  constexpr int kRuns = 8;
  std::vector<std::unique_ptr<platform::CapturedProgram>> programs;
  for (int i = 0; i < kRuns; ++i) {
    programs.push_back(std::make_unique<platform::CapturedProgram>());
    ASSERT_EQ(programs.back()->Start(QORV_TEST_QORV_PATH, {"-q", "ls", "-R", "$/Big"},
                                     sandbox.Environment(server.Login()), ""),
              0);
  }
  std::vector<std::string> listings;
  for (auto& program : programs) {
    int exit_code = -1;
    ASSERT_TRUE(program->Finish(120000, &exit_code));
    EXPECT_EQ(exit_code, 0) << program->err();
    listings.push_back(program->out());
  }
  // (Compared as a whole: a listing is some 100 KB, too long to print.)
  for (const std::string& listing : listings) EXPECT_TRUE(listing == listings.front());
  EXPECT_NE(listings.front().find("f99.txt"), std::string::npos);

  // One cache, complete and readable: a later run answers the same from it.
  const std::vector<fs::path> caches = CacheFiles(sandbox);
  ASSERT_EQ(caches.size(), 1u);
  std::ifstream cache(caches.front());
  std::string first_line;
  std::getline(cache, first_line);
  EXPECT_EQ(first_line, "$$$Version: 5.3.1");
  QorvRun again = sandbox.Run({"-q", "ls", "-R", "$/Big"}, server.Login());
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_TRUE(again.out == listings.front());
}

TEST(QorvCacheTest, WithoutAWritableHomeAListingWarnsAndSucceeds) {
  SampleServer server;
  QorvSandbox sandbox;
  // The home lies below a plain file, so no folder can ever be made in it.
  testing::WriteTextFile(sandbox.Child("plain"), "not a folder");
  platform::EnvironmentChanges environment = server.Login();
  environment.push_back({"HOME", sandbox.Child("plain/home")});
  environment.push_back({"XDG_CACHE_HOME", std::nullopt});
  environment.push_back({"XDG_CONFIG_HOME", std::nullopt});
  QorvRun run = sandbox.Run({"ls", kSampleProject}, environment);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("README.txt"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("the local cache was not updated"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("error"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qorv::cli
