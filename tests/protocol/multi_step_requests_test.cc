// The multi-step requests through the engine against a small server on
// loopback, with a transfer manager that records the lists and jobs it is
// given and fails the entries a test names: what each command carries, how
// the file phase's results reach the files, the report lines, percent done,
// and the ends by cancel and by a refused reply.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "net/test_bytes.h"
#include "protocol/fake_server.h"
#include "protocol/multi_step_requests.h"
#include "protocol/wire_bytes.h"

namespace qorv {
namespace {

using testing::FakeReply;
using testing::FakeServer;
using testing::Hex;
using testing::Wire;

constexpr int32_t kIdentity = 7;
constexpr char kTransferFailure[] = "Error receiving file";

FakeReply Answer(const Wire& wire) { return {wire.bytes(), true, false, {}}; }
std::string HexOf(const Wire& wire) { return Hex(wire.bytes()); }

class RecordingTransfers : public TransferManager {
 public:
  struct Call {
    bool upload = false;
    std::vector<TransferEntry> entries;
    TransferJob job;
  };

  void CloseAllTransferConnections() override { ++closes; }
  void Upload(std::vector<TransferEntry>& entries, const TransferJob& job) override {
    Serve(true, entries, job);
  }
  void Download(std::vector<TransferEntry>& entries, const TransferJob& job) override {
    Serve(false, entries, job);
  }

  std::set<int32_t> failing;      // entry indexes whose transfer fails
  std::vector<int32_t> progress;  // reported through the job while a list runs
  bool cancel_meanwhile = false;  // as RequestCancel from the caller's pump
  std::vector<Call> calls;
  int closes = 0;

 private:
  void Serve(bool upload, std::vector<TransferEntry>& entries, const TransferJob& job) {
    for (int32_t percent : progress) job.report_progress(percent);
    for (TransferEntry& entry : entries) {
      const bool fails = failing.count(entry.index) != 0;
      entry.result = fails ? 0 : 1;
      entry.result_text = fails ? kTransferFailure : "Completed";
    }
    calls.push_back({upload, entries, job});
    if (cancel_meanwhile) job.driver->RequestCancel();
  }
};

class RecordingOwner : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent event) override {
    if (event == SdkEvent::kPercentDone) percents.push_back(driver->percent_done());
    if (event != SdkEvent::kOperationResultSend) return;
    std::vector<ReportLine> batch(driver->ReportLineCount());
    for (size_t i = 0; i < batch.size(); ++i) driver->GetReportLine(int32_t(i), &batch[i]);
    batches.push_back(batch);
  }
  OperationDriver* driver = nullptr;
  std::vector<int32_t> percents;
  std::vector<std::vector<ReportLine>> batches;
};

template <class Record>
Record File(const std::string& name, int32_t index) {
  Record record;
  record.name = name;
  record.local_file_name = "/work/" + name;
  record.server_path = "$/p/" + name;
  record.index = index;
  return record;
}

class MultiStepRequestsTest : public ::testing::Test {
 protected:
  MultiStepRequestsTest()
      : engine_(driver_, nullptr, nullptr, std::unique_ptr<TransferManager>(transfers_)) {
    owner_.driver = &driver_;
    driver_.set_temp_directory("/tmp/qorv-test-temp");
  }

  // Starts the server (which logs in with identity 7 and answers every other
  // request with `answer`), connects and logs in.
  void Start(std::function<FakeReply(const std::vector<uint8_t>&)> answer) {
    answer_ = std::move(answer);
    server_ = std::make_unique<FakeServer>([this](int, int, const std::vector<uint8_t>& request) {
      if (!request.empty() && request[0] == 0x01) {
        return Answer(Wire().Status(0, "Welcome").Bool(false).Int32(0).Int32(kIdentity));
      }
      return answer_(request);
    });
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server_->port();
    RequestStatus status;
    bool connected = false;
    int32_t mode = 0;
    ASSERT_EQ(engine_.ConnectToServer(settings, &status, &connected, &mode), kResultOk);
    bool must_change = false;
    int32_t expire_days = 0;
    ASSERT_EQ(engine_.Login("alice", "pw", "main", {}, &status, &must_change, &expire_days),
              kResultOk);
    owner_.percents.clear();
    owner_.batches.clear();
  }

  // The requests of a connection after its login.
  std::vector<std::string> Sent(int connection = 0) const {
    std::vector<std::string> sent;
    const auto requests = server_->requests(connection);
    for (size_t i = 1; i < requests.size(); ++i) sent.push_back(Hex(requests[i]));
    return sent;
  }

  RecordingOwner owner_;
  OperationDriver driver_{&owner_};
  RecordingTransfers* transfers_ = new RecordingTransfers();
  CRequestEngine engine_;
  std::function<FakeReply(const std::vector<uint8_t>&)> answer_;
  std::unique_ptr<FakeServer> server_;
};

TEST_F(MultiStepRequestsTest, GetDownloadsWhatTheServerOffersAndMapsTheFilePhaseProgress) {
  Start([](const std::vector<uint8_t>&) {
    return Answer(Wire()
                      .Status(0, "Completed")
                      .Str("")
                      .Int32(0)
                      .Bool(false)
                      .Date(0, 0)
                      .Date(0, 0)
                      .Int32(40303)
                      .Str("Version not found")
                      .Str("T1")
                      .Int32(10)
                      .Bool(true)
                      .Date(40000, 0)
                      .Date(39999, 43200000)
                      .Int32(0)
                      .Str("Completed")
                      .Str("T2")
                      .Int32(20)
                      .Bool(false)
                      .Date(40001, 0)
                      .Date(40001, 0)
                      .Int32(0)
                      .Str("Completed"));
  });
  TransferSettings settings;
  settings.compressed = 1;
  settings.size_mode = 2;
  settings.server_time_offset_hours = 12;
  engine_.set_transfer_settings(settings);
  transfers_->failing = {2};
  transfers_->progress = {25, 50};

  GetFilesRequest request;
  request.line_ending_mode = 1;
  request.file_time_mode = 2;
  request.files = {File<GetFileRecord>("a.c", 0), File<GetFileRecord>("b.c", 1),
                   File<GetFileRecord>("c.c", 2)};
  request.files[1].version = 4;
  RequestStatus status;
  ASSERT_EQ(GetFiles(engine_, request, &status), kResultOk) << status.description;
  EXPECT_FALSE(status.canceled);
  EXPECT_FALSE(engine_.busy());

  EXPECT_EQ(Sent(), std::vector<std::string>{HexOf(Wire()
                                                       .Byte(0x26)
                                                       .Int32(1)
                                                       .Int32(2)
                                                       .Int32(kIdentity)
                                                       .Int32(3)
                                                       .Str("$/p/a.c")
                                                       .Int32(0)
                                                       .Str("$/p/b.c")
                                                       .Int32(4)
                                                       .Str("$/p/c.c")
                                                       .Int32(0))});
  // 20 after the command, 20 + 80 x p / 100 during the downloads, 100 at the end.
  EXPECT_EQ(owner_.percents, (std::vector<int32_t>{20, 40, 60, 100}));

  // The file the server refused is reported and not downloaded.
  ASSERT_EQ(owner_.batches.size(), 1u);
  EXPECT_EQ(owner_.batches[0],
            (std::vector<ReportLine>{{0, "Getting a.c from VSS server : Version not found"}}));
  ASSERT_EQ(transfers_->calls.size(), 1u);
  const RecordingTransfers::Call& call = transfers_->calls[0];
  EXPECT_FALSE(call.upload);
  ASSERT_EQ(call.entries.size(), 2u);
  EXPECT_EQ(call.entries[0].index, 1);
  EXPECT_EQ(call.entries[0].local_file_name, "/work/b.c");
  EXPECT_EQ(call.entries[0].size, 10u);
  EXPECT_EQ(call.entries[0].server_name, "T1");
  EXPECT_EQ(call.entries[0].progress_text, "Getting b.c from server to client");
  EXPECT_EQ(call.entries[1].server_name, "T2");
  EXPECT_EQ(call.job.settings.compressed, 1);
  EXPECT_EQ(call.job.settings.size_mode, 2);
  EXPECT_EQ(call.job.login_identity, kIdentity);
  EXPECT_EQ(call.job.temp_directory, "/tmp/qorv-test-temp");
  EXPECT_EQ(call.job.connect_settings.server_port, server_->port());
  EXPECT_EQ(call.job.driver, &driver_);

  EXPECT_EQ(request.files[0].status, 40303);
  EXPECT_EQ(request.files[0].description, "Version not found");
  EXPECT_EQ(request.files[0].offered.check_in_time, 0);  // no date stays no date
  EXPECT_EQ(request.files[1].status, kResultOk);
  EXPECT_EQ(request.files[1].description, "Completed");
  EXPECT_TRUE(request.files[1].offered.text_file);
  // Both dates shifted by 12 hours.
  EXPECT_DOUBLE_EQ(request.files[1].offered.check_in_time, 40000.5);
  EXPECT_DOUBLE_EQ(request.files[1].offered.modification_time, 40000.0);
  EXPECT_EQ(request.files[2].status, kResultFileNotTransferred);
  EXPECT_EQ(request.files[2].description, kTransferFailure);
}

TEST_F(MultiStepRequestsTest, GetAtAVersionAndAtADateSendTheProjectsFields) {
  Start([](const std::vector<uint8_t>&) {
    return Answer(Wire()
                      .Status(0, "Completed")
                      .Str("T9")
                      .Int32(33)
                      .Date(40000, 0)
                      .Date(40000, 0)
                      .Int32(0)
                      .Str("Completed"));
  });
  GetFilesRequest request;
  request.form = GetFilesForm::kAtVersion;
  request.project_path = "$/p";
  request.project_version = 12;
  request.recursive = true;
  request.files = {File<GetFileRecord>("a.c", 0)};
  RequestStatus status;
  ASSERT_EQ(GetFiles(engine_, request, &status), kResultOk) << status.description;
  EXPECT_EQ(request.files[0].offered.size, 33);

  request.form = GetFilesForm::kAtDate;
  request.date = 40000.5;
  ASSERT_EQ(GetFiles(engine_, request, &status), kResultOk) << status.description;
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], HexOf(Wire()
                               .Byte(0x3D)
                               .Str("$/p")
                               .Int32(12)
                               .Bool(true)
                               .Int32(0)
                               .Int32(0)
                               .Int32(kIdentity)
                               .Int32(1)
                               .Str("$/p/a.c")));
  EXPECT_EQ(sent[1], HexOf(Wire()
                               .Byte(0x3E)
                               .Str("$/p")
                               .Date(40000, 43200000)
                               .Bool(true)
                               .Int32(0)
                               .Int32(0)
                               .Int32(kIdentity)
                               .Int32(1)
                               .Str("$/p/a.c")));
  ASSERT_EQ(transfers_->calls.size(), 2u);
  EXPECT_EQ(transfers_->calls[1].entries[0].server_name, "T9");
}

TEST_F(MultiStepRequestsTest, AddUploadsFirstAndSendsOnlyTheUploadedFilesIn40) {
  Start([](const std::vector<uint8_t>&) {
    return Answer(Wire()
                      .Status(0, "Completed")
                      .Date(40000, 0)
                      .Int32(0)
                      .Str("Completed")
                      .Date(0, 0)
                      .Int32(40101)
                      .Str("File already exists"));
  });
  TransferSettings settings;
  settings.server_time_offset_hours = -6;
  engine_.set_transfer_settings(settings);
  transfers_->failing = {1};
  transfers_->progress = {50};

  AddFilesRequest request;
  request.comment = "new";
  request.line_ending_mode = 2;
  request.files = {File<AddFileRecord>("a.c", 0), File<AddFileRecord>("b.c", 1),
                   File<AddFileRecord>("c.c", 2), File<AddFileRecord>("d.c", 3)};
  request.files[2].file_type = 1;
  request.files[2].store_latest_only = true;
  // Failed before the request: left out and left as it is.
  request.files[3].status = 40104;
  request.files[3].description = "Deleted copy kept";
  RequestStatus status;
  ASSERT_EQ(AddFiles(engine_, request, &status), kResultOk) << status.description;

  ASSERT_EQ(transfers_->calls.size(), 1u);
  const RecordingTransfers::Call& call = transfers_->calls[0];
  EXPECT_TRUE(call.upload);
  ASSERT_EQ(call.entries.size(), 3u);
  EXPECT_EQ(call.entries[2].index, 2);
  EXPECT_EQ(call.entries[2].local_file_name, "/work/c.c");
  EXPECT_EQ(call.entries[2].progress_text, "Sending c.c to server");

  // The failed upload is left out of 40.
  EXPECT_EQ(Sent(), std::vector<std::string>{HexOf(Wire()
                                                       .Byte(0x28)
                                                       .Str("new")
                                                       .Int32(2)
                                                       .Int32(kIdentity)
                                                       .Int32(2)
                                                       .Int32(0)
                                                       .Str("$/p/a.c")
                                                       .Int32(0)
                                                       .Bool(false)
                                                       .Int32(2)
                                                       .Str("$/p/c.c")
                                                       .Int32(1)
                                                       .Bool(true))});
  EXPECT_EQ(owner_.percents, (std::vector<int32_t>{45, 100}));

  EXPECT_EQ(request.files[0].status, kResultOk);
  EXPECT_DOUBLE_EQ(request.files[0].date, 40000 - 0.25);
  EXPECT_EQ(request.files[1].status, kResultFileNotTransferred);
  EXPECT_EQ(request.files[2].status, 40101);
  EXPECT_EQ(request.files[3].status, 40104);
  ASSERT_EQ(owner_.batches.size(), 1u);
  EXPECT_EQ(owner_.batches[0], (std::vector<ReportLine>{
                                   {1, "Adding a.c : Completed"},
                                   {0, std::string("Adding b.c : ") + kTransferFailure},
                                   {0, "Adding c.c : File already exists"},
                                   {0, "Adding d.c : Deleted copy kept"},
                               }));
}

FakeReply CheckOutAnswer(const std::vector<uint8_t>& request) {
  if (request[0] != 0x48) return Answer(Wire().Status(0, "Completed"));  // 73
  Wire reply;
  reply.Status(0, "Completed");
  const std::pair<const char*, int32_t> entries[] = {{"", 40203}, {"T1", 0}, {"T2", 0}, {"", 0}};
  for (const auto& [transfer_name, result] : entries) {
    reply.Str(transfer_name)
        .Date(40000, 0)
        .Str("alice")
        .Int32(3)
        .Date(39000, 0)
        .Date(39000, 0)
        .Int32(14)
        .Int32(2)
        .Int32(result)
        .Str(result == 0 ? "Completed" : "Checked out by bob");
  }
  return Answer(reply);
}

CheckOutRequest FourFilesToCheckOut() {
  CheckOutRequest request;
  request.comment = "edit";
  request.files = {File<CheckOutRecord>("a.c", 0), File<CheckOutRecord>("b.c", 1),
                   File<CheckOutRecord>("c.c", 2), File<CheckOutRecord>("d.c", 3)};
  for (int i = 0; i < 3; ++i) request.files[i].local_copy_wanted = true;
  return request;
}

TEST_F(MultiStepRequestsTest, CheckOutConfirmsEachFilesResultAfterTheDownloads) {
  Start(CheckOutAnswer);
  transfers_->failing = {2};
  transfers_->progress = {50};
  CheckOutRequest request = FourFilesToCheckOut();
  RequestStatus status;
  ASSERT_EQ(CheckOutFiles(engine_, request, &status), kResultOk) << status.description;

  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], HexOf(Wire()
                               .Byte(0x48)
                               .Str("edit")
                               .Int32(0)
                               .Int32(0)
                               .Int32(kIdentity)
                               .Int32(4)
                               .Str("$/p/a.c")
                               .Int32(1)
                               .Str("$/p/b.c")
                               .Int32(1)
                               .Str("$/p/c.c")
                               .Int32(1)
                               .Str("$/p/d.c")
                               .Int32(0)));
  // One int32 per entry of 72, no code byte, no count: the server's own
  // result, 0, 19000 for the copy not received, 0.
  EXPECT_EQ(sent[1], HexOf(Wire().Int32(40203).Int32(0).Int32(19000).Int32(0)));

  ASSERT_EQ(transfers_->calls.size(), 1u);
  const RecordingTransfers::Call& call = transfers_->calls[0];
  ASSERT_EQ(call.entries.size(), 2u);
  EXPECT_EQ(call.entries[0].server_name, "T1");
  EXPECT_EQ(call.entries[0].size, 14u);
  EXPECT_EQ(call.entries[0].progress_text, "Receiving b.c from server to client");
  EXPECT_EQ(call.entries[1].index, 2);

  EXPECT_EQ(owner_.percents, (std::vector<int32_t>{15, 55, 95, 100}));
  ASSERT_EQ(owner_.batches.size(), 1u);
  EXPECT_EQ(owner_.batches[0], (std::vector<ReportLine>{
                                   {0, "Checking out a.c : Checked out by bob"},
                                   {1, "Checking out b.c : Completed"},
                                   {1, "Checking out c.c : Completed"},
                                   {1, "Checking out d.c : Completed"},
                               }));
  EXPECT_EQ(request.files[0].status, 40203);
  EXPECT_EQ(request.files[1].checked_out.user_text, "alice");
  EXPECT_EQ(request.files[2].status, kResultFileNotTransferred);
  EXPECT_EQ(request.files[3].status, kResultOk);
}

TEST_F(MultiStepRequestsTest, CheckInCommitsTheFilesStillAtZeroAndMatchesTheReplyByIndex) {
  Start([](const std::vector<uint8_t>& request) {
    if (request[0] == 0x50) return Answer(Wire().Status(0, "Completed"));
    // The reply answers the entry of index 2 first.
    return Answer(Wire()
                      .Status(0, "Completed")
                      .Int32(2)
                      .Int32(5)
                      .Date(40000, 0)
                      .Str("")
                      .Int32(0)
                      .Int32(0)
                      .Str("Completed")
                      .Int32(0)
                      .Int32(0)
                      .Date(0, 0)
                      .Str("alice")
                      .Int32(1)
                      .Int32(40401)
                      .Str("No body uploaded"));
  });
  transfers_->failing = {1};
  transfers_->progress = {50};
  CheckInRequest request;
  request.comment = "done";
  request.line_ending_mode = 1;
  request.files = {File<CheckInRecord>("a.c", 10), File<CheckInRecord>("b.c", 11),
                   File<CheckInRecord>("c.c", 12), File<CheckInRecord>("d.c", 13)};
  request.files[0].upload_body = true;
  request.files[1].upload_body = true;
  request.files[3].status = 40203;
  request.files[3].description = "Not checked out";
  RequestStatus status;
  ASSERT_EQ(CheckInFiles(engine_, request, &status), kResultOk) << status.description;

  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], HexOf(Wire()
                               .Byte(0x50)
                               .Int32(1)
                               .Int32(kIdentity)
                               .Int32(4)
                               .Str("$/p/a.c")
                               .Int32(0)
                               .Str("$/p/b.c")
                               .Int32(1)
                               .Str("$/p/c.c")
                               .Int32(2)
                               .Str("$/p/d.c")
                               .Int32(3)));
  EXPECT_EQ(sent[1], HexOf(Wire()
                               .Byte(0x51)
                               .Bool(false)
                               .Str("done")
                               .Int32(2)
                               .Str("$/p/a.c")
                               .Bool(true)
                               .Int32(0)
                               .Str("$/p/c.c")
                               .Bool(false)
                               .Int32(2)));
  ASSERT_EQ(transfers_->calls.size(), 1u);
  ASSERT_EQ(transfers_->calls[0].entries.size(), 2u);
  EXPECT_TRUE(transfers_->calls[0].upload);
  EXPECT_EQ(transfers_->calls[0].entries[1].progress_text, "Sending b.c to server");
  EXPECT_EQ(owner_.percents, (std::vector<int32_t>{5, 45, 100}));

  EXPECT_EQ(request.files[0].status, 40401);
  EXPECT_EQ(request.files[0].user_text, "alice");
  EXPECT_EQ(request.files[1].status, kResultFileNotTransferred);
  EXPECT_EQ(request.files[2].status, kResultOk);
  EXPECT_EQ(request.files[2].new_version, 5);
  EXPECT_EQ(request.files[3].status, 40203);
  ASSERT_EQ(owner_.batches.size(), 1u);
  EXPECT_EQ(owner_.batches[0], (std::vector<ReportLine>{
                                   {0, "Checking in a.c : No body uploaded"},
                                   {0, std::string("Checking in b.c : ") + kTransferFailure},
                                   {1, "Checking in c.c : Completed"},
                                   {0, "Checking in d.c : Not checked out"},
                               }));
}

TEST_F(MultiStepRequestsTest, ACancelDuringTheFilePhaseEndsTheRequestWith12007) {
  Start([](const std::vector<uint8_t>& request) {
    if (request[0] == 0x48) return CheckOutAnswer(request);
    return Answer(Wire()
                      .Status(0, "Completed")
                      .Str("T1")
                      .Int32(1)
                      .Bool(false)
                      .Date(40000, 0)
                      .Date(40000, 0)
                      .Int32(0)
                      .Str("Completed"));
  });
  transfers_->cancel_meanwhile = true;
  const int closes_before = transfers_->closes;
  GetFilesRequest get;
  get.files = {File<GetFileRecord>("a.c", 0)};
  RequestStatus status;
  EXPECT_EQ(GetFiles(engine_, get, &status), kResultRequestCanceled);
  EXPECT_TRUE(status.canceled);
  EXPECT_EQ(status.description, "Canceled");
  EXPECT_FALSE(driver_.CancelRequested());
  EXPECT_FALSE(engine_.busy());
  EXPECT_FALSE(engine_.connection().socket().IsOpen());
  EXPECT_EQ(transfers_->closes, closes_before + 1);
  EXPECT_NE(owner_.percents.back(), 100);

  // The next request reconnects; a canceled check-out sends no confirmation.
  CheckOutRequest check_out = FourFilesToCheckOut();
  EXPECT_EQ(CheckOutFiles(engine_, check_out, &status), kResultRequestCanceled);
  EXPECT_TRUE(status.canceled);
  EXPECT_FALSE(driver_.CancelRequested());
  EXPECT_FALSE(engine_.busy());
  EXPECT_EQ(server_->accepted(), 2);
  ASSERT_EQ(Sent(1).size(), 1u);
  EXPECT_EQ(Sent(1)[0].substr(0, 2), "48");
}

TEST_F(MultiStepRequestsTest, ARefusedReplyEndsTheRequest) {
  Start([](const std::vector<uint8_t>&) { return Answer(Wire().Status(40010, "Not allowed")); });
  RequestStatus status;
  GetFilesRequest get;
  get.files = {File<GetFileRecord>("a.c", 0)};
  EXPECT_EQ(GetFiles(engine_, get, &status), 40010);
  CheckOutRequest check_out = FourFilesToCheckOut();
  EXPECT_EQ(CheckOutFiles(engine_, check_out, &status), 40010);
  CheckInRequest check_in;
  check_in.files = {File<CheckInRecord>("a.c", 0)};
  check_in.files[0].upload_body = true;
  EXPECT_EQ(CheckInFiles(engine_, check_in, &status), 40010);
  EXPECT_EQ(status.description, "Not allowed");
  // Nothing moved, nothing reported, no second command.
  EXPECT_TRUE(transfers_->calls.empty());
  EXPECT_TRUE(owner_.batches.empty());
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].substr(0, 2), "26");
  EXPECT_EQ(sent[1].substr(0, 2), "48");
  EXPECT_EQ(sent[2].substr(0, 2), "50");
  EXPECT_FALSE(engine_.busy());

  // A refused 40 leaves each file it carried failed; the lines still go out.
  AddFilesRequest add;
  add.files = {File<AddFileRecord>("a.c", 0)};
  EXPECT_EQ(AddFiles(engine_, add, &status), 40010);
  EXPECT_EQ(add.files[0].status, 1);
  EXPECT_EQ(add.files[0].description, "Error occured");
  ASSERT_EQ(owner_.batches.size(), 1u);
  EXPECT_EQ(owner_.batches[0], (std::vector<ReportLine>{{0, "Adding a.c : Error occured"}}));
}

TEST_F(MultiStepRequestsTest, ARefusedCommitFailsEveryFileItCarried) {
  Start([](const std::vector<uint8_t>& request) {
    if (request[0] == 0x50) return Answer(Wire().Status(0, "Completed"));
    return Answer(Wire().Status(40006, "Not logged in"));
  });
  CheckInRequest request;
  request.files = {File<CheckInRecord>("a.c", 0), File<CheckInRecord>("b.c", 1)};
  request.files[1].status = 40203;
  request.files[1].description = "Not checked out";
  RequestStatus status;
  EXPECT_EQ(CheckInFiles(engine_, request, &status), 40006);
  EXPECT_EQ(request.files[0].status, 40006);
  EXPECT_EQ(request.files[0].description, "Not logged in");
  EXPECT_EQ(request.files[1].status, 40203);
  ASSERT_EQ(owner_.batches.size(), 1u);
  EXPECT_EQ(owner_.batches[0][0], (ReportLine{0, "Checking in a.c : Not logged in"}));
}

}  // namespace
}  // namespace qorv
