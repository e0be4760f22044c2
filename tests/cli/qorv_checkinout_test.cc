// qorv checkout, undo and checkin run as a program against a reference
// server holding the sample database: the whole cycle seen from a second
// folder, and the questions of undo and checkin answered by option.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "qorv_program.h"
#include "sample_server.h"
#include "server/data_directory.h"
#include "server/database.h"

namespace qorv::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool Writable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class QorvCheckinoutTest : public ::testing::Test {
 protected:
  QorvRun Run(const std::vector<std::string>& arguments) {
    return sandbox_.Run(arguments, server_.Login());
  }

  // Checks out main.c into `folder` and writes `text` over the copy.
  void CheckOutAndEdit(const std::string& folder, const std::string& text) {
    const QorvRun run = Run({"checkout", kSampleVersionedFile, "-C", folder});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    std::ofstream(folder + "/main.c", std::ios::binary | std::ios::trunc) << text;
  }

  // The latest version number of main.c, as info prints it.
  std::string LatestVersion() {
    const QorvRun run = Run({"info", "--file", kSampleVersionedFile});
    const size_t at = run.out.find("Version:  ");
    if (at == std::string::npos) return run.out + run.err;
    return run.out.substr(at + 10, run.out.find('\n', at) - at - 10);
  }

  SampleServer server_;
  QorvSandbox sandbox_;
};

TEST_F(QorvCheckinoutTest, AnEditCheckedInIsWhatAGetInAnotherFolderShows) {
  const std::string work = sandbox_.Child("work");
  const std::string main = work + "/main.c";
  QorvRun run = Run({"--json", "checkout", "-m", "loop", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, R"("targets":[{"path":"$/Game/src/main.c","local":")" + main))
      << run.out;
  EXPECT_EQ(ReadText(main), SampleLatestMainText());
  EXPECT_TRUE(Writable(main));
  // A second check out of the same file is refused, and says why.
  run = Run({"checkout", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 6) << run.err;
  EXPECT_TRUE(Contains(run.err, "checked out")) << run.err;

  const std::string edited = SampleLatestMainText() + "/* a line \xC3\xA9 more */\n\n";
  std::ofstream(main, std::ios::binary | std::ios::trunc) << edited;
  run = Run({"checkin", "-m", "One more line", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "$/Game/src/main.c -> " + main + "\n");
  EXPECT_FALSE(Writable(main)) << "no longer checked out: read-only";
  EXPECT_EQ(LatestVersion(), "4");

  const std::string other = sandbox_.Child("other");
  run = Run({"get", kSampleVersionedFile, "-C", other});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadText(other + "/main.c"), edited);

  // Checked in already: not checked out by the user any more.
  run = Run({"checkin", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 6) << run.err;
  EXPECT_TRUE(Contains(run.err, "has not been checked out by you")) << run.err;
}

TEST_F(QorvCheckinoutTest, UndoReplacesOrDeletesAChangedCopyOnlyWhenAnswered) {
  const std::string work = sandbox_.Child("work");
  const std::string main = work + "/main.c";
  CheckOutAndEdit(work, "mine\n");
  // Leave (the default) never asks; with replace nobody is there to ask.
  QorvRun run = Run({"undo", "--local", "replace", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 8) << run.err;
  EXPECT_TRUE(Contains(run.err, "--discard-changes, --keep-changed")) << run.err;
  EXPECT_EQ(ReadText(main), "mine\n");
  // Keeping the changed copy keeps the check out: the edit can still be
  // checked in afterwards.
  run = Run({"undo", "--local", "delete", "--keep-changed", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadText(main), "mine\n");

  run = Run({"undo", "--local", "replace", "--discard-changes", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadText(main), SampleLatestMainText());
  EXPECT_FALSE(Writable(main));
  EXPECT_EQ(LatestVersion(), "3");

  CheckOutAndEdit(work, "mine again\n");
  run = Run({"undo", "--local", "delete", "--yes", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(fs::exists(main));
  // Released: it can be checked out again, here without a copy.
  run = Run({"checkout", "--no-copy", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(fs::exists(main)) << "--no-copy gets no file";
}

TEST_F(QorvCheckinoutTest, AnUnchangedFileIsCheckedInOrReleasedAsAnswered) {
  const std::string work = sandbox_.Child("work");
  const std::string main = work + "/main.c";
  CheckOutAndEdit(work, SampleLatestMainText());
  QorvRun run = Run({"checkin", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 8) << run.err;
  EXPECT_TRUE(Contains(run.err, "--checkin-unchanged, --undo-unchanged")) << run.err;
  EXPECT_TRUE(Writable(main)) << "still checked out";

  run = Run({"checkin", "--undo-unchanged", "--writable", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(LatestVersion(), "3");
  EXPECT_TRUE(Writable(main)) << "--writable";
  run = Run({"checkin", "--checkin-unchanged", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 6) << "released by the undo: " << run.err;

  ASSERT_EQ(Run({"checkout", kSampleVersionedFile, "-C", work}).exit_code, 0);
  run = Run({"checkin", "--checkin-unchanged", "--remove-local", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(LatestVersion(), "4");
  EXPECT_FALSE(fs::exists(main));
}

// A project with its sub-projects: checked out writable, checked in and
// released in one call each.
TEST_F(QorvCheckinoutTest, ProjectsAreCheckedOutAndInWhole) {
  const std::string work = sandbox_.Child("work");
  QorvRun run = Run({"checkout", "-r", "$/Tools", "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string build = work + "/Tools/build.sh";
  EXPECT_TRUE(Writable(build));
  std::ofstream(build, std::ios::binary | std::ios::app) << "echo done\n";
  run = Run({"checkin", "-r", "--undo-unchanged", "$/Tools", "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Writable(build));

  const std::string other = sandbox_.Child("other");
  ASSERT_EQ(Run({"get", "-r", "$/Tools", "-C", other}).exit_code, 0);
  EXPECT_EQ(ReadText(other + "/Tools/build.sh"), ReadText(build));
}

// Another user checked in a version since the check out: --merge names the
// program that merges it into the local copy before the copy is sent, with
// the arguments of --merge-args.
TEST_F(QorvCheckinoutTest, AVersionCheckedInMeanwhileIsMergedBeforeTheCheckin) {
  const std::string file = "$/Tools/build.sh";
  const std::string work = sandbox_.Child("work");
  const std::string local = work + "/build.sh";
  ASSERT_EQ(Run({"checkout", file, "-C", work}).exit_code, 0);
  server::DataDirectory data(server_.data_directory(), server::Database::Options{});
  std::shared_ptr<server::Database> database;
  ASSERT_TRUE(data.OpenDatabase(kSampleDatabase, &database).ok());
  const server::Actor bob = database->FindUser(kSampleSecondUser)->actor;
  server::CheckoutResult checkout;
  server::CheckinResult checkin;
  ASSERT_TRUE(database->CheckOut(bob, file, "", &checkout).ok());
  ASSERT_TRUE(
      database->CheckIn(bob, file, server::UploadedBody("newer\n", 0), false, "", &checkin).ok());
  std::ofstream(local, std::ios::binary | std::ios::trunc) << "mine\n";
  const std::string tools = sandbox_.Child("tools");
  fs::create_directories(tools);
  std::ofstream(tools + "/join") << "#!/bin/sh\n"
                                    "cat \"$1\" \"$2\" > \"$3.new\" && mv \"$3.new\" \"$3\"\n";
  fs::permissions(tools + "/join", fs::perms::owner_exec, fs::perm_options::add);

  platform::EnvironmentChanges login = server_.Login();
  login.push_back({"PATH", tools + ":" + std::getenv("PATH")});
  const QorvRun run = sandbox_.Run({"checkin", "--merge", "join", "--merge-args",
                                    "%YOURS_FILE% %THEIRS_FILE% %RESULT_FILE%", file, "-C", work},
                                   login);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadText(local), "mine\nnewer\n");
  const std::string other = sandbox_.Child("other");
  ASSERT_EQ(Run({"get", file, "-C", other}).exit_code, 0);
  EXPECT_EQ(ReadText(other + "/build.sh"), "mine\nnewer\n");
}

}  // namespace
}  // namespace qorv::cli
