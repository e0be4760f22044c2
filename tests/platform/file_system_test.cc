#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/child_process.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/os_error.h"
#include "platform/user_folders.h"
#include "qorvsdk/result_codes.h"
#include "support/scoped_temp.h"

namespace qorv::platform {
namespace {

namespace fs = std::filesystem;
using qorv::testing::ReadTextFile;
using qorv::testing::ScopedEnvironment;
using qorv::testing::ScopedTempFolder;
using qorv::testing::WriteTextFile;

constexpr fs::perms kWriteBits =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

fs::perms PermissionsOf(const std::string& path) { return fs::status(path).permissions(); }

TEST(FileAttributesTest, ReadOnlyMeansNoWriteBitAtAll) {
  ScopedTempFolder temp;
  std::string file = temp.Child("a.txt");
  WriteTextFile(file, "x");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write);
  EXPECT_EQ(GetAttributes(file), kAttributeNormal);

  ASSERT_EQ(SetAttributes(file, kAttributeReadOnly), 0);
  EXPECT_EQ(PermissionsOf(file) & kWriteBits, fs::perms::none);
  EXPECT_EQ(GetAttributes(file), kAttributeReadOnly);

  // Clearing gives the owner (only) write permission back.
  ASSERT_EQ(SetAttributes(file, kAttributeNormal), 0);
  EXPECT_EQ(PermissionsOf(file) & kWriteBits, fs::perms::owner_write);

  // A group write bit alone already makes the file writable: clearing keeps
  // the mode as it is.
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_write);
  ASSERT_EQ(SetAttributes(file, kAttributeNormal), 0);
  EXPECT_EQ(PermissionsOf(file) & kWriteBits, fs::perms::group_write);
}

TEST(FileAttributesTest, DirectoriesAndMissingPaths) {
  ScopedTempFolder temp;
  EXPECT_EQ(GetAttributes(temp.path()) & kAttributeDirectory, kAttributeDirectory);
  EXPECT_EQ(GetAttributes(temp.Child("missing")), kInvalidAttributes);
  EXPECT_NE(SetAttributes(temp.Child("missing"), kAttributeReadOnly), 0);
}

TEST(OsErrorTest, MapsErrorNumbersToFileLayerCodes) {
  ScopedTempFolder temp;
  // A missing entry in an existing folder is a missing file; a missing folder
  // on the way is a missing path.
  EXPECT_EQ(FileLayerCodeOf(ENOENT, temp.Child("missing")), kFileErrorFileNotFound);
  EXPECT_EQ(FileLayerCodeOf(ENOENT, temp.Child("no/such/file")), kFileErrorPathNotFound);
  EXPECT_EQ(FileLayerCodeOf(ENOTDIR, "x"), kFileErrorPathNotFound);
  EXPECT_EQ(FileLayerCodeOf(EACCES, "x"), kFileErrorAccessDenied);
  EXPECT_EQ(FileLayerCodeOf(EPERM, "x"), kFileErrorAccessDenied);
  EXPECT_EQ(FileLayerCodeOf(ENOSPC, "x"), kFileErrorDiskFull);
  EXPECT_EQ(FileLayerCodeOf(EBUSY, "x"), kFileErrorSharingViolation);
  EXPECT_EQ(FileLayerCodeOf(OsErrorSharingViolation(), "x"), kFileErrorSharingViolation);
  EXPECT_EQ(FileLayerCodeOf(ENOTEMPTY, "x"), kFileErrorCannotRemoveFolder);
  EXPECT_EQ(FileLayerCodeOf(EMFILE, "x"), kFileErrorCannotOpen);
  EXPECT_EQ(FileLayerCodeOf(EINVAL, "x"), kFileErrorGeneric);
  EXPECT_EQ(FileLayerCodeOf(0, "x"), kFileErrorNone);
  EXPECT_FALSE(OsErrorText(EINVAL).empty());
}

TEST(FileTest, ExclusiveOpenExcludesAnotherOpenUntilClosed) {
  ScopedTempFolder temp;
  std::string path = temp.Child("locked");
  WriteTextFile(path, "keep me");
  File holder;
  ASSERT_EQ(File::Open(path, FileAccess::kReadWrite, FileCreation::kOpenOrCreate,
                       FileSharing::kExclusive, &holder),
            0);

  File second;
  int refused = File::Open(path, FileAccess::kWrite, FileCreation::kCreateAlways,
                           FileSharing::kExclusive, &second);
  EXPECT_EQ(FileLayerCodeOf(refused, path), kFileErrorSharingViolation);
  EXPECT_FALSE(second.is_open());
  // The refused open did not truncate the file.
  EXPECT_EQ(ReadTextFile(path), "keep me");
  // A shared open is not held up.
  File reader;
  EXPECT_EQ(File::Open(path, FileAccess::kRead, FileCreation::kOpenExisting, FileSharing::kShared,
                       &reader),
            0);

  ASSERT_EQ(holder.Close(), 0);
  EXPECT_EQ(File::Open(path, FileAccess::kWrite, FileCreation::kCreateAlways,
                       FileSharing::kExclusive, &second),
            0);
  EXPECT_EQ(ReadTextFile(path), "");
}

TEST(FileTest, ExclusiveLockHoldsAgainstAnotherProcess) {
  ScopedTempFolder temp;
  std::string path = temp.Child("locked");
  File holder;
  ASSERT_EQ(File::Open(path, FileAccess::kReadWrite, FileCreation::kOpenOrCreate,
                       FileSharing::kExclusive, &holder),
            0);
  auto try_lock = [&path] {
    File other;
    int error = File::Open(path, FileAccess::kReadWrite, FileCreation::kOpenOrCreate,
                           FileSharing::kExclusive, &other);
    return FileLayerCodeOf(error, path) == kFileErrorSharingViolation ? 7 : error;
  };
  EXPECT_EQ(RunInChildProcess(try_lock), 7);
  holder.Close();
  EXPECT_EQ(RunInChildProcess(try_lock), 0);
}

TEST(FileSystemTest, LastWriteTimeKeepsHundredNanosecondUnitsAndReadOnly) {
  ScopedTempFolder temp;
  std::string file = temp.Child("t");
  WriteTextFile(file, "x");
  ASSERT_EQ(SetAttributes(file, kAttributeReadOnly), 0);
  // 2021-06-01 00:00:00.1234567 UTC.
  const FileTime when = 132670320001234567ULL;
  ASSERT_EQ(SetLastWriteTime(file, when), 0);
  FileTime read = 0;
  ASSERT_EQ(GetLastWriteTime(file, &read), 0);
  EXPECT_EQ(read, when);
  EXPECT_EQ(GetAttributes(file), kAttributeReadOnly);
}

TEST(FileSystemTest, CopyKeepsTimeAndRefusesCopyOntoItself) {
  ScopedTempFolder temp;
  std::string from = temp.Child("from");
  std::string to = temp.Child("to");
  WriteTextFile(from, std::string(200000, 'q'));
  ASSERT_EQ(SetLastWriteTime(from, 130000000000000000ULL), 0);
  ASSERT_EQ(CopyFile(from, to), 0);
  EXPECT_EQ(ReadTextFile(to), ReadTextFile(from));
  FileTime copied = 0;
  ASSERT_EQ(GetLastWriteTime(to, &copied), 0);
  EXPECT_EQ(copied, 130000000000000000ULL);

  EXPECT_NE(CopyFile(from, from), 0);
  EXPECT_EQ(ReadTextFile(from).size(), 200000u);

  EXPECT_NE(CopyFile(temp.Child("missing"), temp.Child("new")), 0);
  EXPECT_FALSE(fs::exists(temp.Child("new")));
}

TEST(FileSystemTest, MoveListAndRemove) {
  ScopedTempFolder temp;
  ASSERT_EQ(CreateFolder(temp.Child("sub")), 0);
  EXPECT_NE(CreateFolder(temp.Child("sub")), 0);
  WriteTextFile(temp.Child("a"), "A");
  WriteTextFile(temp.Child("b"), "B");
  ASSERT_EQ(MovePath(temp.Child("a"), temp.Child("b")), 0);  // replaces
  EXPECT_EQ(ReadTextFile(temp.Child("b")), "A");
  fs::create_symlink(temp.Child("sub"), temp.Child("link"));

  std::vector<FolderEntry> entries;
  ASSERT_EQ(ListFolder(temp.path(), &entries), 0);
  ASSERT_EQ(entries.size(), 3u);
  for (const FolderEntry& entry : entries) {
    EXPECT_EQ(entry.is_directory, entry.name == "sub") << entry.name;
  }
  EXPECT_TRUE(IsSymbolicLink(temp.Child("link")));
  ASSERT_EQ(DeleteFile(temp.Child("link")), 0);
  EXPECT_TRUE(fs::exists(temp.Child("sub")));
  EXPECT_NE(DeleteFile(temp.Child("sub")), 0);
  EXPECT_EQ(RemoveFolder(temp.Child("sub")), 0);

  uint64_t size = 0;
  ASSERT_EQ(GetFileSize(temp.Child("b"), &size), 0);
  EXPECT_EQ(size, 1u);
  uint64_t free_bytes = 0;
  ASSERT_EQ(GetFreeSpace(temp.path(), &free_bytes), 0);
  EXPECT_GT(free_bytes, 0u);
}

TEST(LocalTimeTest, ConvertsWithTheZoneRulesOfTheMoment) {
  ScopedEnvironment environment;
  // Central European time without the zone database: +1 h, +2 h in summer.
  environment.Set("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  constexpr uint64_t kHour = 36000000000ULL;
  const FileTime winter = 132536448000000000ULL;  // 2021-01-01 00:00 UTC
  const FileTime summer = 132670320000000000ULL;  // 2021-06-01 00:00 UTC
  FileTime local = 0;
  ASSERT_TRUE(UtcToLocalFileTime(winter, &local));
  EXPECT_EQ(local, winter + kHour);
  ASSERT_TRUE(UtcToLocalFileTime(summer + 1234567, &local));
  EXPECT_EQ(local, summer + 2 * kHour + 1234567);
  FileTime utc = 0;
  ASSERT_TRUE(LocalToUtcFileTime(local, &utc));
  EXPECT_EQ(utc, summer + 1234567);
}

TEST(UserFoldersTest, FollowTheEnvironment) {
  ScopedEnvironment environment;
  environment.Set("HOME", "/home/someone");
  environment.Set("XDG_CONFIG_HOME", "/elsewhere/config");
  EXPECT_EQ(ProfileFolder(), "/home/someone");
  EXPECT_EQ(ApplicationDataFolder(), "/elsewhere/config");
  // A relative or empty setting does not count.
  environment.Set("XDG_CONFIG_HOME", "relative");
  EXPECT_EQ(ApplicationDataFolder(), "/home/someone/.config");
  environment.Set("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(ApplicationDataFolder(), "/home/someone/.config");
}

}  // namespace
}  // namespace qorv::platform
