#include "transfer/file_transfer_manager.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "local/file_times.h"
#include "net/format_text.h"
#include "net/handshake.h"
#include "platform/com/mutex.h"
#include "protocol/operation_driver.h"
#include "support/fault_file_system.h"
#include "support/scoped_temp.h"
#include "transfer/fake_transfer_peer.h"
#include "transfer/transfer_plan.h"
#include "transfer/transfer_texts.h"

namespace qorv {
namespace {

using testing::FakeTransferPeer;
using testing::PeerFault;

// Keeps every report line the driver delivers.
class LineRecorder : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent event) override {
    if (event != SdkEvent::kOperationResultSend) return;
    platform::MutexLock lock(mutex_);
    for (int32_t i = 0; i < driver_->ReportLineCount(); ++i) {
      ReportLine line;
      if (driver_->GetReportLine(i, &line)) lines_.push_back(line);
    }
  }
  void set_driver(OperationDriver* driver) { driver_ = driver; }
  std::vector<ReportLine> lines() {
    platform::MutexLock lock(mutex_);
    return lines_;
  }

 private:
  OperationDriver* driver_ = nullptr;
  platform::Mutex mutex_;
  std::vector<ReportLine> lines_ QORV_GUARDED_BY(mutex_);
};

std::string Content(size_t size, char seed) {
  std::string content(size, '\0');
  for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(seed + i * 7 + i / 251);
  return content;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

// Names in `folder` that look like temporaries (ours start with '~').
std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '~') found.push_back(name);
  }
  return found;
}

class FileTransferManagerTest : public ::testing::Test {
 protected:
  FileTransferManagerTest() : driver_(&recorder_) {
    recorder_.set_driver(&driver_);
    temp_directory_ = folder_.Child("tmp");
    std::filesystem::create_directory(temp_directory_);
    for (size_t i = 0; i < key_.size(); ++i) key_[i] = static_cast<uint8_t>(i * 13 + 1);
  }

  TransferJob Job(const FakeTransferPeer& peer) {
    TransferJob job;
    job.login_identity = FakeTransferPeer::kLoginIdentity;
    job.temp_directory = temp_directory_;
    job.connect_settings.server_host = "127.0.0.1";
    job.connect_settings.server_port = peer.port();
    job.channel_key = key_;
    job.driver = &driver_;
    job.report_progress = [this](int32_t percent) { percents_.push_back(percent); };
    return job;
  }

  // One download entry per content, transfer name "T<i>", target "f<i>".
  std::vector<TransferEntry> DownloadList(FakeTransferPeer& peer,
                                          const std::vector<std::string>& contents) {
    std::vector<TransferEntry> entries;
    for (size_t i = 0; i < contents.size(); ++i) {
      TransferEntry entry;
      entry.index = static_cast<int32_t>(i);
      entry.local_file_name = folder_.Child("f" + std::to_string(i));
      entry.size = static_cast<uint32_t>(contents[i].size());
      entry.server_name = "T" + std::to_string(i);
      entry.progress_text = "Getting f" + std::to_string(i);
      peer.SetBody(entry.server_name, contents[i]);
      entries.push_back(entry);
    }
    return entries;
  }

  void ExpectNoTemporaries() {
    EXPECT_TRUE(Temporaries(folder_.path()).empty());
    EXPECT_TRUE(Temporaries(temp_directory_).empty());
  }

  testing::ScopedTempFolder folder_;
  std::string temp_directory_;
  ChannelKey key_{};
  LineRecorder recorder_;
  OperationDriver driver_;
  std::vector<int32_t> percents_;
};

const std::vector<size_t> kBoundarySizes = {0, 65532, 65533, 65536};

TEST_F(FileTransferManagerTest, UploadsBodiesAtTheMessageBoundaries) {
  FakeTransferPeer peer;
  std::vector<TransferEntry> entries;
  for (size_t i = 0; i < kBoundarySizes.size(); ++i) {
    TransferEntry entry;
    entry.index = static_cast<int32_t>(10 + i);
    entry.local_file_name = folder_.Child("u" + std::to_string(i));
    WriteFile(entry.local_file_name, Content(kBoundarySizes[i], 'a'));
    entry.size = static_cast<uint32_t>(kBoundarySizes[i]);
    entry.progress_text = "Sending u" + std::to_string(i);
    entries.push_back(entry);
  }
  CFileTransferManager manager;
  manager.Upload(entries, Job(peer));

  for (const TransferEntry& entry : entries) {
    EXPECT_EQ(entry.result, 1) << entry.local_file_name << ": " << entry.result_text;
    EXPECT_EQ(entry.result_text, "File received successfully");
  }
  // Four files over five threads: one batch of one file each.
  const std::vector<testing::ReceivedUpload> uploads = peer.uploads();
  ASSERT_EQ(uploads.size(), 4u);
  std::set<size_t> seen;
  for (const testing::ReceivedUpload& upload : uploads) {
    ASSERT_EQ(upload.indexes.size(), 1u);
    const size_t i = static_cast<size_t>(upload.indexes[0] - 10);
    seen.insert(i);
    EXPECT_EQ(upload.sizes[0], static_cast<int32_t>(kBoundarySizes[i]));
    EXPECT_EQ(upload.body, Content(kBoundarySizes[i], 'a'));
    const std::vector<size_t> expected_messages[] = {{4}, {65536}, {65536, 1}, {65536, 4}};
    EXPECT_EQ(upload.message_sizes, expected_messages[i]) << kBoundarySizes[i];
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(recorder_.lines().size(), 4u);
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, DownloadsOnAKeyedBlowfishConnectionReplaceFilesWhole) {
  FakeTransferPeer peer(/*mode=*/1, key_);
  std::vector<std::string> contents;
  for (size_t size : kBoundarySizes) contents.push_back(Content(size, 'k'));
  std::vector<TransferEntry> entries = DownloadList(peer, contents);
  // f1 exists and is writable: it stays writable. The others are new and
  // end read-only.
  WriteFile(entries[1].local_file_name, "old content");
  TransferJob job = Job(peer);
  job.settings.server_time_offset_hours = 12;
  CFileTransferManager manager;
  manager.Download(entries, job);

  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_EQ(entries[i].result, 1) << i << ": " << entries[i].result_text;
    EXPECT_EQ(entries[i].result_text, kTextCompleted);
    EXPECT_EQ(ReadFile(entries[i].local_file_name), contents[i]) << i;
    EXPECT_DOUBLE_EQ(entries[i].date, FakeTransferPeer::kDate + 0.5);
    const auto perms = std::filesystem::status(entries[i].local_file_name).permissions();
    const bool writable =
        (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
    EXPECT_EQ(writable, i == 1) << i;
    // The file time is the received date, shifted by the clock offset.
    EXPECT_EQ(FileLayer::Shared().GetLastWriteTime(entries[i].local_file_name) / 10000,
              LocalDateToFileTime(entries[i].date) / 10000);
  }
  EXPECT_FALSE(percents_.empty());
  EXPECT_EQ(percents_.back(), 100);
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, ABodyShorterThanItsFilesFailsTheBatchAndLeavesNoTemporary) {
  FakeTransferPeer peer;
  peer.SetFault(PeerFault::kShortBody);
  std::vector<std::string> contents;
  for (int i = 0; i < 10; ++i) contents.push_back(Content(1000 + i, 'x'));
  std::vector<TransferEntry> entries = DownloadList(peer, contents);
  WriteFile(entries[0].local_file_name, "old");
  CFileTransferManager manager;
  manager.Download(entries, Job(peer));

  // Ten files: every thread has one batch of two, and each fails whole.
  for (const TransferEntry& entry : entries) {
    EXPECT_EQ(entry.result, 0);
    EXPECT_EQ(entry.result_text, kTextBatchMismatch);
  }
  EXPECT_EQ(ReadFile(entries[0].local_file_name), "old");
  for (size_t i = 1; i < entries.size(); ++i) {
    EXPECT_FALSE(std::filesystem::exists(entries[i].local_file_name));
  }
  const std::vector<ReportLine> lines = recorder_.lines();
  ASSERT_EQ(lines.size(), 10u);
  for (const ReportLine& line : lines) {
    EXPECT_EQ(line.success, 0);
    EXPECT_NE(line.text.find(std::string(" : ") + kTextBatchMismatch), std::string::npos);
  }
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, OneRefusedConnectionFailsOnlyItsThreadsFiles) {
  FakeTransferPeer peer;
  peer.RefuseConnection(0);
  std::vector<std::string> contents;
  std::vector<uint32_t> sizes;
  for (int i = 0; i < 12; ++i) {
    contents.push_back(Content(100 * (12 - i), 'r'));
    sizes.push_back(static_cast<uint32_t>(contents.back().size()));
  }
  std::vector<TransferEntry> entries = DownloadList(peer, contents);
  CFileTransferManager manager;
  manager.Download(entries, Job(peer));

  std::set<size_t> failed;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].result == 1) {
      EXPECT_EQ(ReadFile(entries[i].local_file_name), contents[i]);
    } else {
      failed.insert(i);
      EXPECT_EQ(entries[i].result_text, FormatText(kFormatNotThisProduct, kProductName));
      EXPECT_FALSE(std::filesystem::exists(entries[i].local_file_name));
    }
  }
  // The failed files are exactly the share of one thread.
  bool one_share = false;
  for (const std::vector<size_t>& share : DealRoundRobin(OrderBySize(sizes), 5)) {
    one_share = one_share || failed == std::set<size_t>(share.begin(), share.end());
  }
  EXPECT_TRUE(one_share) << failed.size() << " files failed";
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, CancelDuringABodyWritesNothingHalf) {
  FakeTransferPeer peer;
  peer.SetFault(PeerFault::kStallMidBody);
  peer.OnStall([this] { driver_.RequestCancel(); });
  std::vector<TransferEntry> entries = DownloadList(peer, {Content(200000, 'c')});
  WriteFile(entries[0].local_file_name, "old content");
  CFileTransferManager manager;
  manager.Download(entries, Job(peer));

  EXPECT_EQ(entries[0].result, 0);
  EXPECT_EQ(entries[0].result_text, kTextCanceled);
  EXPECT_EQ(ReadFile(entries[0].local_file_name), "old content");
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, ADroppedConnectionFailsItsBatchAndTheNextListReconnects) {
  FakeTransferPeer peer;
  peer.SetFault(PeerFault::kDropMidBody);
  std::vector<TransferEntry> entries = DownloadList(peer, {Content(100000, 'd')});
  WriteFile(entries[0].local_file_name, "old content");
  CFileTransferManager manager;
  manager.Download(entries, Job(peer));
  EXPECT_EQ(entries[0].result, 0);
  EXPECT_EQ(entries[0].result_text, kTextSocketClosedByServer);
  EXPECT_EQ(ReadFile(entries[0].local_file_name), "old content");
  ExpectNoTemporaries();

  peer.SetFault(PeerFault::kNone);
  manager.Download(entries, Job(peer));
  EXPECT_EQ(entries[0].result, 1) << entries[0].result_text;
  EXPECT_EQ(ReadFile(entries[0].local_file_name), Content(100000, 'd'));
  EXPECT_EQ(peer.accepted(), 2);
}

TEST_F(FileTransferManagerTest, DatesThatDoNotMatchTheBatchFailIt) {
  FakeTransferPeer peer;
  peer.SetFault(PeerFault::kExtraDate);
  std::vector<TransferEntry> entries = DownloadList(peer, {Content(10, 'e')});
  CFileTransferManager manager;
  manager.Download(entries, Job(peer));
  EXPECT_EQ(entries[0].result_text, kTextBatchMismatch);
  EXPECT_FALSE(std::filesystem::exists(entries[0].local_file_name));
  ExpectNoTemporaries();
}

// The answer to a delta offer is one boolean (4 bytes); a shorter message
// once escaped as an exception from the transfer thread.
TEST_F(FileTransferManagerTest, ADeltaAnswerShorterThanABooleanFailsTheUpload) {
  FakeTransferPeer peer;
  peer.SetFault(PeerFault::kShortDeltaAnswer);
  TransferEntry entry;
  entry.local_file_name = folder_.Child("big");
  WriteFile(entry.local_file_name, Content(600000, 'd'));  // above size mode 1's threshold
  entry.progress_text = "Sending big";
  std::vector<TransferEntry> entries = {entry};
  TransferJob job = Job(peer);
  job.settings.size_mode = 1;
  job.settings.delta_allowed = 1;
  CFileTransferManager manager;
  manager.Upload(entries, job);
  EXPECT_EQ(entries[0].result, 0);
  EXPECT_EQ(entries[0].result_text, kTextBatchMismatch);
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, AFullDiskFailsTheFileWithItsOwnText) {
  FakeTransferPeer peer;
  std::vector<TransferEntry> entries = DownloadList(peer, {Content(150000, 'f')});
  WriteFile(entries[0].local_file_name, "old content");
  testing::FaultFileSystem disk;
  disk.FailWritesAfter(70000, ENOSPC);
  FileLayer files(disk);
  CFileTransferManager manager(CFileTransferManager::PlainConnection, files);
  manager.Download(entries, Job(peer));
  EXPECT_EQ(entries[0].result, 0);
  EXPECT_EQ(entries[0].result_text, kTextOutOfDiskSpace);
  EXPECT_EQ(ReadFile(entries[0].local_file_name), "old content");
  ExpectNoTemporaries();
}

TEST_F(FileTransferManagerTest, AFileThatCannotBeWrittenFailsAloneInItsBatch) {
  // Six files of rising sizes: thread 0 gets the smallest and the largest,
  // in one batch. The largest has no folder to go to.
  FakeTransferPeer peer;
  std::vector<std::string> contents;
  for (size_t i = 0; i < 6; ++i) contents.push_back(Content(1000 + i * 100, 'a'));
  std::vector<TransferEntry> entries = DownloadList(peer, contents);
  entries[5].local_file_name = folder_.Child("missing") + "/f5";
  CFileTransferManager manager;
  manager.Download(entries, Job(peer));

  EXPECT_EQ(entries[5].result, 0);
  EXPECT_NE(entries[5].result_text, kTextCompleted);
  EXPECT_FALSE(entries[5].result_text.empty());
  for (size_t i = 0; i < 5; ++i) {
    ASSERT_EQ(entries[i].result, 1) << i << ": " << entries[i].result_text;
    EXPECT_EQ(ReadFile(entries[i].local_file_name), contents[i]) << i;
  }
  ExpectNoTemporaries();
}

// With the compressed setting, an upload batch is announced compressed and
// its body is the archive of the files; the plain setting sends them as
// they are.
TEST_F(FileTransferManagerTest, TheCompressedSettingSendsEachBatchAsAnArchive) {
  for (const int32_t compressed : {0, 1}) {
    FakeTransferPeer peer;
    std::vector<TransferEntry> entries;
    std::string files;
    for (size_t i = 0; i < 3; ++i) {
      TransferEntry entry;
      entry.index = static_cast<int32_t>(i);
      entry.local_file_name = folder_.Child("z" + std::to_string(i));
      const std::string content = Content(40000 + i, static_cast<char>('a' + i));
      WriteFile(entry.local_file_name, content);
      files += content;
      entry.size = static_cast<uint32_t>(content.size());
      entry.progress_text = "Sending z" + std::to_string(i);
      entries.push_back(entry);
    }
    TransferJob job = Job(peer);
    job.settings.compressed = compressed;
    job.settings.size_mode = 0;
    CFileTransferManager manager;
    manager.Upload(entries, job);
    for (const TransferEntry& entry : entries) EXPECT_EQ(entry.result, 1) << entry.result_text;
    // Three files, one per thread.
    const std::vector<testing::ReceivedUpload> uploads = peer.uploads();
    ASSERT_EQ(uploads.size(), 3u);
    for (const testing::ReceivedUpload& upload : uploads) {
      EXPECT_EQ(upload.compressed, compressed == 1);
      std::string body = upload.body;
      if (compressed == 1) {
        ASSERT_TRUE(testing::UnpackFromString(upload.body, &body).ok());
      }
      const size_t i = static_cast<size_t>(upload.indexes[0]);
      EXPECT_EQ(body, Content(40000 + i, static_cast<char>('a' + i)));
    }
    ExpectNoTemporaries();
  }
}

// Compressed downloads: the files come whole; an archive that unpacks to
// fewer or more bytes than the batch's files fails it with 12005, one that does not
// unpack with its unpacking failure; neither leaves a temporary or touches
// the old file.
TEST_F(FileTransferManagerTest, CompressedDownloadsCheckWhatTheArchiveHolds) {
  const struct {
    PeerFault fault;
    int32_t result;
    std::string text;
  } cases[] = {
      {PeerFault::kNone, 1, "Completed"},
      {PeerFault::kShortBody, 0, kTextBatchMismatch},
      {PeerFault::kLongArchive, 0, kTextBatchMismatch},
      {PeerFault::kNotAnArchive, 0, "Error unzipping file: ZIP file structure invalid"},
  };
  for (const auto& test : cases) {
    FakeTransferPeer peer;
    peer.SetFault(test.fault);
    const std::vector<std::string> contents = {Content(70000, 'p'), Content(11, 'q'),
                                               Content(65533, 'r')};
    std::vector<TransferEntry> entries = DownloadList(peer, contents);
    WriteFile(entries[0].local_file_name, "old");
    TransferJob job = Job(peer);
    job.settings.compressed = 1;
    CFileTransferManager manager;
    manager.Download(entries, job);
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].result, test.result) << i << ": " << entries[i].result_text;
      EXPECT_EQ(entries[i].result_text, test.text) << i;
      if (test.result == 1) {
        EXPECT_EQ(ReadFile(entries[i].local_file_name), contents[i]) << i;
      }
    }
    if (test.result == 0) {
      EXPECT_EQ(ReadFile(entries[0].local_file_name), "old");
    }
    ExpectNoTemporaries();
    std::filesystem::remove(entries[0].local_file_name);
    std::filesystem::remove(entries[1].local_file_name);
    std::filesystem::remove(entries[2].local_file_name);
  }
}

}  // namespace
}  // namespace qorv
