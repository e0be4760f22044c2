// The client's request engine with its file-transfer manager against the
// reference server: bodies fetched and sent on real transfer connections,
// the check-out and check-in steps, and what a working folder holds when the
// server goes away in the middle of a batch.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "local/file_layer.h"
#include "platform/file_system_interface.h"
#include "protocol/multi_step_requests.h"
#include "protocol/request_engine.h"
#include "server/server_fixture.h"
#include "transfer/file_transfer_manager.h"

namespace qorv::server::testing {
namespace {

namespace fs = std::filesystem;

class NoEvents : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent) override {}
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Bytes with zeros among them, so the server stores them as binary.
std::string BinaryBody(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string body(size, '\0');
  for (char& c : body) c = static_cast<char>(random() % 7 == 0 ? 0 : random());
  return body;
}

// Text with CR LF line endings, which a get with line-ending mode CR LF
// gives back byte for byte.
std::string TextBody(size_t lines, uint32_t seed) {
  std::string body;
  for (size_t i = 0; i < lines; ++i) {
    body += "line ";
    body += std::to_string(seed + i);
    body += " of text\r\n";
  }
  return body;
}

// prefix + number + suffix, built piece by piece (GCC 12 at -O3 warns
// falsely on "literal" + std::to_string).
std::string Numbered(const char* prefix, uint32_t number, const char* suffix) {
  std::string name = prefix;
  name += std::to_string(number);
  name += suffix;
  return name;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

constexpr int32_t kCrLf = 2;  // Enum_EOL

class TransferEndToEndTest : public ServerTest {
 protected:
  explicit TransferEndToEndTest(FileLayer& files = FileLayer::Shared())
      : driver_(&events_),
        engine_(driver_, nullptr, nullptr,
                std::make_unique<CFileTransferManager>(CFileTransferManager::PlainConnection, files,
                                                       false)) {}

  void SetUp() override {
    ServerTest::SetUp();
    temp_directory_ = temp_.Child("temp");
    fs::create_directories(temp_directory_);
    driver_.set_temp_directory(temp_directory_);
    ConnectAndLogIn();
  }

  void ConnectAndLogIn() {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server_->port();
    RequestStatus status;
    bool connected = false;
    int32_t mode = 0;
    ASSERT_EQ(engine_.ConnectToServer(settings, &status, &connected, &mode), 0)
        << status.description;
    bool must_change = false;
    int32_t expire_days = 0;
    ASSERT_EQ(
        engine_.Login("alice", "secret", "Main", ChannelKey{}, &status, &must_change, &expire_days),
        0)
        << status.description;
  }

  std::string Folder(const std::string& name) {
    const std::string folder = temp_.Child(name);
    fs::create_directories(folder);
    return folder;
  }

  // A get (command 38, latest versions) of `project`/<name> into
  // `folder`/<name> for each name.
  GetFilesRequest GetRequest(const std::string& project, const std::vector<std::string>& names,
                             const std::string& folder) {
    GetFilesRequest request;
    request.line_ending_mode = kCrLf;
    request.file_time_mode = 1;
    for (size_t i = 0; i < names.size(); ++i) {
      GetFileRecord record;
      record.server_path = project + "/" + names[i];
      record.local_file_name = folder + "/" + names[i];
      record.name = names[i];
      record.index = static_cast<int32_t>(i);
      request.files.push_back(record);
    }
    return request;
  }

  int32_t Get(GetFilesRequest& request) {
    RequestStatus status;
    const int32_t result = GetFiles(engine_, request, &status);
    EXPECT_EQ(result, status.result);
    description_ = status.description;
    return result;
  }

  int32_t Add(const std::string& project, const std::vector<std::string>& local_files,
              AddFilesRequest* out = nullptr) {
    AddFilesRequest request;
    request.line_ending_mode = kCrLf;
    for (size_t i = 0; i < local_files.size(); ++i) {
      AddFileRecord record;
      record.local_file_name = local_files[i];
      record.name = fs::path(local_files[i]).filename().string();
      record.server_path = project + "/" + record.name;
      record.index = static_cast<int32_t>(i);
      record.file_type = 1;  // Enum_Binary
      request.files.push_back(record);
    }
    RequestStatus status;
    const int32_t result = AddFiles(engine_, request, &status);
    description_ = status.description;
    if (out != nullptr) *out = request;
    return result;
  }

  NoEvents events_;
  OperationDriver driver_;
  CRequestEngine engine_;
  std::string temp_directory_;
  std::string description_;
};

TEST_F(TransferEndToEndTest, AThousandAndOneFilesComeBackByteForByteInThreeRequests) {
  // Text and binary files of many sizes, two of them over the 1 MiB batch
  // limit, imported in one change.
  const std::string source = Folder("source");
  std::vector<std::string> names;
  for (uint32_t i = 0; i < 1001; ++i) {
    const std::string name = Numbered("f", i, i % 2 == 0 ? ".txt" : ".bin");
    std::string body;
    if (i == 10 || i == 777) {
      body = BinaryBody(1536 * 1024 + i, i);
    } else if (i % 2 == 0) {
      body = TextBody(i % 40, i);
    } else {
      body = BinaryBody((i * 97) % 9000, i);
    }
    WriteAll(source + "/" + name, body);
    names.push_back(name);
  }
  ASSERT_TRUE(db_->ImportFolder(alice_, source, "$/Many", "").ok());

  const std::string target = Folder("target");
  for (size_t start = 0; start < names.size(); start += 500) {
    const std::vector<std::string> part(
        names.begin() + static_cast<ptrdiff_t>(start),
        names.begin() + static_cast<ptrdiff_t>(std::min(names.size(), start + 500)));
    GetFilesRequest request = GetRequest("$/Many", part, target);
    ASSERT_EQ(Get(request), 0) << description_;
    for (const GetFileRecord& record : request.files) {
      ASSERT_EQ(record.status, 0) << record.name << ": " << record.description;
    }
  }
  for (const std::string& name : names) {
    ASSERT_EQ(ReadAll(target + "/" + name), ReadAll(source + "/" + name)) << name;
  }
  // Nothing but the files: no temporary beside them or in the temporary
  // directory.
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(FolderNames(target), sorted);
  EXPECT_TRUE(FolderNames(temp_directory_).empty());
}

TEST_F(TransferEndToEndTest, AddCheckOutEditCheckInAndGetBackAtTheMessageBoundaries) {
  MustCreateProject("$/P");
  const std::string work = Folder("work");
  std::vector<std::string> files;
  for (size_t size : {0u, 65532u, 65533u, 65536u, 3u * 1024u * 1024u}) {
    const std::string path = work + "/s" + std::to_string(size) + ".bin";
    WriteAll(path, BinaryBody(size, static_cast<uint32_t>(size)));
    files.push_back(path);
  }
  AddFilesRequest added;
  ASSERT_EQ(Add("$/P", files, &added), 0) << description_;
  for (const AddFileRecord& record : added.files) {
    ASSERT_EQ(record.status, 0) << record.name << ": " << record.description;
    EXPECT_NE(record.date, 0) << record.name;
  }

  std::vector<std::string> names;
  for (const std::string& file : files) names.push_back(fs::path(file).filename().string());
  const std::string copy = Folder("copy");
  GetFilesRequest get = GetRequest("$/P", names, copy);
  ASSERT_EQ(Get(get), 0) << description_;
  for (const std::string& name : names) {
    EXPECT_EQ(ReadAll(copy + "/" + name), ReadAll(work + "/" + name)) << name;
  }

  // Check out one file with a local copy into a fresh folder, change it and
  // check it in.
  const std::string desk = Folder("desk");
  CheckOutRequest check_out;
  check_out.line_ending_mode = kCrLf;
  check_out.file_time_mode = 1;
  CheckOutRecord wanted;
  wanted.server_path = "$/P/s65533.bin";
  wanted.local_file_name = desk + "/s65533.bin";
  wanted.name = "s65533.bin";
  wanted.local_copy_wanted = true;
  check_out.files.push_back(wanted);
  RequestStatus status;
  ASSERT_EQ(CheckOutFiles(engine_, check_out, &status), 0) << status.description;
  ASSERT_EQ(check_out.files[0].status, 0) << check_out.files[0].description;
  EXPECT_EQ(ReadAll(desk + "/s65533.bin"), ReadAll(work + "/s65533.bin"));
  CheckoutState state;
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/s65533.bin", &state).ok());
  EXPECT_TRUE(state.checked_out_by_actor);

  const std::string edited = BinaryBody(200000, 99);
  fs::permissions(desk + "/s65533.bin", fs::perms::owner_write, fs::perm_options::add);
  WriteAll(desk + "/s65533.bin", edited);
  CheckInRequest check_in;
  check_in.line_ending_mode = kCrLf;
  check_in.comment = "edited";
  CheckInRecord record;
  record.server_path = "$/P/s65533.bin";
  record.local_file_name = desk + "/s65533.bin";
  record.name = "s65533.bin";
  record.upload_body = true;
  check_in.files.push_back(record);
  ASSERT_EQ(CheckInFiles(engine_, check_in, &status), 0) << status.description;
  ASSERT_EQ(check_in.files[0].status, 0) << check_in.files[0].description;
  EXPECT_EQ(check_in.files[0].new_version, 2);
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/s65533.bin", &state).ok());
  EXPECT_FALSE(state.checked_out_by_actor);
  EXPECT_EQ(state.latest_version, 2);

  GetFilesRequest again = GetRequest("$/P", {"s65533.bin"}, copy);
  ASSERT_EQ(Get(again), 0) << description_;
  EXPECT_EQ(ReadAll(copy + "/s65533.bin"), edited);
}

// The tags of the transfer temporaries opened through a file system.
class TemporaryTags : public platform::FileSystemWrapper {
 public:
  TemporaryTags() : FileSystemWrapper(platform::NativeFileSystem()) {}
  int Open(const std::string& path, platform::FileAccess access, platform::FileCreation creation,
           platform::FileSharing sharing, std::unique_ptr<platform::OpenFile>* file) override {
    for (const char* tag : {"sendzip", "ziprecv", "recvUnzipped", "SendBig"}) {
      if (path.find(std::string("~_~_~_") + tag) != std::string::npos) {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.insert(tag);
      }
    }
    return target().Open(path, access, creation, sharing, file);
  }
  std::set<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(seen_, {});
  }

 private:
  std::mutex mutex_;
  std::set<std::string> seen_;
};

struct RecordingFiles {
  TemporaryTags tags;
  FileLayer files{tags};
};

// The same operations with the compressed setting on: every body travels
// as a one-entry ZIP archive through its temporaries.
class CompressedTransferTest : protected RecordingFiles, public TransferEndToEndTest {
 protected:
  CompressedTransferTest() : TransferEndToEndTest(files) {
    TransferSettings settings = engine_.transfer_settings();
    settings.compressed = 1;
    engine_.set_transfer_settings(settings);
  }
};

TEST_F(CompressedTransferTest, AddGetAndCheckInRoundTripZipped) {
  MustCreateProject("$/Z");
  const std::string work = Folder("work");
  std::vector<std::string> files;
  std::vector<std::string> names;
  const struct {
    const char* name;
    std::string body;
  } sources[] = {
      {"empty.bin", ""},
      {"one.txt", "x"},
      {"s65532.bin", BinaryBody(65532, 1)},
      {"s65533.txt", TextBody(3000, 2).substr(0, 65533)},
      {"s65536.bin", BinaryBody(65536, 3)},
      {"big.txt", TextBody(90000, 4)},  // over the 1 MiB batch limit
      {"big.bin", BinaryBody(1536 * 1024, 5)},
  };
  for (const auto& source : sources) {
    WriteAll(work + "/" + source.name, source.body);
    files.push_back(work + "/" + source.name);
    names.push_back(source.name);
  }
  AddFilesRequest added;
  ASSERT_EQ(Add("$/Z", files, &added), 0) << description_;
  for (const AddFileRecord& record : added.files) {
    ASSERT_EQ(record.status, 0) << record.name << ": " << record.description;
  }
  EXPECT_EQ(tags.Take(), (std::set<std::string>{"SendBig", "sendzip"}));

  const std::string copy = Folder("copy");
  GetFilesRequest get = GetRequest("$/Z", names, copy);
  ASSERT_EQ(Get(get), 0) << description_;
  for (const auto& source : sources) {
    EXPECT_EQ(ReadAll(copy + "/" + source.name), source.body) << source.name;
  }
  EXPECT_EQ(tags.Take(), (std::set<std::string>{"ziprecv", "recvUnzipped"}));

  // A changed file checked in zipped, and got back.
  CheckOutRequest check_out;
  check_out.line_ending_mode = kCrLf;
  CheckOutRecord wanted;
  wanted.server_path = "$/Z/big.txt";
  wanted.local_file_name = copy + "/big.txt";
  wanted.name = "big.txt";
  check_out.files.push_back(wanted);
  RequestStatus status;
  ASSERT_EQ(CheckOutFiles(engine_, check_out, &status), 0) << status.description;
  const std::string edited = TextBody(1000, 77);
  fs::permissions(copy + "/big.txt", fs::perms::owner_write, fs::perm_options::add);
  WriteAll(copy + "/big.txt", edited);
  CheckInRequest check_in;
  check_in.line_ending_mode = kCrLf;
  CheckInRecord record;
  record.server_path = "$/Z/big.txt";
  record.local_file_name = copy + "/big.txt";
  record.name = "big.txt";
  record.upload_body = true;
  check_in.files.push_back(record);
  ASSERT_EQ(CheckInFiles(engine_, check_in, &status), 0) << status.description;
  ASSERT_EQ(check_in.files[0].status, 0) << check_in.files[0].description;
  GetFilesRequest again = GetRequest("$/Z", {"big.txt"}, Folder("again"));
  ASSERT_EQ(Get(again), 0) << description_;
  EXPECT_EQ(ReadAll(temp_.Child("again") + "/big.txt"), edited);

  // No temporary is left behind.
  EXPECT_TRUE(FolderNames(temp_directory_).empty());
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(FolderNames(copy), sorted);
}

TEST_F(TransferEndToEndTest, AnUploadCutOffMidBodyAddsNothingAndTheRetrySucceeds) {
  MustCreateProject("$/P");
  const std::string work = Folder("work");
  const std::string body = BinaryBody(900 * 1024, 5);
  WriteAll(work + "/big.bin", body);

  // Each transfer connection closes at its fourth frame: the request and
  // two body messages arrive, the third message does not.
  FaultHooks hooks;
  hooks.drop_after_frames = 3;
  server_->SetFaultHooks(hooks);
  AddFilesRequest failed;
  // The main connection itself has had the login and carries only 40 after
  // the uploads, so it stays under the limit.
  ASSERT_EQ(Add("$/P", {work + "/big.bin"}, &failed), 0) << description_;
  EXPECT_EQ(failed.files[0].status, 19000);
  EXPECT_FALSE(db_->FileExists("$/P/big.bin"));

  server_->SetFaultHooks({});
  AddFilesRequest retried;
  ASSERT_EQ(Add("$/P", {work + "/big.bin"}, &retried), 0) << description_;
  ASSERT_EQ(retried.files[0].status, 0) << retried.files[0].description;
  const std::string copy = Folder("copy");
  GetFilesRequest get = GetRequest("$/P", {"big.bin"}, copy);
  ASSERT_EQ(Get(get), 0) << description_;
  EXPECT_EQ(ReadAll(copy + "/big.bin"), body);
  EXPECT_TRUE(FolderNames(temp_directory_).empty());
}

TEST_F(TransferEndToEndTest, AServerGoneMidBatchLeavesEveryWorkingFileOldOrNew) {
  // Twelve files over five transfer threads; the working folder holds an
  // old copy of each.
  const std::string source = Folder("source");
  const std::string work = Folder("work");
  std::vector<std::string> names;
  for (uint32_t i = 0; i < 12; ++i) {
    const std::string name = Numbered("m", i, ".bin");
    WriteAll(source + "/" + name, BinaryBody(300000 + i * 1000, i));
    WriteAll(work + "/" + name, "old " + name);
    names.push_back(name);
  }
  ASSERT_TRUE(db_->ImportFolder(alice_, source, "$/M", "").ok());

  // Every transfer connection dies after two messages of its body.
  FaultHooks hooks;
  hooks.drop_after_body_messages = 2;
  server_->SetFaultHooks(hooks);
  GetFilesRequest cut = GetRequest("$/M", names, work);
  ASSERT_EQ(Get(cut), 0) << description_;
  for (const GetFileRecord& record : cut.files) {
    EXPECT_EQ(record.status, 19000) << record.name;
    EXPECT_EQ(ReadAll(work + "/" + record.name), "old " + record.name);
  }
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(FolderNames(work), sorted);
  EXPECT_TRUE(FolderNames(temp_directory_).empty());

  // The server itself stops and comes back on the same port: the next
  // request reconnects and logs in again, and every file arrives whole.
  const uint16_t port = server_->port();
  server_->Stop();
  StartServer({}, port);
  GetFilesRequest whole = GetRequest("$/M", names, work);
  ASSERT_EQ(Get(whole), 0) << description_;
  for (const GetFileRecord& record : whole.files) {
    ASSERT_EQ(record.status, 0) << record.name << ": " << record.description;
    EXPECT_EQ(ReadAll(work + "/" + record.name), ReadAll(source + "/" + record.name));
  }
  EXPECT_EQ(FolderNames(work), sorted);
}

}  // namespace
}  // namespace qorv::server::testing
