// The commands that change the project tree and files, over the wire: each
// one's reply fields in order and its effect on the store.
#include <gtest/gtest.h>

#include <cstring>

#include "codec/byte_order.h"
#include "server/server_fixture.h"

namespace qorv::server::testing {
namespace {

struct EntryResult {
  int32_t result;
  std::string text;
};

std::vector<EntryResult> ReadEntryResults(TestClient& client, size_t count) {
  std::vector<EntryResult> results;
  for (size_t i = 0; i < count; ++i) {
    const int32_t result = client.in().ReadInt32();
    results.push_back({result, client.in().ReadString()});
  }
  return results;
}

class TreeCommandsTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    client_ = LoggedIn();
  }

  Reply Call(uint8_t code, const std::function<void(COutMessage&)>& fields = {}) {
    return client_->Call(code, fields);
  }

  std::unique_ptr<TestClient> client_;
};

TEST_F(TreeCommandsTest, CreateProjectsAnswersEachEntryWithTheClientsThreeResults) {
  MustAdd("$/file.c", "x\n");
  Reply reply = Call(4, [](COutMessage& out) {
    out.AppendString("the comment");
    AppendStrings(out, {"$/A", "$/A", "$/A/B", "$/Missing/C", "$/file.c", "$/bad:name"});
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  const std::vector<EntryResult> results = ReadEntryResults(*client_, 6);
  EXPECT_EQ(client_->in().remaining(), 0u);
  EXPECT_EQ(results[0].result, 0);
  EXPECT_EQ(results[0].text, "Completed");
  EXPECT_EQ(results[1].result, 2);
  EXPECT_EQ(results[1].text, "Project $/A already exists");
  EXPECT_EQ(results[2].result, 0);
  EXPECT_EQ(results[3].result, 3);
  EXPECT_EQ(results[3].text, "Project $/Missing does not exist");
  EXPECT_EQ(results[4].result, 3);
  EXPECT_EQ(results[5].result, 3);
  EXPECT_TRUE(db_->ProjectExists("$/A/B"));
  ProjectGeneralInfo info;
  ASSERT_TRUE(db_->ProjectInfo("$/A", &info).ok());
  EXPECT_EQ(info.comment, "the comment");
}

TEST_F(TreeCommandsTest, DeleteRecoverAndPurgeTravelWithPerEntryResults) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.c", "a\n");
  MustAdd("$/P/b.c", "b\n");
  Reply reply = Call(5, [](COutMessage& out) {
    out.AppendBool(false);
    AppendStrings(out, {"$/P/a.c", "$/P/nothing.c", "$/"});
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  std::vector<EntryResult> results = ReadEntryResults(*client_, 3);
  EXPECT_EQ(results[0].result, 0);
  EXPECT_EQ(results[1].result, kStatusItemNotFound);
  EXPECT_EQ(results[1].text, "Item $/P/nothing.c does not exist");
  EXPECT_EQ(results[2].result, kStatusRootUnchangeable);
  EXPECT_FALSE(db_->FileExists("$/P/a.c"));

  reply = Call(25, [](COutMessage& out) { out.AppendString("$/P"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadString(), "a.c");
  EXPECT_EQ(client_->in().ReadByte(), 0);

  // Recover: a date for each entry, 0 when the entry failed.
  const OleMs before = LocalNowMs();
  reply = Call(7, [](COutMessage& out) { AppendStrings(out, {"$/P/a.c", "$/P/zzz.c"}); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_GE(client_->ReadDate(), before - 1000);
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadString(), "Completed");
  EXPECT_EQ(client_->ReadDate(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), kStatusNoDeletedItem);
  EXPECT_EQ(client_->in().ReadString(), "No deleted item $/P/zzz.c");
  EXPECT_TRUE(db_->FileExists("$/P/a.c"));

  // Destroy b.c; purge needs a deleted item.
  reply = Call(5, [](COutMessage& out) {
    out.AppendBool(true);
    AppendStrings(out, {"$/P/b.c"});
  });
  ASSERT_EQ(reply.status, 0);
  EXPECT_EQ(ReadEntryResults(*client_, 1)[0].result, 0);
  reply = Call(32, [](COutMessage& out) { AppendStrings(out, {"$/P/b.c"}); });
  ASSERT_EQ(reply.status, 0);
  EXPECT_EQ(ReadEntryResults(*client_, 1)[0].result, kStatusNoDeletedItem);
  std::vector<DeletedItem> deleted;
  ASSERT_TRUE(db_->DeletedItems("$/P", &deleted).ok());
  EXPECT_TRUE(deleted.empty());
}

TEST_F(TreeCommandsTest, RenameMoveShareAndLinks) {
  MustCreateProject("$/A");
  MustCreateProject("$/B");
  MustAdd("$/A/x.c", "x\n");
  Reply reply = Call(6, [](COutMessage& out) {
    out.AppendString("$/A/x.c");
    out.AppendString("y.c");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().remaining(), 0u);
  EXPECT_TRUE(db_->FileExists("$/A/y.c"));
  reply = Call(6, [](COutMessage& out) {
    out.AppendString("$/A/y.c");
    out.AppendString("../escape");
  });
  EXPECT_EQ(reply.status, kStatusInvalidName);

  reply = Call(8, [](COutMessage& out) {
    out.AppendString("$/B");
    out.AppendString("$/A/y.c");
    out.AppendBool(false);
    out.AppendString("");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  reply = Call(22, [](COutMessage& out) { out.AppendString("$/B/y.c"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->ReadStrings(), (std::vector<std::string>{"$/A/y.c", "$/B/y.c"}));

  reply = Call(9, [](COutMessage& out) {
    out.AppendString("$/B");
    out.AppendString("$/A");
    out.AppendBool(false);
    out.AppendBool(true);
    out.AppendString("share");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_TRUE(db_->FileExists("$/B/A/y.c"));
  reply = Call(9, [](COutMessage& out) {
    out.AppendString("$/A");
    out.AppendString("$/A");
    out.AppendBool(false);
    out.AppendBool(true);
    out.AppendString("");
  });
  EXPECT_EQ(reply.status, kStatusUnderItself);

  reply = Call(19, [](COutMessage& out) {
    out.AppendString("$/B/A");
    out.AppendString("$/A");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_TRUE(db_->ProjectExists("$/A/A"));
  EXPECT_FALSE(db_->ProjectExists("$/B/A"));
}

TEST_F(TreeCommandsTest, PinUnpinAndBranchReplyWithTheirDateForms) {
  MustCreateProject("$/A");
  MustCreateProject("$/B");
  MustAdd("$/A/f.c", "one\n");
  CheckoutResult checkout;
  ASSERT_TRUE(db_->CheckOut(alice_, "$/A/f.c", "", &checkout).ok());
  CheckinResult checkin;
  ASSERT_TRUE(
      db_->CheckIn(alice_, "$/A/f.c", UploadedBody{"two\n", 0}, false, "v2", &checkin).ok());

  Reply reply = Call(16, [](COutMessage& out) {
    out.AppendString("$/A/f.c");
    out.AppendInt32(1);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  VersionInfo first;
  ASSERT_TRUE(db_->ResolveGet("$/A/f.c", 1, &first).ok());
  EXPECT_EQ(client_->ReadDate(), first.checkin_time);
  reply = Call(16, [](COutMessage& out) {
    out.AppendString("$/A/f.c");
    out.AppendInt32(9);
  });
  EXPECT_EQ(reply.status, kStatusNoSuchVersion);
  EXPECT_EQ(reply.text, "Version 9 of $/A/f.c does not exist");

  reply = Call(17, [](COutMessage& out) { out.AppendString("$/A/f.c"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->ReadDate(), checkin.checkin_time);
  EXPECT_EQ(client_->in().ReadInt32(), 2);
  reply = Call(17, [](COutMessage& out) { out.AppendString("$/A/f.c"); });
  EXPECT_EQ(reply.status, kStatusNotPinned);

  reply = Call(18, [](COutMessage& out) {
    out.AppendString("$/A/f.c");
    out.AppendString("");
  });
  EXPECT_EQ(reply.status, kStatusNotShared);
  ASSERT_TRUE(db_->ShareFile(alice_, "$/B", "$/A/f.c", false, "").ok());
  reply = Call(18, [](COutMessage& out) {
    out.AppendString("$/B/f.c");
    out.AppendString("split");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  // Command 18 alone answers with 8 raw bytes: a little-endian double.
  uint8_t raw[8];
  client_->in().ReadBytes(raw, sizeof(raw));
  const uint64_t bits = LoadLittleEndian32(raw) | uint64_t{LoadLittleEndian32(raw + 4)} << 32;
  double when;
  std::memcpy(&when, &bits, sizeof(when));
  EXPECT_NEAR(when, ToOleDouble(LocalNowMs()), 1.0 / 24);
  EXPECT_EQ(client_->in().ReadInt32(), 2);
  std::vector<std::string> links;
  ASSERT_TRUE(db_->FileLinks("$/A/f.c", &links).ok());
  EXPECT_EQ(links, std::vector<std::string>{"$/A/f.c"});
}

TEST_F(TreeCommandsTest, LabelsAndLatestOnlyReachTheStore) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.c", "one\n");
  Reply reply = Call(33, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendString("Release 1");
    out.AppendString("first release");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  const OleMs label_time = client_->ReadDate();
  reply = Call(33, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendString("");
    out.AppendString("");
  });
  EXPECT_EQ(reply.status, kStatusInvalidLabel);

  reply = Call(112, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendString("release 1");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->ReadDate(), label_time);
  reply = Call(60, [](COutMessage& out) {
    out.AppendString("$/P/f.c");
    out.AppendString("Release 1");
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  reply = Call(21, [](COutMessage& out) { out.AppendString("$/P/f.c"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadString(), "Release 1");
  EXPECT_EQ(client_->in().ReadString(), "first release");
  EXPECT_EQ(client_->in().ReadString(), "alice");
  EXPECT_EQ(client_->ReadDate(), label_time);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadString(), "$/P");
  EXPECT_EQ(client_->in().ReadInt32(), 1);  // current version
  EXPECT_EQ(client_->in().remaining(), 0u);

  CheckoutResult checkout;
  ASSERT_TRUE(db_->CheckOut(alice_, "$/P/f.c", "", &checkout).ok());
  CheckinResult checkin;
  ASSERT_TRUE(db_->CheckIn(alice_, "$/P/f.c", UploadedBody{"two\n", 0}, false, "", &checkin).ok());
  reply = Call(48, [](COutMessage& out) {
    out.AppendString("$/P/f.c");
    out.AppendBool(true);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  VersionInfo old_version;
  EXPECT_EQ(db_->ResolveGet("$/P/f.c", 1, &old_version).code, kStatusVersionNotKept);
}

TEST_F(TreeCommandsTest, ReadOnlyUsersAreRefusedAsAWholeAndPurgeStillAnswersEachEntry) {
  MustCreateProject("$/P");
  auto reader = LoggedIn("reader", "r");
  Reply reply = reader->Call(4, [](COutMessage& out) {
    out.AppendString("");
    AppendStrings(out, {"$/P/New"});
  });
  EXPECT_EQ(reply.status, kStatusNoRights);
  EXPECT_EQ(reply.text, "You do not have the rights for this operation");
  EXPECT_EQ(reader->in().remaining(), 0u);
  EXPECT_FALSE(db_->ProjectExists("$/P/New"));

  // Command 32's client reads one result per entry whatever the status.
  reply = reader->Call(32, [](COutMessage& out) { AppendStrings(out, {"$/P/a", "$/P/b"}); });
  EXPECT_EQ(reply.status, kStatusNoRights);
  const std::vector<EntryResult> results = ReadEntryResults(*reader, 2);
  EXPECT_EQ(results[1].result, kStatusNoRights);
  EXPECT_EQ(results[1].text, "You do not have the rights for this operation");
  EXPECT_EQ(reader->in().remaining(), 0u);

  // Queries are allowed.
  reply = reader->Call(52, [](COutMessage& out) { out.AppendString("$/P"); });
  ASSERT_EQ(reply.status, 0);
  EXPECT_TRUE(reader->in().ReadBool());
}

}  // namespace
}  // namespace qorv::server::testing
