// The connection cut after every frame of a get, a check-out, a check-in and
// an add of 100 files (0 bytes to 3 MB, two of them above the 1 MiB batch
// limit), on the main connection and, apart, on the transfer connections.
// A run without the cut counts the frames of the operation; then each frame
// N is cut in turn (the server's cut-at-frame hook). After every run: each
// working file holds its old or its new content whole, no temporary is left
// in the working or the temporary folder, the cache file loads, the next
// request reconnects and succeeds, the store passes SQLite's integrity check,
// and each file's change on the server is whole or absent.
//
// Each operation and connection kind is a test of its own, the transfer
// sweeps split into interleaved shards, so that CTest runs them side by
// side. QORV_KILL_FRAME_STRIDE=1 runs every frame of the transfer sweeps
// (docs/reliability.md).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "local/cache_store.h"
#include "sdk_fixture.h"
#include "server/data_directory.h"
#include "server/sqlite_db.h"
#include "support/test_files.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;
using server::ConnectionKind;
using testing::FilesBelow;
using testing::ReadFile;
using testing::WriteFile;

constexpr int kFiles = 100;
// The two files above the batch limit: one just past it, one of 3 MB.
constexpr size_t kLargeSizes[] = {1200000, 3000000};
// Transfer frames cut one by one up to here, then every stride-th.
constexpr int64_t kTransferEveryFrameUpTo = 40;
constexpr int64_t kDefaultTransferStride = 3;
constexpr int kTransferShards = 2;

enum class Operation { kGet, kCheckOut, kCheckIn, kAdd };

struct Sweep {
  Operation operation;
  ConnectionKind kind;
  int shard = 0;
  int shards = 1;
};

const char* OperationName(Operation operation) {
  static const char* const kNames[] = {"Get", "CheckOut", "CheckIn", "Add"};
  return kNames[static_cast<int>(operation)];
}

// The test's name in the list of tests (and CTest's).
void PrintTo(const Sweep& sweep, std::ostream* out) {
  *out << OperationName(sweep.operation)
       << (sweep.kind == ConnectionKind::kMain ? " main" : " transfer") << " shard "
       << sweep.shard + 1 << "/" << sweep.shards;
}

// File i's size: a few empty files, two above the batch limit, the rest
// below 16 KiB, so that 100 files travel in few batches and messages.
size_t FileSize(int i) {
  if (i >= kFiles - 2) return kLargeSizes[i - (kFiles - 2)];
  if (i % 25 == 0) return 0;
  return static_cast<size_t>(i * 2654435761u % 16384u);
}

// Lines of kLineSize bytes naming the file, `tag` (up to kTagSize
// characters) and the line, cut to the file's size: two tags differ all
// through, so a file mixed of two contents, or cut short, matches neither.
constexpr size_t kLineSize = 48;
constexpr size_t kTagOffset = 5;
constexpr size_t kTagSize = 12;

class Contents {
 public:
  Contents() {
    for (int i = 0; i < kFiles; ++i) {
      std::string& text = bases_[i];
      const size_t size = FileSize(i);
      text.resize((size + kLineSize - 1) / kLineSize * kLineSize);
      char line[kLineSize + 1];
      for (size_t at = 0; at < text.size(); at += kLineSize) {
        std::snprintf(line, sizeof(line), "f%03d %*s line %024zu\n", i, static_cast<int>(kTagSize),
                      "", at / kLineSize);
        text.replace(at, kLineSize, line, kLineSize);
      }
    }
  }

  std::string Of(int i, const std::string& tag) const {
    std::string text = bases_[i];
    const std::string stamp =
        tag.substr(0, kTagSize) + std::string(kTagSize - std::min(tag.size(), kTagSize), ' ');
    for (size_t at = kTagOffset; at < text.size(); at += kLineSize) {
      text.replace(at, kTagSize, stamp);
    }
    text.resize(FileSize(i));
    return text;
  }

 private:
  std::string bases_[kFiles];
};

const Contents& TheContents() {
  static const Contents contents;
  return contents;
}

std::string Content(int i, const std::string& tag) { return TheContents().Of(i, tag); }

// "ok", or what SQLite's integrity and foreign-key checks found.
std::string CheckStoreFile(const std::string& path) {
  std::string error;
  std::unique_ptr<server::SqliteDb> db = server::SqliteDb::Open(path, false, &error);
  if (!db) return "cannot open: " + error;
  std::string found;
  server::SqliteStatement integrity = db->Prepare("PRAGMA integrity_check");
  while (integrity.Step()) found += integrity.Text(0) + ";";
  server::SqliteStatement foreign = db->Prepare("PRAGMA foreign_key_check");
  while (foreign.Step()) found += "foreign key: " + foreign.Text(0) + ";";
  return found == "ok;" ? "ok" : found;
}

int64_t TransferStride() {
  const char* text = std::getenv("QORV_KILL_FRAME_STRIDE");
  const int64_t stride = text != nullptr ? std::atoll(text) : kDefaultTransferStride;
  return std::max<int64_t>(stride, 1);
}

class KillAtFrameTest : public SdkTest, public ::testing::WithParamInterface<Sweep> {
 protected:
  void SetUp() override {
    // The process is never killed here, only connections are cut: the
    // store's syncs to disk would cost the sweep its time and prove nothing.
    next_config_.durable_stores = false;
    StartServer();
    MustCreateProject("$/P");
    folder_ = work_folder_ + "/wf";
    temp_folder_ = work_folder_ + "/tmp";
    fs::create_directories(temp_folder_);
    const Operation operation = GetParam().operation;
    if (operation != Operation::kAdd) {
      for (int i = 0; i < kFiles; ++i) MustAddFile(ServerPath(i), Content(i, "server"));
    }
    client_ = LoggedInClient();
    ASSERT_EQ((*client_)->SetTempDirectory(Text(temp_folder_.c_str())), S_OK);
    if (operation == Operation::kCheckIn) {
      // Checked out once; every run checks in with the check-out kept.
      const SetOutcome out = CheckOut();
      ASSERT_EQ(out.result, 0) << out.description;
    }
    for (int i = 0; i < kFiles; ++i) stored_.push_back(Content(i, "server"));
  }

  std::string ServerPath(int i) const { return "$/P/f" + std::to_string(i) + ".txt"; }
  std::string LocalPath(int i) const { return folder_ + "/f" + std::to_string(i) + ".txt"; }

  template <class Set, class Item>
  Set* MakeSet(const CLSID& set_class, const IID& set_iid, const CLSID& item_class,
               const IID& item_iid, HRESULT (Item::*put_server)(BSTR)) {
    Set* set = sdk::CreateObject<Set>(set_class, set_iid);
    for (int i = 0; i < kFiles; ++i) {
      Item* item = sdk::CreateObject<Item>(item_class, item_iid);
      (item->*put_server)(Text(ServerPath(i).c_str()));
      item->put_LocalFileName(Text(LocalPath(i).c_str()));
      set->Add(item, nullptr);
      item->Release();
    }
    return set;
  }

  SetOutcome Get() {
    auto* set = MakeSet<IQORVLatestFileSet, IQORVLatestFile>(
        CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet, CLSID_QORVLatestFile, IID_IQORVLatestFile,
        &IQORVLatestFile::put_FileToGet);
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

  SetOutcome CheckOut() {
    auto* set = MakeSet<IQORVCheckoutFileSet, IQORVCheckoutFile>(
        CLSID_QORVCheckoutFileSet, IID_IQORVCheckoutFileSet, CLSID_QORVCheckoutFile,
        IID_IQORVCheckoutFile, &IQORVCheckoutFile::put_FileToCheckout);
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->CheckoutFiles(set, Text(""), 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                        Enum_SetLocalFileTimeCurrent, &canceled, &description,
                                        &items, &result),
              S_OK);
    set->Release();
    return CollectSet(result, description, items);
  }

  SetOutcome CheckIn() {
    auto* set = MakeSet<IQORVCheckinFileSet, IQORVCheckinFile>(
        CLSID_QORVCheckinFileSet, IID_IQORVCheckinFileSet, CLSID_QORVCheckinFile,
        IID_IQORVCheckinFile, &IQORVCheckinFile::put_FileToCheckin);
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->CheckInFiles(
                  set, VARIANT_TRUE, Text("edit"), Enum_LF, Enum_SetLocalFileTimeCurrent,
                  Enum_CheckinUnchangedFileHandlingCheckin, VARIANT_TRUE, 0, Text(""), Text(""),
                  &canceled, &description, &items, &result),
              S_OK);
    set->Release();
    return CollectSet(result, description, items);
  }

  SetOutcome Add() {
    auto* set = sdk::CreateObject<IQORVAddFileSet>(CLSID_QORVAddFileSet, IID_IQORVAddFileSet);
    for (int i = 0; i < kFiles; ++i) {
      auto* item = sdk::CreateObject<IQORVAddFile>(CLSID_QORVAddFile, IID_IQORVAddFile);
      item->put_LocalFileName(Text(LocalPath(i).c_str()));
      item->put_RemoteFileName(Text(ServerPath(i).c_str()));
      item->put_FileType(Enum_Autodetect);
      set->Add(item, nullptr);
      item->Release();
    }
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ(
        (*client_)->AddFiles(set, VARIANT_TRUE, 0, Enum_LF, Enum_AddFileDeletedCopyHandlingAskAdd,
                             Text("new"), &canceled, &description, &items, &result),
        S_OK);
    set->Release();
    return CollectSet(result, description, items);
  }

  SetOutcome Run() {
    switch (GetParam().operation) {
      case Operation::kGet:
        return Get();
      case Operation::kCheckOut:
        return CheckOut();
      case Operation::kCheckIn:
        return CheckIn();
      case Operation::kAdd:
        return Add();
    }
    return {};
  }

  // Puts the working folder and the server back to the state before the
  // operation; `run` makes each check-in's content its own.
  void Prepare(int run) {
    switch (GetParam().operation) {
      case Operation::kGet:
      case Operation::kCheckOut:
        fs::remove(CacheFilePath("127.0.0.1", "alice"));
        for (int i = 0; i < kFiles; ++i) {
          if (GetParam().operation == Operation::kCheckOut) {
            server::UndoResult undone;
            db().UndoCheckOut(Actor("alice"), ServerPath(i), &undone);
          }
          old_[i] = Content(i, "old");
          new_[i] = stored_[i];
          WriteFile(LocalPath(i), old_[i], true);
        }
        break;
      case Operation::kCheckIn:
        for (int i = 0; i < kFiles; ++i) {
          old_[i] = new_[i] = Content(i, "edit" + std::to_string(run));
          WriteFile(LocalPath(i), new_[i], false);
        }
        break;
      case Operation::kAdd:
        fs::remove(CacheFilePath("127.0.0.1", "alice"));
        for (int i = 0; i < kFiles; ++i) {
          if (db().FileExists(ServerPath(i))) {
            ASSERT_TRUE(db().DeleteItem(Actor("alice"), ServerPath(i), true).ok());
          }
          old_[i] = new_[i] = Content(i, "local");
          WriteFile(LocalPath(i), new_[i], false);
        }
        break;
    }
  }

  // The server's latest content of file i, or nothing when it has none.
  std::optional<std::string> StoredContent(int i) {
    server::VersionInfo info;
    if (!db().FileExists(ServerPath(i)) || !db().LatestVersion(ServerPath(i), &info).ok()) {
      return std::nullopt;
    }
    std::string body;
    EXPECT_TRUE(db().ReadBody(info.record_id, server::Eol::kLf, &body).ok());
    return body;
  }

  // The checks after one run; `outcome` is the operation's own report.
  void CheckAfterRun(const SetOutcome& outcome) {
    std::vector<std::string> expected;
    for (int i = 0; i < kFiles; ++i) expected.push_back(LocalPath(i));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(folder_), expected) << "a temporary left in the working folder";
    EXPECT_EQ(FilesBelow(temp_folder_), std::vector<std::string>{})
        << "a temporary left in the temporary folder";
    const bool whole_report = outcome.items.size() == static_cast<size_t>(kFiles);

    for (int i = 0; i < kFiles; ++i) {
      SCOPED_TRACE(ServerPath(i));
      const std::string local = ReadFile(LocalPath(i));
      const bool is_new = local == new_[i];
      // An empty file is both.
      const bool changed = is_new && local != old_[i];
      ASSERT_TRUE(is_new || local == old_[i])
          << "a partial working file of " << local.size() << " bytes";
      // An item's result says what happened to it only when the operation
      // as a whole succeeded: items it never reached keep "Completed".
      const bool reported_ok = whole_report && outcome.result == 0 && outcome.items[i].first == 0;
      const bool stores =
          GetParam().operation == Operation::kCheckIn || GetParam().operation == Operation::kAdd;
      const std::optional<std::string> stored = stores ? StoredContent(i) : std::nullopt;
      switch (GetParam().operation) {
        case Operation::kGet:
          EXPECT_TRUE(!reported_ok || is_new) << "reported as got, old content";
          break;
        case Operation::kCheckOut: {
          std::vector<std::string> holders;
          ASSERT_TRUE(db().CheckoutHolders(ServerPath(i), &holders).ok());
          const bool held = holders == std::vector<std::string>{"alice"};
          EXPECT_TRUE(held || holders.empty());
          EXPECT_TRUE(!reported_ok || (is_new && held)) << "reported as checked out";
          EXPECT_TRUE(!changed || held) << "the new content landed without the check-out";
          break;
        }
        case Operation::kCheckIn:
          ASSERT_TRUE(stored.has_value());
          EXPECT_TRUE(*stored == stored_[i] || *stored == new_[i])
              << "stored content of " << stored->size() << " bytes is neither version";
          EXPECT_TRUE(!reported_ok || *stored == new_[i]) << "reported as checked in";
          stored_[i] = *stored;
          break;
        case Operation::kAdd:
          if (stored.has_value()) {
            EXPECT_EQ(*stored, new_[i]) << "an added file without its whole content";
          } else {
            EXPECT_FALSE(reported_ok) << "reported as added, absent";
          }
          break;
      }
    }

    CacheStore cache;
    ASSERT_TRUE(cache.Open("127.0.0.1", "Main", "alice").ok());
    const CacheResult loaded = cache.Load();
    EXPECT_TRUE(loaded.ok()) << loaded.description;
    // Nothing but the cache file and its lock file: no half-written copy.
    for (const std::string& file : FilesBelow(cache.folder())) {
      const std::string extension = fs::path(file).extension().string();
      EXPECT_TRUE(extension == kCacheFileExtension || extension == kCacheLockSuffix) << file;
    }

    const std::string store = data_directory_ + "/Main" + server::kDatabaseFileExtension;
    EXPECT_EQ(CheckStoreFile(store), "ok");

    // The next request reconnects when it must, and is answered.
    LONG count = -1;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    LONG result = -1;
    EXPECT_EQ(
        (*client_)->GetFileCountInProject(Text("$/P"), &count, &canceled, &description, &result),
        S_OK);
    EXPECT_EQ(result, 0) << TakeText(description);
    if (description != nullptr) SysFreeString(description);
    int32_t files = 0;
    ASSERT_TRUE(db().FileCount("$/P", &files).ok());
    EXPECT_EQ(count, files);
  }

  // The frames cut, by the sweep's connection kind and shard.
  std::vector<int64_t> FramesToCut(int64_t total) const {
    const Sweep& sweep = GetParam();
    std::vector<int64_t> all;
    // Every frame of the main connection; on the transfer connections every
    // frame up to a bound (the requests and the first messages of each
    // batch), then every stride-th, and the last.
    const int64_t stride = sweep.kind == ConnectionKind::kMain ? 1 : TransferStride();
    for (int64_t n = 1; n <= total; ++n) {
      if (n <= kTransferEveryFrameUpTo || n == total ||
          (n - kTransferEveryFrameUpTo) % stride == 0) {
        all.push_back(n);
      }
    }
    std::vector<int64_t> mine;
    for (size_t k = 0; k < all.size(); ++k) {
      if (static_cast<int>(k % sweep.shards) == sweep.shard) mine.push_back(all[k]);
    }
    return mine;
  }

  std::string folder_;
  std::string temp_folder_;
  std::unique_ptr<SdkClient> client_;
  // Per file: the content before the operation and the one it brings.
  std::vector<std::string> old_ = std::vector<std::string>(kFiles);
  std::vector<std::string> new_ = std::vector<std::string>(kFiles);
  // The server's latest content as last seen.
  std::vector<std::string> stored_;
};

TEST_P(KillAtFrameTest, EveryFileAndChangeIsWholeAndTheClientRecovers) {
  const ConnectionKind kind = GetParam().kind;
  int run = 0;
  Prepare(++run);
  server_->ResetFrameCounts();
  const SetOutcome clean = Run();
  ASSERT_EQ(clean.result, 0) << clean.description;
  const int64_t total = server_->FrameCount(kind);
  ASSERT_GT(total, 0);
  CheckAfterRun(clean);
  for (int i = 0; i < kFiles; ++i) ASSERT_EQ(ReadFile(LocalPath(i)), new_[i]);

  const std::vector<int64_t> frames = FramesToCut(total);
  int failed_runs = 0;
  for (const int64_t frame : frames) {
    SCOPED_TRACE("frame " + std::to_string(frame) + " of " + std::to_string(total));
    Prepare(++run);
    server_->ResetFrameCounts();
    server::FaultHooks hooks;
    (kind == ConnectionKind::kMain ? hooks.cut_main_at_frame : hooks.cut_transfer_at_frame) = frame;
    server_->SetFaultHooks(hooks);
    const SetOutcome outcome = Run();
    // The cut took place: the run reached its frame.
    EXPECT_GE(server_->FrameCount(kind), frame);
    server_->SetFaultHooks({});
    bool failed = outcome.result != 0;
    for (const auto& item : outcome.items) failed = failed || item.first != 0;
    failed_runs += failed ? 1 : 0;
    CheckAfterRun(outcome);
    if (HasFatalFailure()) return;
  }
  // Cuts that never cost the operation anything would have tested nothing.
  EXPECT_GT(failed_runs, 0);

  // Afterwards the operation goes through whole.
  Prepare(++run);
  const SetOutcome again = Run();
  ASSERT_EQ(again.result, 0) << again.description;
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFile(LocalPath(i)), new_[i]);
  RecordProperty("runs", static_cast<int>(frames.size()));
  RecordProperty("frames", static_cast<int>(total));
}

std::vector<Sweep> Sweeps() {
  std::vector<Sweep> sweeps;
  for (Operation operation :
       {Operation::kGet, Operation::kCheckOut, Operation::kCheckIn, Operation::kAdd}) {
    sweeps.push_back({operation, ConnectionKind::kMain, 0, 1});
    for (int shard = 0; shard < kTransferShards; ++shard) {
      sweeps.push_back({operation, ConnectionKind::kTransfer, shard, kTransferShards});
    }
  }
  return sweeps;
}

std::string SweepName(const ::testing::TestParamInfo<Sweep>& info) {
  const Sweep& sweep = info.param;
  std::string name = OperationName(sweep.operation);
  if (sweep.kind == ConnectionKind::kMain) return name + "Main";
  return name + "Transfer" + std::to_string(sweep.shard + 1) + "of" + std::to_string(sweep.shards);
}

INSTANTIATE_TEST_SUITE_P(Sweeps, KillAtFrameTest, ::testing::ValuesIn(Sweeps()), SweepName);

}  // namespace
}  // namespace qorv::integration
