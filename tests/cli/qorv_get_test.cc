// qorv get run as a program against a reference server holding the sample
// database: the files it writes, the question about writable local copies
// answered by option, and old versions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
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

class QorvGetTest : public ::testing::Test {
 protected:
  QorvRun Run(const std::vector<std::string>& arguments) {
    return sandbox_.Run(arguments, server_.Login());
  }

  SampleServer server_;
  QorvSandbox sandbox_;
};

TEST_F(QorvGetTest, ProjectsAndFilesAreWrittenUnderTheirNames) {
  const std::string work = sandbox_.Child("work");
  QorvRun run = Run({"get", "-r", kSampleProject, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "$/Game -> " + work + "/Game\n");
  const std::string main = work + "/Game/src/main.c";
  EXPECT_EQ(ReadText(main), SampleLatestMainText());
  EXPECT_TRUE(fs::is_regular_file(work + "/Game/README.txt"));
  EXPECT_EQ(fs::file_size(work + "/Game/assets/logo.png"), 8u + 512u);
  EXPECT_FALSE(Writable(main)) << "files are read-only without --writable";

  // Without -r only the project's own files; files by name with the line
  // ending asked for, left writable.
  const std::string flat = sandbox_.Child("flat");
  run = Run({"get", kSampleProject, "$/Tools/build.sh", kSampleVersionedFile, "--eol", "crlf",
             "--writable", "-C", flat});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(flat + "/Game/README.txt"));
  EXPECT_FALSE(fs::exists(flat + "/Game/src"));
  EXPECT_TRUE(Contains(ReadText(flat + "/main.c"), "#include <stdio.h>\r\n"));
  EXPECT_TRUE(Writable(flat + "/main.c"));
  EXPECT_TRUE(fs::is_regular_file(flat + "/build.sh"));

  // A project as it was at the label: main.c in its second version.
  const std::string labelled = sandbox_.Child("labelled");
  run = Run({"get", "--label", kSampleLabel, "-r", kSampleProject, "-C", labelled});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string old_main = ReadText(labelled + "/Game/src/main.c");
  EXPECT_TRUE(Contains(old_main, "Hello, world")) << old_main;
  EXPECT_FALSE(Contains(old_main, "util.h")) << old_main;
}

TEST_F(QorvGetTest, AWritableChangedCopyIsLeftOrReplacedAsAnswered) {
  const std::string work = sandbox_.Child("work");
  const std::string main = work + "/main.c";
  ASSERT_EQ(Run({"get", kSampleVersionedFile, "-C", work}).exit_code, 0);
  fs::permissions(main, fs::perms::owner_write, fs::perm_options::add);
  std::ofstream(main, std::ios::binary | std::ios::trunc) << "local edit\n";

  // Nobody to ask and no answer given: canceled, the file as it was.
  QorvRun run = Run({"get", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 8) << run.err;
  EXPECT_TRUE(Contains(run.err, "--replace, --skip, --merge TOOL")) << run.err;
  EXPECT_EQ(ReadText(main), "local edit\n");

  run = Run({"get", "--skip", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Contains(run.err, "error:")) << run.err;
  EXPECT_EQ(ReadText(main), "local edit\n");

  run = Run({"get", "--replace", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadText(main), SampleLatestMainText());
}

TEST_F(QorvGetTest, OldVersionsAndWhatCannotBeGotFailTheCommand) {
  const std::string work = sandbox_.Child("old");
  QorvRun run = Run({"--json", "get", "--old-version", "1", kSampleVersionedFile, "-C", work});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("mode":"old-version","targets":[{"path":"$/Game/src/main.c")"))
      << run.out;
  const std::string text = ReadText(work + "/main.c");
  EXPECT_TRUE(Contains(text, "printf(\"Hello\\n\");")) << text;

  // A file that is not there fails the command with its item's result,
  // although the SDK's call succeeds.
  run = Run({"get", "$/Game/src/nothing.c", "$/Tools/build.sh", "-C", work});
  EXPECT_EQ(run.exit_code, 5) << run.err;
  EXPECT_TRUE(Contains(run.err, "(result 40102): 1 of 2 items could not be got\n")) << run.err;
  EXPECT_TRUE(fs::is_regular_file(work + "/build.sh"));
  // A version the file does not have fails the call with the server's result.
  run = Run({"get", "--old-version", "9", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 5) << run.err;
  EXPECT_TRUE(Contains(run.err, "Version 9 of $/Game/src/main.c does not exist (result 40301)"))
      << run.err;
}

// A file checked out by the user that the server has a newer version of:
// --merge names the program (found in PATH) and --merge-args its arguments,
// quoted ones kept whole; what the program leaves is the local file.
TEST_F(QorvGetTest, MergeRunsTheProgramWithTheTemplatesArguments) {
  const std::string file = "$/Tools/build.sh";
  server::DataDirectory data(server_.data_directory(), server::Database::Options{});
  std::shared_ptr<server::Database> database;
  ASSERT_TRUE(data.OpenDatabase(kSampleDatabase, &database).ok());
  server::CheckoutResult checkout;
  ASSERT_TRUE(database->CheckOut(database->FindUser(kSampleUser)->actor, file, "", &checkout).ok());
  const std::string work = sandbox_.Child("work");
  ASSERT_EQ(Run({"get", file, "-C", work}).exit_code, 0);
  // Another user checks in a newer version meanwhile.
  const server::Actor bob = database->FindUser(kSampleSecondUser)->actor;
  server::CheckinResult checkin;
  ASSERT_TRUE(database->CheckOut(bob, file, "", &checkout).ok());
  ASSERT_TRUE(
      database->CheckIn(bob, file, server::UploadedBody("newer\n", 0), false, "", &checkin).ok());
  const std::string local = work + "/build.sh";
  EXPECT_TRUE(Writable(local)) << "checked out by the user";
  std::ofstream(local, std::ios::binary | std::ios::trunc) << "mine\n";
  const std::string tools = sandbox_.Child("tools");
  fs::create_directories(tools);
  std::ofstream(tools + "/record-merge")
      << "#!/bin/sh\n"
         "printf '%s\\n' \"$@\" > \"$0.args\"\n"
         "cat \"$3\" \"$2\" > \"$4.new\" && mv \"$4.new\" \"$4\"\n";
  fs::permissions(tools + "/record-merge", fs::perms::owner_exec, fs::perm_options::add);

  platform::EnvironmentChanges login = server_.Login();
  login.push_back({"PATH", tools + ":" + std::getenv("PATH")});
  const QorvRun run =
      sandbox_.Run({"get", "--merge", "record-merge", "--merge-args",
                    R"("%BASE_FILE%" %THEIRS_FILE% %YOURS_FILE% %RESULT_FILE% "%FIRST_LABEL%")",
                    file, "-C", work},
                   login);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadText(local), "mine\nnewer\n");
  std::istringstream lines(ReadText(tools + "/record-merge.args"));
  std::vector<std::string> arguments;
  for (std::string line; std::getline(lines, line);) arguments.push_back(line);
  ASSERT_EQ(arguments.size(), 5u) << ReadText(tools + "/record-merge.args");
  EXPECT_EQ(arguments[2], local);
  EXPECT_EQ(arguments[3], local);
  EXPECT_EQ(arguments[4], "File : " + file + " Version : 2");
}

}  // namespace
}  // namespace qorv::cli
