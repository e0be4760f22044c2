#include "local/working_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "local/file_digest.h"
#include "local/qor_exception.h"
#include "net/md5.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "qorvsdk/result_codes.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnvironment;
using testing::ScopedTempFolder;
using testing::WriteTextFile;

std::string Hex(const std::array<uint8_t, 16>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(WorkingFolderTest, AttributeQueriesNeverFail) {
  ScopedTempFolder temp;
  std::string file = temp.Child("f");
  WriteTextFile(file, "x");
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(IsDirectory(file));
  EXPECT_TRUE(IsDirectory(temp.path()));
  EXPECT_FALSE(PathExists(temp.Child("missing")));
  EXPECT_FALSE(IsReadOnly(temp.Child("missing")));
  SetReadOnly(temp.Child("missing"), true);  // ignored

  SetReadOnlyAfterGet(file, /*make_writable=*/false, /*checked_out_by_user=*/false);
  EXPECT_TRUE(IsReadOnly(file));
  SetReadOnlyAfterGet(file, false, true);
  EXPECT_FALSE(IsReadOnly(file));
  SetReadOnlyAfterGet(file, false, false);
  SetReadOnlyAfterGet(file, true, false);
  EXPECT_FALSE(IsReadOnly(file));
}

TEST(WorkingFolderTest, SettingTheTimeOfAReadOnlyFileKeepsItReadOnly) {
  ScopedTempFolder temp;
  std::string file = temp.Child("ro.txt");
  WriteTextFile(file, "content");
  SetReadOnly(file, true);
  const FileTime when = 132670320000000000ULL;  // 2021-06-01 00:00 UTC
  SetFileTime(file, when);
  FileTime read = 0;
  ASSERT_EQ(platform::GetLastWriteTime(file, &read), 0);
  EXPECT_EQ(read, when);
  EXPECT_TRUE(IsReadOnly(file));
}

TEST(WorkingFolderTest, FileTimesAsLocalDates) {
  ScopedEnvironment environment;
  environment.Set("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  ScopedTempFolder temp;
  std::string file = temp.Child("t");
  WriteTextFile(file, "x");

  // Modification time 2021-06-01 14:30:15.250 local is 12:30:15.250 UTC.
  CalendarTime local{2021, 6, 1, 14, 30, 15, 250};
  DATE modification = 0;
  ASSERT_TRUE(CalendarToDate(local, &modification));
  DATE check_in = modification - 1;
  DATE set = ChooseFileTime(file, kLocalFileTimeModification, modification, check_in);
  EXPECT_EQ(set, modification);
  EXPECT_EQ(LastWriteDate(file), modification);
  FileTime utc = 0;
  ASSERT_EQ(platform::GetLastWriteTime(file, &utc), 0);
  EXPECT_EQ(FileTimeToCalendar(utc).hour, 12);

  EXPECT_EQ(ChooseFileTime(file, kLocalFileTimeCheckIn, modification, check_in), check_in);
  EXPECT_EQ(ChooseFileTime(file, 17, modification, check_in), modification);
  DATE before = FileTimeToLocalDate(platform::CurrentFileTime());
  DATE now = ChooseFileTime(file, kLocalFileTimeCurrent, modification, check_in);
  EXPECT_GE(now, before);
  EXPECT_LT(now - before, 1.0 / 24);
  // An invalid date falls back to the current time rather than failing.
  DATE fallback = ChooseFileTime(file, kLocalFileTimeModification, 1e12, check_in);
  EXPECT_GE(fallback, before);
}

TEST(WorkingFolderTest, ReadingTheTimeOfAMissingFileRaisesNotFound) {
  ScopedTempFolder temp;
  try {
    LastWriteDate(temp.Child("missing"));
    FAIL() << "no exception";
  } catch (const CQORException& error) {
    EXPECT_EQ(error.code(), kFileErrorFileNotFound);
  }
  SetFileTime(temp.Child("missing"), 1);  // swallowed
}

TEST(WorkingFolderTest, CreateFolderPathCreatesEveryMissingLevel) {
  ScopedTempFolder temp;
  fs::create_directory(temp.Child("a"));
  std::string deep = temp.Child("a/b/c");
  EXPECT_EQ(CreateFolderPath(deep), kResultOk);
  EXPECT_TRUE(fs::is_directory(temp.Child("a/b")));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_EQ(CreateFolderPath(deep), kResultOk);  // already there

  // A file in the way: the folder cannot exist afterwards.
  WriteTextFile(temp.Child("plain"), "x");
  EXPECT_EQ(CreateFolderPath(temp.Child("plain/sub")), kResultCreateFolderFailed);
  EXPECT_EQ(CreateFolderPath(temp.Child("plain")), kResultCreateFolderFailed);
}

TEST(WorkingFolderTest, DeleteFolderTreeRemovesContentButNeverFollowsLinks) {
  ScopedTempFolder temp;
  fs::create_directories(temp.Child("tree/sub/deeper"));
  fs::create_directories(temp.Child("outside"));
  WriteTextFile(temp.Child("outside/keep.txt"), "keep");
  WriteTextFile(temp.Child("tree/a.txt"), "a");
  WriteTextFile(temp.Child("tree/sub/deeper/b.txt"), "b");
  SetReadOnly(temp.Child("tree/sub/deeper/b.txt"), true);
  fs::create_directory_symlink(temp.Child("outside"), temp.Child("tree/sub/link"));

  EXPECT_TRUE(DeleteFolderTree(temp.Child("tree")));
  EXPECT_FALSE(fs::exists(temp.Child("tree")));
  EXPECT_TRUE(fs::exists(temp.Child("outside/keep.txt")));

  // A link given as the folder itself goes alone.
  fs::create_directory_symlink(temp.Child("outside"), temp.Child("link2"));
  EXPECT_TRUE(DeleteFolderTree(temp.Child("link2")));
  EXPECT_TRUE(fs::exists(temp.Child("outside/keep.txt")));

  DeleteLocalFile(temp.Child("outside/keep.txt"));
  EXPECT_FALSE(fs::exists(temp.Child("outside/keep.txt")));
}

TEST(WorkingFolderTest, TemporaryFileNamesAreValidFileNames) {
  std::string name = TemporaryFileName("/tmp/work", "CheckinMergeFile17");
  std::regex form(R"(/tmp/work/~_~_~_CheckinMergeFile17QorHighLevel\d{12}\d+\d+Q2O3R~_\.tmp)");
  EXPECT_TRUE(std::regex_match(name, form)) << name;
  EXPECT_EQ(TemporaryFileName("/tmp/work/", "x").find("//"), std::string::npos);
}

TEST(FileDigestTest, DigestsEmptyAndMultiPieceFiles) {
  ScopedTempFolder temp;
  std::string empty = temp.Child("empty");
  WriteTextFile(empty, "");
  FileDigest digest = DigestOfFile(empty);
  ASSERT_TRUE(digest.ok());
  EXPECT_EQ(Hex(digest.bytes), "d41d8cd98f00b204e9800998ecf8427e");

  // Pieces: exactly one full piece, then a short one; the whole is fed in order.
  std::string big = temp.Child("big");
  std::string content(kDigestPieceSize + 10, 'a');
  content[kDigestPieceSize] = 'b';
  WriteTextFile(big, content);
  std::vector<size_t> sizes;
  std::string fed;
  ReadFileInPieces(big, [&](const uint8_t* data, size_t size) {
    sizes.push_back(size);
    fed.append(reinterpret_cast<const char*>(data), size);
  });
  EXPECT_EQ(sizes, (std::vector<size_t>{kDigestPieceSize, 10}));
  EXPECT_EQ(fed, content);
  FileDigest whole = DigestOfFile(big);
  Md5 direct;
  direct.Update(content.data(), content.size());
  std::array<uint8_t, 16> expected{};
  direct.Final(expected.data());
  EXPECT_EQ(whole.bytes, expected);
}

TEST(FileDigestTest, MissingFileKeepsTheFileLayerText) {
  ScopedTempFolder temp;
  FileDigest digest = DigestOfFile(temp.Child("missing"));
  EXPECT_EQ(digest.result, kResultChecksumFailed);
  EXPECT_TRUE(digest.description.starts_with("The system cannot find the file specified File: "));
  EXPECT_EQ(digest.bytes, (std::array<uint8_t, 16>{}));
}

}  // namespace
}  // namespace qorv
