// The merge step with real merge programs: small shell scripts and diff3.
// What the tool receives, what is left in the result file when it succeeds,
// fails or reports conflicts, and that its backup never stays behind.
#include "ops/merge_tool.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "local/file_layer.h"
#include "local/release_registry.h"
#include "qorvsdk/result_codes.h"
#include "support/fault_file_system.h"
#include "support/scoped_temp.h"

namespace qorv::ops {
namespace {

namespace fs = std::filesystem;
using qorv::testing::ReadTextFile;
using qorv::testing::ScopedTempFolder;
using qorv::testing::WriteTextFile;
using Arguments = std::vector<std::string>;

constexpr char kThreeWay[] = "\"%YOURS_FILE%\" \"%BASE_FILE%\" \"%THEIRS_FILE%\" \"%RESULT_FILE%\"";

TEST(MergeTemplateTest, EveryPlaceholderIsReplacedEverywhereInTheTableOrder) {
  MergeInputs inputs;
  inputs.argument_template =
      "%YOURS_FILE% -o %RESULT_FILE% %BASE_FILE% %YOURS_FILE% %THEIRS_FILE% "
      "-L %FIRST_LABEL% -L %SECOND_LABEL% %base_file% %YOURS_FILE";
  inputs.base_file = "/t/base %RESULT_FILE%";    // replaced again: base comes first
  inputs.theirs_file = "/t/theirs %BASE_FILE%";  // not replaced: base comes before theirs
  inputs.yours_file = "/w/a.c";
  inputs.result_file = "/w/r.c";
  inputs.first_label = "File : $/a.c Version : 3";
  inputs.second_label = "File : /w/a.c";
  EXPECT_EQ(FillMergeTemplate(inputs),
            "/w/a.c -o /w/r.c /t/base /w/r.c /w/a.c /t/theirs %BASE_FILE% "
            "-L File : $/a.c Version : 3 -L File : /w/a.c %base_file% %YOURS_FILE");

  // A value holding its own placeholder is not replaced again.
  inputs.argument_template = "%YOURS_FILE%%YOURS_FILE%";
  inputs.yours_file = "%YOURS_FILE%";
  EXPECT_EQ(FillMergeTemplate(inputs), "%YOURS_FILE%%YOURS_FILE%");
}

TEST(MergeTemplateTest, WhiteSpaceSeparatesAndQuotesGroup) {
  EXPECT_EQ(SplitMergeArguments("  a\tb \r\n c  "), (Arguments{"a", "b", "c"}));
  EXPECT_EQ(SplitMergeArguments(""), Arguments{});
  EXPECT_EQ(SplitMergeArguments("-L \"File : $/a b.c Version : 3\" \"/my work/a.c\""),
            (Arguments{"-L", "File : $/a b.c Version : 3", "/my work/a.c"}));
  EXPECT_EQ(SplitMergeArguments("x\"a b\"y \"\" z"), (Arguments{"xa by", "", "z"}));
  EXPECT_EQ(SplitMergeArguments("say \\\"hi there\\\" \"in \\\"q\\\"\""),
            (Arguments{"say", "\"hi", "there\"", "in \"q\""}));
  EXPECT_EQ(SplitMergeArguments("C:\\dir\\a.c \"open end"),
            (Arguments{"C:\\dir\\a.c", "open end"}));
}

class MergeToolTest : public ::testing::Test {
 protected:
  MergeToolTest() {
    fs::create_directories(work_);
    fs::create_directories(backups_);
    inputs_.base_file = work_ + "/base.c";
    inputs_.theirs_file = work_ + "/theirs.c";
    inputs_.yours_file = work_ + "/a.c";
    inputs_.result_file = inputs_.yours_file;
    inputs_.argument_template = kThreeWay;
    WriteTextFile(inputs_.base_file, "a\nb\nc\nd\ne\n");
    WriteTextFile(inputs_.theirs_file, "a\nB\nc\nd\ne\n");
    WriteTextFile(inputs_.yours_file, "a\nb\nc\nD\ne\n");
  }

  // Writes an executable shell script into the test's folder.
  std::string Script(const std::string& name, const std::string& body) {
    const std::string path = temp_.Child(name);
    WriteTextFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }

  // Merges `base`, `theirs` and `yours` (the result file) with diff3, which
  // exits 1 on conflicts; the merged text is moved onto the result file
  // either way, as a tool that knows nothing of exit codes would leave it.
  std::string Diff3Tool() {
    return Script("diff3-merge",
                  "diff3 -m \"$1\" \"$2\" \"$3\" > \"$4.merging\"\n"
                  "status=$?\n"
                  "mv -f \"$4.merging\" \"$4\"\n"
                  "exit $status\n");
  }

  int32_t Merge() {
    description_ = "before";
    return RunMergeTool(inputs_, backups_, &description_);
  }

  bool NoBackupLeft() const { return fs::is_empty(backups_); }

  ScopedTempFolder temp_;
  const std::string work_ = temp_.Child("my work");  // a space, for the quoting
  const std::string backups_ = temp_.Child("tmp");
  MergeInputs inputs_;
  std::string description_;
};

TEST_F(MergeToolTest, AThreeWayMergeTakesBothSidesChanges) {
  inputs_.tool = Diff3Tool();
  EXPECT_EQ(Merge(), kResultOk);
  EXPECT_EQ(description_, "before");
  EXPECT_EQ(ReadTextFile(inputs_.result_file), "a\nB\nc\nD\ne\n");
  EXPECT_EQ(ReadTextFile(inputs_.base_file), "a\nb\nc\nd\ne\n");
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, ConflictsLeaveTheUsersFileByteForByteAsItWas) {
  inputs_.tool = Diff3Tool();
  const std::string yours = "a\nb\nmine\nd\r\ne";
  WriteTextFile(inputs_.yours_file, yours);
  WriteTextFile(inputs_.theirs_file, "a\nb\ntheirs\nd\ne\n");
  fs::permissions(inputs_.yours_file, fs::perms::owner_read | fs::perms::group_read);
  const fs::file_time_type written = fs::last_write_time(inputs_.yours_file);

  EXPECT_EQ(Merge(), kResultMergeFailed);
  EXPECT_EQ(description_, "Failed to merge file");
  EXPECT_EQ(ReadTextFile(inputs_.yours_file), yours);
  EXPECT_EQ(fs::status(inputs_.yours_file).permissions(),
            fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(fs::last_write_time(inputs_.yours_file), written);
  EXPECT_FALSE(fs::exists(inputs_.result_file + ".merging"));
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, AToolThatFailsOrIsKilledGetsTheResultPutBack) {
  const std::string yours = ReadTextFile(inputs_.yours_file);
  inputs_.tool = Script("half", "printf 'half' > \"$4\"\nexit 2\n");
  EXPECT_EQ(Merge(), kResultMergeFailed);
  EXPECT_EQ(description_, "Failed to merge file");
  EXPECT_EQ(ReadTextFile(inputs_.result_file), yours);
  EXPECT_TRUE(NoBackupLeft());

  inputs_.tool = Script("killed", "printf 'half' > \"$4\"\nkill -KILL $$\n");
  EXPECT_EQ(Merge(), kResultMergeFailed);
  EXPECT_EQ(ReadTextFile(inputs_.result_file), yours);
  EXPECT_TRUE(NoBackupLeft());

  // A result file that was not there before is not there after a failure.
  inputs_.result_file = work_ + "/new.c";
  EXPECT_EQ(Merge(), kResultMergeFailed);
  EXPECT_FALSE(fs::exists(inputs_.result_file));
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, ABackupThatCannotBePutBackIsKeptAndNamed) {
  const std::string yours = ReadTextFile(inputs_.yours_file);
  inputs_.tool = Script("half", "printf 'half' > \"$4\"\nexit 2\n");
  qorv::testing::FaultFileSystem disk;
  FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
  disk.FailCall(qorv::testing::FileStep::kMove, EIO);
  EXPECT_EQ(Merge(), kResultMergeFailed);
  ASSERT_EQ(std::distance(fs::directory_iterator(backups_), fs::directory_iterator()), 1);
  const std::string kept = fs::directory_iterator(backups_)->path().string();
  EXPECT_EQ(description_,
            "Failed to merge file. The file as it was before the merge is kept at " + kept);
  EXPECT_EQ(ReadTextFile(kept), yours);

  // The next merge, in the same second or not, takes a backup of its own
  // (the file as the failed one left it) and leaves the kept copy alone.
  EXPECT_EQ(Merge(), kResultMergeFailed);
  EXPECT_EQ(description_, "Failed to merge file");
  EXPECT_EQ(ReadTextFile(inputs_.result_file), "half");
  EXPECT_EQ(ReadTextFile(kept), yours);
  EXPECT_EQ(std::distance(fs::directory_iterator(backups_), fs::directory_iterator()), 1);
}

TEST_F(MergeToolTest, AToolThatCannotStartFailsWithoutTouchingTheFile) {
  const std::string yours = ReadTextFile(inputs_.yours_file);
  inputs_.tool = Script("not-executable", "printf 'x' > \"$4\"\n");
  fs::permissions(inputs_.tool, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Merge(), kResultMergeFailed);
  EXPECT_EQ(description_, "Failed to merge file");
  EXPECT_EQ(ReadTextFile(inputs_.yours_file), yours);
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, AToolThatWritesNothingStillMerges) {
  inputs_.tool = Script("quiet", "exit 0\n");
  inputs_.argument_template = "%YOURS_FILE%";
  EXPECT_EQ(Merge(), kResultOk);
  EXPECT_EQ(ReadTextFile(inputs_.yours_file), "a\nb\nc\nD\ne\n");
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, EmptyLabelsNameThePathsAndEachArgumentArrivesWhole) {
  const std::string seen = temp_.Child("seen");
  inputs_.tool = Script("record", "printf '%s|' \"$@\" > '" + seen + "'\n");
  inputs_.argument_template = "-L \"%FIRST_LABEL%\" -L \"%SECOND_LABEL%\" %YOURS_FILE%";
  ASSERT_EQ(Merge(), kResultOk);
  EXPECT_EQ(ReadTextFile(seen), "-L|" + inputs_.theirs_file + "|-L|" + inputs_.yours_file + "|" +
                                    temp_.path() + "/my|work/a.c|");

  inputs_.first_label = "File : $/p/a.c Version : 4";
  inputs_.second_label = "File : " + inputs_.yours_file;
  ASSERT_EQ(Merge(), kResultOk);
  EXPECT_EQ(ReadTextFile(seen), "-L|File : $/p/a.c Version : 4|-L|File : " + inputs_.yours_file +
                                    "|" + temp_.path() + "/my|work/a.c|");
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, AToolThatLeavesNoResultFailsAndTheFileIsPutBack) {
  const std::string yours = ReadTextFile(inputs_.yours_file);
  inputs_.tool = Script("remover", "rm -f \"$4\"\n");
  EXPECT_EQ(Merge(), kResultLocalFileNotFound);
  EXPECT_EQ(description_, "Can not save merged file at " + inputs_.result_file);
  EXPECT_EQ(ReadTextFile(inputs_.result_file), yours);
  EXPECT_TRUE(NoBackupLeft());
}

// A transfer still writing an input keeps the tool from starting.
class BusyFile : public ReleasableFile {
 public:
  bool InUse() const override { return true; }
  void CompleteAndClose() override {}
};

TEST_F(MergeToolTest, AnInputHeldByATransferEndsTheMergeWithTheFileLayersCode) {
  const std::string ran = temp_.Child("ran");
  inputs_.tool = Script("touch", "printf x > '" + ran + "'\n");
  auto busy = std::make_shared<BusyFile>();
  ReleaseRegistry& registry = FileLayer::Shared().release_registry();
  registry.Register(inputs_.theirs_file, busy);
  EXPECT_EQ(Merge(), kFileErrorSharingViolation);
  registry.Unregister(inputs_.theirs_file, busy.get());
  EXPECT_EQ(description_, "before");
  EXPECT_FALSE(fs::exists(ran));
  EXPECT_TRUE(NoBackupLeft());
}

TEST_F(MergeToolTest, AMissingOrOverlongToolIsRefusedBeforeAnythingRuns) {
  inputs_.tool = temp_.Child("no-such-tool");
  EXPECT_EQ(Merge(), kResultLocalFileNotFound);
  EXPECT_EQ(description_, "Merge tool " + inputs_.tool + " not found");
  inputs_.tool = work_;
  EXPECT_EQ(Merge(), kResultLocalFileNotFound);
  EXPECT_EQ(description_, "Merge tool " + work_ + " not found");

  // 259 characters are allowed, 260 are not.
  const std::string shorter = Script("ok", "exit 0\n");
  inputs_.tool = shorter.substr(0, shorter.size() - 2) + std::string(259 - shorter.size(), '/') +
                 shorter.substr(shorter.size() - 2);
  ASSERT_EQ(inputs_.tool.size(), 259u);
  EXPECT_EQ(Merge(), kResultOk);
  inputs_.tool.insert(inputs_.tool.size() - 2, "/");
  EXPECT_EQ(Merge(), kResultLocalNameTooLong);
  EXPECT_EQ(description_, "The length of the local file name \"" + inputs_.tool + "\" is too long");
  EXPECT_TRUE(NoBackupLeft());
}

}  // namespace
}  // namespace qorv::ops
