// Failures of the disk as the file layer and the working-folder primitives
// report them: the codes and texts callers see, and what is left on disk.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "local/file_digest.h"
#include "local/file_layer.h"
#include "local/qor_exception.h"
#include "local/working_folder.h"
#include "qorvsdk/result_codes.h"
#include "support/fault_file_system.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

using testing::FaultFileSystem;
using testing::FileStep;
using testing::ReadTextFile;
using testing::ScopedTempFolder;
using testing::WriteTextFile;

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Writes `size` bytes in pieces of 4096 through a replacement of `path` and
// commits it; the code of the CQORException raised, or 0.
int32_t ReplaceWith(FileLayer& layer, const std::string& path, size_t size,
                    std::string* message = nullptr) {
  try {
    FileLayer::Replacement replacement = layer.BeginReplacement(path);
    std::string piece(4096, 'x');
    for (size_t done = 0; done < size; done += piece.size()) {
      replacement.Write(piece.data(), std::min(piece.size(), size - done));
    }
    replacement.Commit();
    return kFileErrorNone;
  } catch (const CQORException& error) {
    if (message != nullptr) *message = error.message();
    return error.code();
  }
}

TEST(FileReplacementTest, ReplacesWholeAndLeavesNothingBeside) {
  ScopedTempFolder temp;
  FileLayer layer;
  const std::string path = temp.Child("file.c");
  WriteTextFile(path, "old");
  layer.SetAttributes(path, platform::kAttributeReadOnly);
  ASSERT_EQ(ReplaceWith(layer, path, 10000), kFileErrorNone);
  EXPECT_EQ(ReadTextFile(path), std::string(10000, 'x'));
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});

  // Dropped before the commit: the old file stays and the temporary goes.
  {
    FileLayer::Replacement dropped = layer.BeginReplacement(path);
    dropped.Write("new", 3);
    EXPECT_TRUE(std::filesystem::exists(dropped.temporary_path()));
    EXPECT_EQ(std::filesystem::path(dropped.temporary_path()).parent_path(),
              std::filesystem::path(temp.path()));
  }
  EXPECT_EQ(ReadTextFile(path), std::string(10000, 'x'));
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});
}

TEST(FileReplacementTest, FullDiskPartWayIsDiskFullAndKeepsTheOldFile) {
  ScopedTempFolder temp;
  FaultFileSystem disk;
  FileLayer layer(disk);
  const std::string path = temp.Child("file.c");
  WriteTextFile(path, "old");
  disk.FailWritesAfter(10000, ENOSPC);
  std::string message;
  EXPECT_EQ(ReplaceWith(layer, path, 20000, &message), kFileErrorDiskFull);
  EXPECT_EQ(message, "There is not enough space on the disk File: " + path);
  EXPECT_EQ(ReadTextFile(path), "old");
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});
  EXPECT_EQ(disk.Calls(FileStep::kRename), 0);

  // A new file that does not fit leaves nothing at all.
  disk.FailWritesAfter(0, ENOSPC);
  EXPECT_EQ(ReplaceWith(layer, temp.Child("new.c"), 1), kFileErrorDiskFull);
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});
}

TEST(FileReplacementTest, ShortWriteOnTheNthCallLeavesNoHalfFile) {
  ScopedTempFolder temp;
  FaultFileSystem disk;
  FileLayer layer(disk);
  const std::string path = temp.Child("new.c");
  disk.FailCall(FileStep::kWrite, EIO, 3);
  EXPECT_EQ(ReplaceWith(layer, path, 5 * 4096), kFileErrorBadSeek);
  EXPECT_EQ(disk.Calls(FileStep::kWrite), 3);
  EXPECT_TRUE(NamesIn(temp.path()).empty());

  // A close that fails (the last bytes could not be flushed) is no commit.
  disk.FailCall(FileStep::kClose, ENOSPC);
  EXPECT_EQ(ReplaceWith(layer, path, 100), kFileErrorDiskFull);
  EXPECT_TRUE(NamesIn(temp.path()).empty());
}

TEST(FileReplacementTest, SharingViolationsAreReportedAs110) {
  ScopedTempFolder temp;
  FaultFileSystem disk;
  FileLayer layer(disk);
  const std::string path = temp.Child("file.c");
  WriteTextFile(path, "old");

  // The target is held by someone else at the moment of the rename.
  disk.FailCall(FileStep::kRename, EBUSY);
  std::string message;
  EXPECT_EQ(ReplaceWith(layer, path, 100, &message), kFileErrorSharingViolation);
  EXPECT_EQ(message,
            "The process cannot access the file because it is being used by another process "
            "File: " +
                path);
  EXPECT_EQ(ReadTextFile(path), "old");
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});

  // The temporary file cannot be had exclusively.
  disk.FailCall(FileStep::kOpen, EWOULDBLOCK);
  EXPECT_EQ(ReplaceWith(layer, path, 100), kFileErrorSharingViolation);
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});

  // A read-only target that cannot be made writable is access denied, and
  // the temporary goes too.
  layer.SetAttributes(path, platform::kAttributeReadOnly);
  disk.FailCall(FileStep::kSetAttributes, EPERM);
  EXPECT_EQ(ReplaceWith(layer, path, 100), kFileErrorAccessDenied);
  EXPECT_EQ(ReadTextFile(path), "old");
  EXPECT_EQ(NamesIn(temp.path()), std::set<std::string>{"file.c"});
}

TEST(FileLayerFaultTest, CopyAndMoveNameThePathThatFailed) {
  ScopedTempFolder temp;
  FaultFileSystem disk;
  FileLayer layer(disk);
  const std::string from = temp.Child("from");
  const std::string to = temp.Child("to");
  WriteTextFile(from, "bytes");
  disk.FailCall(FileStep::kCopy, ENOSPC);
  try {
    layer.Copy(from, to);
    FAIL() << "no exception";
  } catch (const CQORException& error) {
    // The source is readable, so the failure belongs to the target.
    EXPECT_EQ(error.code(), kFileErrorDiskFull);
    EXPECT_TRUE(error.message().ends_with(" File: " + to));
  }
  disk.FailCall(FileStep::kMove, EBUSY);
  try {
    layer.Move(from, to);
    FAIL() << "no exception";
  } catch (const CQORException& error) {
    EXPECT_EQ(error.code(), kFileErrorSharingViolation);
    EXPECT_TRUE(error.message().ends_with(" File: " + from));
  }
  EXPECT_EQ(ReadTextFile(from), "bytes");
}

TEST(WorkingFolderFaultTest, PrimitivesOnTheSharedLayerMeetAFailingDisk) {
  ScopedTempFolder temp;
  const std::string file = temp.Child("file.c");
  WriteTextFile(file, "content");
  {
    FaultFileSystem disk;
    FileLayer::ScopedFileSystem scoped(FileLayer::Shared(), disk);

    // Creating a folder path reports 30007 when a folder cannot be made.
    disk.FailCall(FileStep::kCreateFolder, ENOSPC, 2);
    EXPECT_EQ(CreateFolderPath(temp.Child("a/b/c")), kResultCreateFolderFailed);
    EXPECT_TRUE(IsDirectory(temp.Child("a")));
    EXPECT_FALSE(PathExists(temp.Child("a/b")));

    // Deleting a file another process holds is ignored: the file stays.
    disk.FailCall(FileStep::kDelete, EBUSY);
    DeleteLocalFile(file);
    EXPECT_TRUE(PathExists(file));

    // Setting the file time fails quietly and leaves the time.
    const platform::FileTime before = FileLayer::Shared().GetLastWriteTime(file);
    disk.FailCall(FileStep::kSetLastWriteTime, EACCES);
    SetFileTime(file, before - 10000000ull * 3600);
    EXPECT_EQ(FileLayer::Shared().GetLastWriteTime(file), before);

    // A read that fails gives the checksum failure with the layer's text.
    disk.FailCall(FileStep::kRead, EIO);
    FileDigest digest = DigestOfFile(file);
    EXPECT_EQ(digest.result, kResultChecksumFailed);
    EXPECT_EQ(digest.description,
              "The drive cannot locate a specific area or track on the disk File: " + file);
    EXPECT_EQ(digest.bytes, (std::array<uint8_t, 16>{}));
    EXPECT_GT(disk.Calls(FileStep::kRead), 0);
  }
  // The scope is over: the real disk again.
  EXPECT_EQ(CreateFolderPath(temp.Child("a/b/c")), kResultOk);
  DeleteLocalFile(file);
  EXPECT_FALSE(PathExists(file));
}

}  // namespace
}  // namespace qorv
