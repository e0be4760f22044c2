// qorv get run as a program against a reference server holding the sample
// database: the files it writes, the question about writable local copies
// answered by option, and old versions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "qorv_program.h"
#include "sample_server.h"

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
  // A version the file does not have: GetOldVersionFile's single result
  // carries only the call's success; the failure line still fails the get.
  run = Run({"get", "--old-version", "9", kSampleVersionedFile, "-C", work});
  EXPECT_EQ(run.exit_code, 6) << run.err;
  EXPECT_TRUE(Contains(run.err, "Version 9 of $/Game/src/main.c does not exist")) << run.err;
  EXPECT_TRUE(Contains(run.err, "qorv: get: not everything was got")) << run.err;
}

}  // namespace
}  // namespace qorv::cli
