#include "local/file_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>

#include "local/qor_exception.h"
#include "platform/os_error.h"
#include "platform/process.h"
#include "qorvsdk/result_codes.h"
#include "support/fault_file_system.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

using testing::ReadTextFile;
using testing::ScopedTempFolder;
using testing::WriteTextFile;

TEST(FileLayerTest, StripeHashFoldsCaseAndTakesBytesAsSigned) {
  // "ab": 97, then 97 * 33 + 98.
  EXPECT_EQ(FileLayer::PathHash("Ab"), 3299u);
  EXPECT_EQ(FileLayer::StripeOf("AB"), 3299u % 209);
  // U+00E9 is C3 A9: -61 * 33 - 87 modulo 2^32.
  EXPECT_EQ(FileLayer::PathHash("\xC3\xA9"), 4294965196u);
  EXPECT_EQ(FileLayer::StripeOf("\xC3\xA9"), 148u);
  EXPECT_EQ(FileLayer::StripeOf("/Work/Project/FILE.C"),
            FileLayer::StripeOf("/work/project/file.c"));
}

TEST(CQORExceptionTest, TextsAndPaths) {
  CQORException with_path = CQORException::ForCode(kFileErrorFileNotFound, "/w/x.c");
  EXPECT_EQ(with_path.code(), 101);
  EXPECT_EQ(with_path.message(), "The system cannot find the file specified File: /w/x.c");
  EXPECT_STREQ(CQORException::ForCode(kFileErrorSharingViolation).what(),
               "The process cannot access the file because it is being used by another process");
  EXPECT_EQ(CQORException::ForCode(999).message(), "General error");
  // An error without a code of its own carries the system's text.
  CQORException other = CQORException::ForOsError(EINVAL, "/p");
  EXPECT_EQ(other.code(), kFileErrorGeneric);
  EXPECT_NE(other.message(), "General error File: /p");
  EXPECT_TRUE(other.message().ends_with(" File: /p"));
}

TEST(FileLayerTest, FailuresRaiseTheMappedCodeWithThePath) {
  ScopedTempFolder temp;
  FileLayer layer;
  try {
    layer.GetLastWriteTime(temp.Child("missing"));
    FAIL() << "no exception";
  } catch (const CQORException& error) {
    EXPECT_EQ(error.code(), kFileErrorFileNotFound);
    EXPECT_TRUE(error.message().ends_with(temp.Child("missing")));
  }
  try {
    layer.ListFolder(temp.Child("no/such"));
    FAIL() << "no exception";
  } catch (const CQORException& error) {
    EXPECT_EQ(error.code(), kFileErrorPathNotFound);
  }
  EXPECT_EQ(layer.GetAttributes(temp.Child("missing")), -1);
}

TEST(FileLayerTest, ReplacingClearsReadOnlyAndCopyKeepsTargetAttributes) {
  ScopedTempFolder temp;
  FileLayer layer;
  std::string from = temp.Child("from");
  std::string to = temp.Child("to");
  WriteTextFile(from, "new");
  WriteTextFile(to, "old");
  layer.SetAttributes(to, platform::kAttributeReadOnly);
  layer.Copy(from, to);
  EXPECT_EQ(ReadTextFile(to), "new");
  EXPECT_EQ(layer.GetAttributes(to), platform::kAttributeReadOnly);

  WriteTextFile(from, "moved");
  layer.Move(from, to);
  EXPECT_EQ(ReadTextFile(to), "moved");
  EXPECT_EQ(layer.GetAttributes(from), -1);
  // Same stripe on both sides is taken once (no self-deadlock).
  WriteTextFile(from, "x");
  std::string same_stripe = temp.Child("FROM");
  ASSERT_EQ(FileLayer::StripeOf(from), FileLayer::StripeOf(same_stripe));
  layer.Copy(from, same_stripe);
  EXPECT_EQ(ReadTextFile(same_stripe), "x");
}

TEST(FileLayerTest, ConcurrentMovesAcrossStripesDoNotDeadlock) {
  ScopedTempFolder temp;
  FileLayer layer;
  std::vector<std::string> names;
  for (const char* name : {"f0", "f1", "f2", "f3", "f4", "f5", "f6", "f7"}) {
    names.push_back(temp.Child(name));
    WriteTextFile(names.back(), name);
  }
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        const std::string& a = names[(t + round) % names.size()];
        const std::string& b = names[(t + round + 3) % names.size()];
        try {
          layer.Copy(a, b);
          layer.GetAttributes(a);
        } catch (const CQORException&) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

class FakeTransferFile : public ReleasableFile {
 public:
  bool InUse() const override { return in_use; }
  void CompleteAndClose() override { ++closed; }
  bool in_use = false;
  int closed = 0;
};

TEST(ReleaseRegistryTest, ReleasesIdleFilesAndRefusesBusyOnes) {
  FileLayer layer;
  auto busy = std::make_shared<FakeTransferFile>();
  busy->in_use = true;
  layer.release_registry().Register("/W/Busy.c", busy);
  try {
    layer.ReleasePath("/w/busy.c");
    FAIL() << "no exception";
  } catch (const CQORException& error) {
    EXPECT_EQ(error.code(), kFileErrorSharingViolation);
    EXPECT_TRUE(error.message().ends_with(" File: /w/busy.c"));
  }
  EXPECT_TRUE(layer.release_registry().IsRegistered("/w/BUSY.c"));
  EXPECT_EQ(busy->closed, 0);

  busy->in_use = false;
  layer.ReleasePath("/w/busy.c");
  EXPECT_EQ(busy->closed, 1);
  EXPECT_FALSE(layer.release_registry().IsRegistered("/w/busy.c"));
  layer.ReleasePath("/w/busy.c");  // nothing registered any more
  EXPECT_EQ(busy->closed, 1);

  // Unregistering only removes the file that was registered.
  auto first = std::make_shared<FakeTransferFile>();
  auto second = std::make_shared<FakeTransferFile>();
  layer.release_registry().Register("/w/a", first);
  layer.release_registry().Unregister("/w/a", second.get());
  EXPECT_TRUE(layer.release_registry().IsRegistered("/w/a"));
  layer.release_registry().Unregister("/w/a", first.get());
  EXPECT_FALSE(layer.release_registry().IsRegistered("/w/a"));
}

// What a killed process left beside its targets goes at the next clean-up;
// the temporaries of running processes (this one's included) and names
// that only look alike stay.
TEST(FileLayerTest, StaleReplacementsOfProcessesThatEndedAreRemoved) {
  ScopedTempFolder folder;
  const std::string mine =
      folder.Child("~qorv" + std::to_string(platform::CurrentProcessId()) + "-3.tmp");
  // Above any process id the system hands out.
  const std::string dead = folder.Child("~qorv999999999-1.tmp");
  const std::vector<std::string> alike = {folder.Child("~qorv12-x.tmp"),
                                          folder.Child("~qorv-1.tmp"), folder.Child("~qorv12-.tmp"),
                                          folder.Child("~qorv999999999-1.tmpx")};
  for (const std::string& path : {mine, dead}) WriteTextFile(path, "x");
  for (const std::string& path : alike) WriteTextFile(path, "x");
  EXPECT_EQ(FileLayer::Shared().RemoveStaleReplacements(folder.path()), 1u);
  EXPECT_TRUE(std::filesystem::exists(mine));
  EXPECT_FALSE(std::filesystem::exists(dead));
  for (const std::string& path : alike) EXPECT_TRUE(std::filesystem::exists(path)) << path;
  EXPECT_EQ(FileLayer::Shared().RemoveStaleReplacements(folder.Child("missing")), 0u);
}

// A delete refused for a moment (another process holding the new file) is
// tried again, so a dropped replacement leaves no temporary; a refusal that
// lasts is given up after the retries.
TEST(FileLayerTest, ADroppedReplacementOutlastsAPassingRefusalToDelete) {
  ScopedTempFolder folder;
  testing::FaultFileSystem disk;
  FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
  std::string temporary;
  {
    FileLayer::Replacement replacement = FileLayer::Shared().BeginReplacement(folder.Child("f"));
    replacement.Write("abc", 3);
    temporary = replacement.temporary_path();
    disk.FailCall(testing::FileStep::kDelete, platform::OsErrorSharingViolation());
    disk.FailCall(testing::FileStep::kDelete, platform::OsErrorSharingViolation(), 2);
  }
  EXPECT_FALSE(std::filesystem::exists(temporary));
  EXPECT_FALSE(std::filesystem::exists(folder.Child("f")));

  WriteTextFile(folder.Child("held"), "x");
  for (int nth = 1; nth <= 5; ++nth) {
    disk.FailCall(testing::FileStep::kDelete, platform::OsErrorSharingViolation(), nth);
  }
  EXPECT_FALSE(FileLayer::Shared().DeleteTemporary(folder.Child("held")));
  EXPECT_TRUE(std::filesystem::exists(folder.Child("held")));
  EXPECT_TRUE(FileLayer::Shared().DeleteTemporary(folder.Child("held")));
  EXPECT_TRUE(FileLayer::Shared().DeleteTemporary(folder.Child("never there")));
}

}  // namespace
}  // namespace qorv
