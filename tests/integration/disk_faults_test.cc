// Disk faults at every step of a get and of a check-in: the calls that the
// file layer and the transfer threads make through the file-system seam are
// counted in a run without faults, then each call of each kind is failed in
// turn with a full disk, a file another process holds, and (for writes) a
// write that stops part way. After every run the user's files are whole
// (the old or the new content, never a mix), a file that did not get its
// new state is reported as failed on its own line, the other files went on,
// and no temporary is left in the working or the temporary folder.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "local/file_layer.h"
#include "platform/os_error.h"
#include "sdk_fixture.h"
#include "support/fault_file_system.h"
#include "support/test_files.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;
using testing::FaultFileSystem;
using testing::FilesBelow;
using testing::FileStep;
using testing::ReadFile;
using testing::WriteFile;

using Outcome = SetOutcome;

// The faults of one run: the step, the error, and for a write whether it
// is the part-way write (the seam writes half the bytes before failing).
struct Fault {
  FileStep step;
  int error;
  const char* what;
};

const char* StepName(FileStep step) {
  static const std::map<FileStep, const char*> kNames = {
      {FileStep::kOpen, "open"},
      {FileStep::kRead, "read"},
      {FileStep::kWrite, "write"},
      {FileStep::kClose, "close"},
      {FileStep::kSetAttributes, "set attributes"},
      {FileStep::kSetLastWriteTime, "set time"},
      {FileStep::kCreateFolder, "create folder"},
      {FileStep::kRemoveFolder, "remove folder"},
      {FileStep::kDelete, "delete"},
      {FileStep::kRename, "rename"},
      {FileStep::kMove, "move"},
      {FileStep::kCopy, "copy"},
  };
  return kNames.at(step);
}

// Every step that can fail, with a full disk and a held file; writes also
// stop part way with an input/output error.
std::vector<Fault> FaultKinds() {
  std::vector<Fault> kinds;
  for (int index = 0; index < static_cast<int>(FileStep::kStepCount); ++index) {
    const FileStep step = static_cast<FileStep>(index);
    kinds.push_back({step, ENOSPC, "disk full"});
    kinds.push_back({step, platform::OsErrorSharingViolation(), "held by another process"});
    if (step == FileStep::kWrite) kinds.push_back({step, EIO, "short write"});
  }
  return kinds;
}

class DiskFaultTest : public SdkTest {
 protected:
  static constexpr int kFiles = 3;

  void SetUp() override {
    MustCreateProject("$/P");
    // Three sizes: empty, small, and one that takes more than one piece to
    // read and write.
    contents_ = {"", "small file\n", std::string(150000, 'x') + "\n"};
    for (int i = 0; i < kFiles; ++i) MustAddFile(ServerPath(i), contents_[i]);
    client_ = LoggedInClient();
    folder_ = work_folder_ + "/wf";
    temp_folder_ = work_folder_ + "/tmp";
    fs::create_directories(temp_folder_);
    ASSERT_EQ((*client_)->SetTempDirectory(Text(temp_folder_.c_str())), S_OK);
  }

  std::string ServerPath(int i) const { return "$/P/f" + std::to_string(i) + ".txt"; }
  std::string LocalPath(int i) const { return folder_ + "/f" + std::to_string(i) + ".txt"; }
  std::vector<std::string> LocalPaths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) paths.push_back(LocalPath(i));
    return paths;
  }

  Outcome Get() {
    auto* set =
        sdk::CreateObject<IQORVLatestFileSet>(CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet);
    for (int i = 0; i < kFiles; ++i) {
      auto* file = sdk::CreateObject<IQORVLatestFile>(CLSID_QORVLatestFile, IID_IQORVLatestFile);
      file->put_FileToGet(Text(ServerPath(i).c_str()));
      file->put_LocalFileName(Text(LocalPath(i).c_str()));
      set->Add(file, nullptr);
      file->Release();
    }
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->GetLatestFiles(set, 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                         Enum_SetLocalFileTimeModification, nullptr, nullptr,
                                         &canceled, &description, &items, &result),
              S_OK);
    set->Release();
    return CollectSet(result, description, items);
  }

  Outcome CheckIn() {
    auto* set =
        sdk::CreateObject<IQORVCheckinFileSet>(CLSID_QORVCheckinFileSet, IID_IQORVCheckinFileSet);
    for (int i = 0; i < kFiles; ++i) {
      auto* file = sdk::CreateObject<IQORVCheckinFile>(CLSID_QORVCheckinFile, IID_IQORVCheckinFile);
      file->put_FileToCheckin(Text(ServerPath(i).c_str()));
      file->put_LocalFileName(Text(LocalPath(i).c_str()));
      set->Add(file, nullptr);
      file->Release();
    }
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    // Kept checked out, so that every run checks in again.
    EXPECT_EQ((*client_)->CheckInFiles(
                  set, VARIANT_TRUE, Text("edit"), Enum_LF, Enum_SetLocalFileTimeCurrent,
                  Enum_CheckinUnchangedFileHandlingCheckin, VARIANT_TRUE, 0, Text(""), Text(""),
                  &canceled, &description, &items, &result),
              S_OK);
    set->Release();
    return CollectSet(result, description, items);
  }

  int32_t LatestVersion(int i) {
    server::FileGeneralInfo info;
    EXPECT_TRUE(db().FileInfo(ServerPath(i), &info).ok());
    return info.version;
  }

  // Nothing but the user's files in the working folder, nothing in the
  // temporary folder but the SDK object's own (empty) folder.
  void ExpectNoTemporaries() {
    std::vector<std::string> expected = LocalPaths();
    std::vector<std::string> found = FilesBelow(folder_);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(FilesBelow(temp_folder_), std::vector<std::string>{});
  }

  // Runs `operation` once without faults to count its calls of each step,
  // then once per call of each step with that call failing, `prepare`
  // putting the files back before every run and `check` looking at the
  // outcome.
  template <class Prepare, class Operation, class Check>
  void FailEveryStep(Prepare prepare, Operation operation, Check check) {
    FaultFileSystem counting;
    prepare();
    {
      FileLayer::ScopedFileSystem scope(FileLayer::Shared(), counting);
      const Outcome clean = operation();
      ASSERT_EQ(clean.result, 0) << clean.description;
    }
    int runs = 0;
    int failed_runs = 0;  // runs in which the fault cost a file
    for (const Fault& fault : FaultKinds()) {
      const int calls = counting.Calls(fault.step);
      for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(std::string(StepName(fault.step)) + " call " + std::to_string(nth) + " of " +
                     std::to_string(calls) + ", " + fault.what);
        prepare();
        FaultFileSystem disk;
        disk.FailCall(fault.step, fault.error, nth);
        Outcome outcome;
        {
          FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
          outcome = operation();
        }
        check(outcome);
        ExpectNoTemporaries();
        ++runs;
        for (const auto& item : outcome.items) failed_runs += item.first != 0 ? 1 : 0;
        if (HasFatalFailure()) return;
      }
    }
    EXPECT_GT(runs, 20) << "too few steps counted";
    // Most calls are on a file's own path; a run of faults that never
    // failed a file would have tested nothing.
    EXPECT_GT(failed_runs, runs / 4) << runs << " runs";
  }

  std::vector<std::string> contents_;
  std::unique_ptr<SdkClient> client_;
  std::string folder_;
  std::string temp_folder_;
};

TEST_F(DiskFaultTest, AGetKeepsEachFileWholeAndReportsTheOneThatFailed) {
  auto prepare = [this] {
    fs::remove(CacheFilePath("127.0.0.1", "alice"));
    for (int i = 0; i < kFiles; ++i) WriteFile(LocalPath(i), "old " + std::to_string(i), true);
  };
  auto check = [this](const Outcome& outcome) {
    // The operation itself goes on: one fault costs one file at most.
    ASSERT_EQ(outcome.items.size(), static_cast<size_t>(kFiles)) << outcome.description;
    int failed = 0;
    for (int i = 0; i < kFiles; ++i) {
      SCOPED_TRACE(LocalPath(i));
      const std::string content = ReadFile(LocalPath(i));
      const bool is_new = content == contents_[i];
      EXPECT_TRUE(is_new || content == "old " + std::to_string(i)) << "a mixed file";
      if (outcome.items[i].first != 0) {
        ++failed;
        EXPECT_FALSE(outcome.items[i].second.empty());
      } else {
        EXPECT_TRUE(is_new) << "reported as got but the old content is there";
      }
    }
    EXPECT_LE(failed, 1);
  };
  FailEveryStep(
      prepare, [this] { return Get(); }, check);

  // Without faults the next get brings every file.
  prepare();
  const Outcome again = Get();
  ASSERT_EQ(again.result, 0) << again.description;
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFile(LocalPath(i)), contents_[i]);
}

TEST_F(DiskFaultTest, ACheckInLeavesTheUsersFilesAndChecksInWholeVersionsOrNothing) {
  auto* set =
      sdk::CreateObject<IQORVCheckoutFileSet>(CLSID_QORVCheckoutFileSet, IID_IQORVCheckoutFileSet);
  for (int i = 0; i < kFiles; ++i) {
    auto* file =
        sdk::CreateObject<IQORVCheckoutFile>(CLSID_QORVCheckoutFile, IID_IQORVCheckoutFile);
    file->put_FileToCheckout(Text(ServerPath(i).c_str()));
    file->put_LocalFileName(Text(LocalPath(i).c_str()));
    set->Add(file, nullptr);
    file->Release();
  }
  LONG result = -1;
  BSTR description = nullptr;
  VARIANT_BOOL canceled = 5;
  IQORVOperationResultSet* items = nullptr;
  ASSERT_EQ((*client_)->CheckoutFiles(set, Text(""), 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                      Enum_SetLocalFileTimeCurrent, &canceled, &description, &items,
                                      &result),
            S_OK);
  set->Release();
  ASSERT_EQ(CollectSet(result, description, items).result, 0);

  int run = 0;
  std::vector<int32_t> versions(kFiles);
  std::vector<std::string> edits(kFiles);
  auto prepare = [&] {
    ++run;
    for (int i = 0; i < kFiles; ++i) {
      edits[i] = "edit " + std::to_string(run) + " of " + std::to_string(i) + "\n" + contents_[i];
      WriteFile(LocalPath(i), edits[i], false);
      versions[i] = LatestVersion(i);
    }
  };
  auto check = [&](const Outcome& outcome) {
    ASSERT_EQ(outcome.items.size(), static_cast<size_t>(kFiles)) << outcome.description;
    int failed = 0;
    for (int i = 0; i < kFiles; ++i) {
      SCOPED_TRACE(LocalPath(i));
      EXPECT_EQ(ReadFile(LocalPath(i)), edits[i]) << "the user's file changed";
      const int32_t now = LatestVersion(i);
      if (outcome.items[i].first == 0) {
        EXPECT_EQ(now, versions[i] + 1);
        server::VersionInfo info;
        ASSERT_TRUE(db().ResolveGet(ServerPath(i), now, &info).ok());
        std::string body;
        ASSERT_TRUE(db().ReadBody(info.record_id, server::Eol::kLf, &body).ok());
        EXPECT_EQ(body, edits[i]) << "a version that is not the user's file";
      } else {
        ++failed;
        // Either nothing reached the server, or the version is in and only
        // the local file's finishing step (its attribute) failed, which
        // the item says.
        const std::string& text = outcome.items[i].second;
        if (text.rfind("The file could not be finished: ", 0) == 0) {
          EXPECT_EQ(now, versions[i] + 1) << text;
        } else {
          EXPECT_EQ(now, versions[i]) << "a version checked in but reported as failed: " << text;
        }
      }
    }
    EXPECT_LE(failed, 1);
  };
  FailEveryStep(
      prepare, [this] { return CheckIn(); }, check);
}

}  // namespace
}  // namespace qorv::integration
