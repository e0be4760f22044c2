#include "local/cache_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "local/cache_format.h"
#include "net/format_text.h"
#include "platform/child_process.h"
#include "platform/file.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;
using testing::ReadTextFile;
using testing::ScopedEnvironment;
using testing::ScopedTempFolder;
using testing::WriteTextFile;

// Every test gets its own application-data and profile folders.
class CacheStoreTest : public ::testing::Test {
 protected:
  CacheStoreTest() {
    environment_.Set("XDG_CACHE_HOME", temp_.Child("cache"));
    environment_.Set("XDG_CONFIG_HOME", temp_.Child("config"));
    environment_.Set("HOME", temp_.Child("home"));
  }

  // A store opened for the same cache, with quick retries.
  CacheResult OpenStore(CacheStore* store, int attempts = 3, uint32_t interval_ms = 10) {
    return store->Open("srv", "db", "user", attempts, interval_ms);
  }

  std::string CacheFolder() const { return temp_.Child("cache/Brastovik/Quorvane for VSS"); }
  std::string CacheFile() const { return CacheFolder() + "/srv__db_user.qor"; }

  ScopedTempFolder temp_;
  ScopedEnvironment environment_;
};

TEST_F(CacheStoreTest, LocationAndName) {
  CacheStore store;
  ASSERT_TRUE(store.Open("host:1", "db", "a/b").ok());
  EXPECT_EQ(store.folder(), CacheFolder());
  EXPECT_EQ(store.file_path(), CacheFolder() + "/host:1__db_a_b.qor");
  EXPECT_EQ(store.old_file_paths(),
            (std::vector<std::string>{
                temp_.Child("config/Brastovik/Quorvane for VSS/host:1__db_a_b.qor"),
                temp_.Child("home/Brastovik/Quorvane for VSS/host:1__db_a_b.qor")}));

  CacheStore closed;
  EXPECT_EQ(closed.Lock().description, "Invalid parameter on Lock()");
  environment_.Set("HOME", "/" + std::string(300, 'h'));
  CacheResult too_long = closed.Open("srv", "db", "user");
  EXPECT_FALSE(too_long.ok());
  EXPECT_TRUE(too_long.description.starts_with("The length of local cache directory \"/hhh"));
  EXPECT_FALSE(closed.is_open());
}

TEST_F(CacheStoreTest, SavedCacheReadsBackInAnotherStore) {
  CacheStore writer;
  ASSERT_TRUE(OpenStore(&writer).ok());
  ASSERT_TRUE(writer.Update().ok());
  EXPECT_TRUE(fs::is_directory(CacheFolder()));
  writer.model().EnsureProject("$/A/B")->set_cloaked(true);
  writer.model().SetWorkingFolder("$/A", "/w/a");
  writer.model().set_current_project("$/A/B");
  CacheFileEntry entry;
  entry.version = 4;
  writer.model().PutFile("$/A/x.c", entry);
  ASSERT_TRUE(writer.SaveAndRelease().ok());
  EXPECT_FALSE(fs::exists(CacheFile() + ".tmp"));

  CacheStore reader;
  ASSERT_TRUE(OpenStore(&reader).ok());
  ASSERT_TRUE(reader.Update().ok());
  EXPECT_EQ(reader.model().current_project(), "$/A/B");
  EXPECT_TRUE(reader.model().FindProject("$/A/B")->cloaked());
  EXPECT_EQ(reader.model().WorkingFolderOf("$/A/B/C").path, "/w/a/B/C");
  EXPECT_EQ(reader.model().FindFile("$/A/x.c")->version, 4);
  reader.Unlock();
}

TEST_F(CacheStoreTest, ReloadsOnlyWhenAnotherWriterChangedTheFile) {
  CacheStore first;
  CacheStore second;
  ASSERT_TRUE(OpenStore(&first).ok());
  ASSERT_TRUE(OpenStore(&second).ok());
  ASSERT_TRUE(first.Update().ok());
  first.model().EnsureProject("$/One");
  ASSERT_TRUE(first.SaveAndRelease().ok());

  // Unchanged file: the model in memory stays, even with unsaved edits.
  first.model().EnsureProject("$/Unsaved")->marks().first = true;
  ASSERT_TRUE(first.Load().ok());
  EXPECT_NE(first.model().FindProject("$/Unsaved"), nullptr);

  ASSERT_TRUE(second.Update().ok());
  second.model().EnsureProject("$/Two");
  second.model().EnsureProject("$/Unsaved");
  second.model().set_current_project("$/Two");
  ASSERT_TRUE(second.SaveAndRelease().ok());

  // Changed file: read again; this process's marks and current project stay.
  first.model().set_current_project("$/One");
  ASSERT_TRUE(first.Update().ok());
  EXPECT_NE(first.model().FindProject("$/Two"), nullptr);
  EXPECT_TRUE(first.model().FindProject("$/Unsaved")->marks().first);
  EXPECT_EQ(first.model().current_project(), "$/One");
  first.Unlock();
}

TEST_F(CacheStoreTest, AWrongVersionIsRefusedAndTheFileKeptAside) {
  fs::create_directories(CacheFolder());
  const std::string old_text = "$$$Version: 5.0\n$/\n\n$/\n0\n\n\n";
  WriteTextFile(CacheFile(), old_text);

  CacheStore store;
  ASSERT_TRUE(OpenStore(&store).ok());
  ASSERT_TRUE(store.Lock().ok());
  CacheResult loaded = store.Load();
  EXPECT_EQ(loaded.result, kResultCacheUpdateFailed);
  EXPECT_EQ(loaded.description, "Wrong directory cache file format");
  store.Unlock();

  CacheResult updated = store.Update();
  EXPECT_EQ(updated.result, kResultCacheUpdateFailed);
  EXPECT_EQ(updated.description, "Failed to update cache file. Please try again later");
  EXPECT_FALSE(store.is_locked());
  // The unreadable file is kept as it was; a readable one took its place.
  EXPECT_EQ(ReadTextFile(CacheFile() + ".unreadable-1"), old_text);
  EXPECT_TRUE(ReadTextFile(CacheFile()).starts_with("$$$Version: 5.3.1\n"));
  ASSERT_TRUE(store.Update().ok());
  store.Unlock();

  // A second unreadable file does not replace the first one kept.
  WriteTextFile(CacheFile(), "garbage\n");
  CacheStore again;
  ASSERT_TRUE(OpenStore(&again).ok());
  EXPECT_FALSE(again.Update().ok());
  EXPECT_EQ(ReadTextFile(CacheFile() + ".unreadable-1"), old_text);
  EXPECT_EQ(ReadTextFile(CacheFile() + ".unreadable-2"), "garbage\n");
}

TEST_F(CacheStoreTest, AHeldLockIsRetriedThenRefused) {
  CacheStore store;
  ASSERT_TRUE(OpenStore(&store, 3, 10).ok());
  fs::create_directories(CacheFolder());
  platform::File holder;
  ASSERT_EQ(platform::File::Open(CacheFile() + ".lock", platform::FileAccess::kReadWrite,
                                 platform::FileCreation::kOpenOrCreate,
                                 platform::FileSharing::kExclusive, &holder),
            0);
  CacheResult refused = store.Update();
  EXPECT_EQ(refused.result, kResultCacheUpdateFailed);
  EXPECT_EQ(refused.description, "Failed to update cache file. Please try again later");
  EXPECT_FALSE(refused.unwritable);
  EXPECT_FALSE(store.is_locked());

  // A canceled wait gives up at once, long before its bound.
  CacheStore canceled;
  ASSERT_TRUE(OpenStore(&canceled, 1000, 100).ok());
  std::atomic<int32_t> cancel{1};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(canceled.Lock(&cancel).description,
            "Failed to update cache file. Please try again later");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // Released while the store is still retrying: a later attempt succeeds.
  CacheStore patient;
  ASSERT_TRUE(OpenStore(&patient, 100, 10).ok());
  std::thread releaser([&holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    holder.Close();
  });
  CacheResult waited = patient.Lock();
  releaser.join();
  EXPECT_TRUE(waited.ok()) << waited.description;
  EXPECT_TRUE(patient.is_locked());
  patient.Unlock();
}

TEST_F(CacheStoreTest, TwoProcessesUpdatingInTurnLoseNothing) {
  constexpr int kRounds = 20;
  // Strict turns: each process writes its entry i only once it sees the
  // other's entry before it in the shared cache, so the two really alternate
  // and each must pick up the other's saves.
  auto work = [this](const std::string& mine, const std::string& theirs, bool first) {
    CacheStore store;
    if (!OpenStore(&store, 1000, 5).ok()) return 1;
    for (int i = 0; i < kRounds; ++i) {
      int waiting = first ? i - 1 : i;
      for (int tries = 0;; ++tries) {
        if (tries == 5000) return 4;
        if (!store.Update().ok()) return 2;
        if (waiting < 0 ||
            store.model().FindFile("$/Shared/" + theirs + std::to_string(waiting)) != nullptr) {
          CacheFileEntry entry;
          entry.version = i;
          store.model().PutFile("$/Shared/" + mine + std::to_string(i), entry);
          if (!store.SaveAndRelease().ok()) return 3;
          break;
        }
        store.Unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return 0;
  };
  int64_t child = platform::StartChildProcess([&work] { return work("child", "parent", true); });
  ASSERT_GT(child, 0);
  int parent_result = work("parent", "child", false);
  EXPECT_EQ(platform::WaitForChildProcess(child), 0);
  EXPECT_EQ(parent_result, 0);

  CacheStore check;
  ASSERT_TRUE(OpenStore(&check).ok());
  ASSERT_TRUE(check.Update().ok());
  CacheNode* shared = check.model().FindProject("$/Shared");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->files().size(), 2u * kRounds);
  check.Unlock();
}

// Four processes, 250 mixed operations each, on one cache: adds, changes
// and removals of their own entries, local copies all added to one shared
// entry, read-only loads and locks released without a save. A lock that is
// only busy must never end an operation with 30025, however long the other
// three keep it changing hands; the per-hold bound (10 x 50 ms) is shorter
// than the queue of four that forms behind a save, so the wait must follow
// the hand-overs. No update may be lost.
TEST_F(CacheStoreTest, FourProcessesSharingTheCacheLoseNoUpdateAndNeverGiveUpWhileBusy) {
  constexpr int kProcesses = 4;
  constexpr int kOperations = 250;
  auto own = [](int process, int i) {
    return "$/Shared/p" + std::to_string(process) + "_" + std::to_string(i);
  };
  auto copy = [](int process, int i) {
    return "/w/p" + std::to_string(process) + "_" + std::to_string(i);
  };
  // The child's exit code: 0 done, 1 a busy lock refused, 2 a save failed,
  // 3 a load failed, 4 an earlier update of this process lost.
  auto work = [&](int process) {
    CacheStore store;
    if (!OpenStore(&store, 10, 50).ok()) return 10;
    for (int i = 0; i < kOperations; ++i) {
      const int kind = i % 5;
      if (kind == 3) {  // a read without the lock
        if (!store.Load().ok()) return 3;
        if (i >= 2) {
          const CacheFileEntry* common = store.model().FindFile("$/Common/f");
          if (common == nullptr || common->FindLocalCopy(copy(process, i - 1)) == nullptr) return 4;
        }
        continue;
      }
      const CacheResult updated = store.Update();
      if (!updated.ok()) return updated.result == kResultCacheUpdateFailed ? 1 : 3;
      CacheModel& model = store.model();
      if (kind == 0) {
        CacheFileEntry entry;
        entry.version = i;
        model.PutFile(own(process, i), entry);
      } else if (kind == 1) {
        CacheFileEntry* added = model.FindFile(own(process, i - 1));
        if (added == nullptr) return 4;
        added->version = 1000 + i;
      } else if (kind == 2) {
        CacheFileEntry* common = model.FindFile("$/Common/f");
        if (common == nullptr) common = model.PutFile("$/Common/f", CacheFileEntry());
        common->SetLocalCopy(copy(process, i), i, CacheDate());
      } else if ((i / 5) % 2 == 1) {  // kind 4: every other add removed again
        if (!model.RemoveFile(own(process, i - 4))) return 4;
      } else {  // kind 4: the lock taken and left, as a query that changed nothing
        store.Unlock();
        continue;
      }
      if (!store.SaveAndRelease().ok()) return 2;
    }
    return 0;
  };
  std::vector<int64_t> children;
  for (int process = 0; process < kProcesses; ++process) {
    children.push_back(platform::StartChildProcess([&work, process] { return work(process); }));
    ASSERT_GT(children.back(), 0);
  }
  for (int process = 0; process < kProcesses; ++process) {
    EXPECT_EQ(platform::WaitForChildProcess(children[process]), 0) << "process " << process;
  }

  CacheStore check;
  ASSERT_TRUE(OpenStore(&check).ok());
  ASSERT_TRUE(check.Load().ok());
  const CacheFileEntry* common = check.model().FindFile("$/Common/f");
  ASSERT_NE(common, nullptr);
  EXPECT_EQ(common->local_copies.size(), static_cast<size_t>(kProcesses * kOperations / 5));
  size_t own_entries = 0;
  for (int process = 0; process < kProcesses; ++process) {
    for (int i = 0; i < kOperations; i += 5) {
      SCOPED_TRACE(own(process, i));
      EXPECT_NE(common->FindLocalCopy(copy(process, i + 2)), nullptr);
      const CacheFileEntry* entry = check.model().FindFile(own(process, i));
      if ((i / 5) % 2 == 1) {
        EXPECT_EQ(entry, nullptr);
        continue;
      }
      ASSERT_NE(entry, nullptr);
      EXPECT_EQ(entry->version, 1000 + i + 1);
      ++own_entries;
    }
  }
  CacheNode* shared = check.model().FindProject("$/Shared");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->files().size(), own_entries);
}

TEST_F(CacheStoreTest, AnOldPlaceIsReadOnceAndTheFirstSaveMovesIt) {
  // Both old places hold a cache; the newer one (application data) wins.
  std::string old_config = temp_.Child("config/Brastovik/Quorvane for VSS");
  std::string old_home = temp_.Child("home/Brastovik/Quorvane for VSS");
  for (const auto& [folder, project] :
       {std::pair{old_config, "$/FromConfig"}, std::pair{old_home, "$/FromHome"}}) {
    fs::create_directories(folder);
    CacheModel model;
    model.EnsureProject(project);
    WriteTextFile(folder + "/srv__db_user.qor", FormatCacheText(model));
  }

  // Read without any lock and without writing anything.
  CacheStore store;
  ASSERT_TRUE(OpenStore(&store).ok());
  ASSERT_TRUE(store.Load().ok());
  EXPECT_NE(store.model().FindProject("$/FromConfig"), nullptr);
  EXPECT_FALSE(fs::exists(CacheFolder()));

  ASSERT_TRUE(store.Update().ok());
  store.model().EnsureProject("$/Added");
  ASSERT_TRUE(store.SaveAndRelease().ok());
  EXPECT_FALSE(fs::exists(old_config + "/srv__db_user.qor"));
  EXPECT_TRUE(fs::exists(old_home + "/srv__db_user.qor"));  // never read, left alone

  CacheStore later;
  ASSERT_TRUE(OpenStore(&later).ok());
  ASSERT_TRUE(later.Load().ok());
  EXPECT_NE(later.model().FindProject("$/FromConfig"), nullptr);
  EXPECT_NE(later.model().FindProject("$/Added"), nullptr);
  EXPECT_EQ(later.model().FindProject("$/FromHome"), nullptr);
}

TEST_F(CacheStoreTest, FolderTroublesAndSavingWithoutTheLock) {
  fs::create_directories(temp_.Child("cache/Brastovik"));
  WriteTextFile(CacheFolder(), "a plain file");
  CacheStore store;
  ASSERT_TRUE(OpenStore(&store).ok());
  CacheResult in_the_way = store.Update();
  EXPECT_EQ(in_the_way.result, kResultCacheUpdateFailed);
  EXPECT_EQ(in_the_way.description,
            FormatText("A file with the same name \"%s\" exists already.", CacheFolder().c_str()));
  EXPECT_TRUE(in_the_way.unwritable);

  fs::remove(CacheFolder());
  CacheResult unlocked = store.Save();
  EXPECT_EQ(unlocked.result, kResultCacheSaveFailed);
  EXPECT_FALSE(fs::exists(CacheFile()));
  EXPECT_EQ(store.SaveAndRelease().result, kResultCacheSaveFailed);
}

}  // namespace
}  // namespace qorv
