// The query commands over the wire: listings with their depth and order,
// listings at a point in time with delivered digests, information and
// history, status and check-out state, and a file checked out by two users.
#include <gtest/gtest.h>

#include "server/content_digest.h"
#include "server/server_fixture.h"

namespace qorv::server::testing {
namespace {

class QueriesTest : public ServerTest {
 protected:
  // $/P: a.c (text with CR LF), bin.dat (binary), Sub/b.c, Sub/Deep/c.c.
  void SetUp() override {
    ServerTest::SetUp();
    MustCreateProject("$/P");
    MustCreateProject("$/P/Sub");
    MustCreateProject("$/P/Sub/Deep");
    MustAdd("$/P/a.c", "one\r\ntwo\r\n");
    MustAdd("$/P/bin.dat", std::string("\x00\x01\x02", 3));
    MustAdd("$/P/Sub/b.c", "b\n");
    MustAdd("$/P/Sub/Deep/c.c", "c\n");
    client_ = LoggedIn();
  }

  // Command 59's names for a depth and include-files value.
  std::vector<std::string> FileListNames(int32_t depth, int32_t include_files) {
    Reply reply = client_->Call(59, [&](COutMessage& out) {
      out.AppendString("$/P");
      out.AppendInt32(depth);
      out.AppendInt32(include_files);
    });
    EXPECT_EQ(reply.status, 0) << reply.text;
    std::vector<std::string> names;
    const int32_t count = client_->in().ReadInt32();
    for (int32_t i = 0; i < count; ++i) {
      std::string name = client_->in().ReadString();
      const bool is_project = client_->in().ReadBool();
      client_->ReadDate();
      client_->in().ReadString();
      for (int k = 0; k < 5; ++k) client_->in().ReadInt32();
      names.push_back(name + (is_project ? "/" : ""));
    }
    EXPECT_EQ(client_->in().remaining(), 0u);
    return names;
  }

  std::unique_ptr<TestClient> client_;
};

TEST_F(QueriesTest, ProjectFileListHonoursSubProjectDepthAndIncludeFiles) {
  // The client's tree: every level of sub-projects, no files.
  EXPECT_EQ(FileListNames(-1, 0), (std::vector<std::string>{"Sub/", "Sub/Deep/"}));
  // The client's file list of one project: its files only.
  EXPECT_EQ(FileListNames(0, 1), (std::vector<std::string>{"a.c", "bin.dat"}));
  // One level: the direct sub-projects, and the files of every listed
  // project, theirs included.
  EXPECT_EQ(FileListNames(1, 1), (std::vector<std::string>{"Sub/", "Sub/b.c", "a.c", "bin.dat"}));
  EXPECT_EQ(FileListNames(-1, 1), (std::vector<std::string>{"Sub/", "Sub/Deep/", "Sub/Deep/c.c",
                                                            "Sub/b.c", "a.c", "bin.dat"}));
}

TEST_F(QueriesTest, ContentsListingsGiveStatusVersionTypeAndStoredSizes) {
  Reply reply = client_->Call(3, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendBool(false);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 3);
  EXPECT_EQ(client_->in().ReadString(), "Sub");
  EXPECT_TRUE(client_->in().ReadBool());
  EXPECT_EQ(client_->in().ReadInt32(), 0);  // status
  EXPECT_EQ(client_->in().ReadInt32(), 3);  // project version: created, then two added
  EXPECT_EQ(client_->in().ReadInt32(), 0);  // type: project
  EXPECT_EQ(client_->in().ReadString(), "a.c");
  EXPECT_FALSE(client_->in().ReadBool());
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadInt32(), kFileTypeText);
  EXPECT_EQ(client_->in().ReadString(), "bin.dat");
  client_->in().ReadBool();
  client_->in().ReadInt32();
  client_->in().ReadInt32();
  EXPECT_EQ(client_->in().ReadInt32(), kFileTypeBinary);
  EXPECT_EQ(client_->in().remaining(), 0u);

  reply = client_->Call(55, [](COutMessage& out) { out.AppendString("$/P"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 3);
  client_->in().ReadString();
  client_->in().ReadBool();
  client_->ReadDate();
  client_->in().ReadInt32();
  EXPECT_EQ(client_->in().ReadInt32(), 0);  // a project has no size
  EXPECT_EQ(client_->in().ReadString(), "a.c");
  client_->in().ReadBool();
  VersionInfo a;
  ASSERT_TRUE(db_->ResolveGet("$/P/a.c", 0, &a).ok());
  EXPECT_EQ(client_->ReadDate(), a.checkin_time);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadInt32(), 8);  // stored with LF: "one\ntwo\n"

  // Changed since a date: nothing after now, everything since before.
  reply = client_->Call(56, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendBool(true);
    AppendWireDate(out, LocalNowMs() + 3600000);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  reply = client_->Call(56, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendBool(true);
    AppendWireDate(out, 0);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 6);

  reply = client_->Call(3, [](COutMessage& out) {
    out.AppendString("$/Nope");
    out.AppendBool(false);
  });
  EXPECT_EQ(reply.status, kStatusProjectNotFound);
  EXPECT_EQ(reply.text, "Project $/Nope does not exist");
}

TEST_F(QueriesTest, ListingsAtAPointGiveDigestsAndSizesOfTheRequestedLineEnding) {
  // The time of the last change before the check-in (not the clock: change
  // times step 1 ms past each other when the clock has not moved on).
  VersionInfo last_added;
  ASSERT_TRUE(db_->ResolveGet("$/P/Sub/Deep/c.c", 0, &last_added).ok());
  const OleMs before_change = last_added.checkin_time;
  CheckoutResult checkout;
  ASSERT_TRUE(db_->CheckOut(alice_, "$/P/a.c", "", &checkout).ok());
  CheckinResult checkin;
  ASSERT_TRUE(db_->CheckIn(alice_, "$/P/a.c", UploadedBody{"three\n", 0}, true, "", &checkin).ok());

  // Project version 4 is $/P after its three additions (created = 1).
  for (int32_t eol : {0, 1, 2}) {
    Reply reply = client_->Call(70, [&](COutMessage& out) {
      out.AppendString("$/P");
      out.AppendInt32(4);
      out.AppendBool(false);
      out.AppendInt32(eol);
    });
    ASSERT_EQ(reply.status, 0) << reply.text;
    ASSERT_EQ(client_->in().ReadInt32(), 3);
    EXPECT_EQ(client_->in().ReadString(), "Sub");
    client_->in().ReadBool();
    client_->in().ReadInt32();
    Md5Digest digest;
    client_->in().ReadBytes(digest.data(), digest.size());
    EXPECT_EQ(digest, Md5Digest{});
    client_->in().ReadString();
    EXPECT_EQ(client_->in().ReadInt32(), 0);
    client_->in().ReadBool();
    client_->in().ReadBool();

    EXPECT_EQ(client_->in().ReadString(), "a.c");
    EXPECT_FALSE(client_->in().ReadBool());
    EXPECT_EQ(client_->in().ReadInt32(), 1);  // the version at that point
    client_->in().ReadBytes(digest.data(), digest.size());
    const std::string delivered = eol == 0   ? "one\rtwo\r"
                                  : eol == 1 ? "one\ntwo\n"
                                             : "one\r\ntwo\r\n";
    EXPECT_EQ(digest, Md5Of(delivered)) << eol;
    EXPECT_EQ(client_->in().ReadString(), "alice");
    EXPECT_EQ(client_->in().ReadInt32(), static_cast<int32_t>(delivered.size()));
    EXPECT_TRUE(client_->in().ReadBool());  // text
    EXPECT_TRUE(client_->in().ReadBool());  // checked out by the session's user now
  }
  Reply reply = client_->Call(70, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendInt32(4);
    out.AppendBool(false);
    out.AppendInt32(3);
  });
  EXPECT_EQ(reply.status, kStatusInvalidEol);
  EXPECT_EQ(reply.text, "Invalid line-ending mode 3");

  // At a date before the check-in, a.c is still version 1; before the
  // project existed there is nothing.
  reply = client_->Call(71, [&](COutMessage& out) {
    out.AppendString("$/P");
    AppendWireDate(out, before_change);
    out.AppendBool(true);
    out.AppendInt32(1);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 6);
  reply = client_->Call(71, [&](COutMessage& out) {
    out.AppendString("$/P");
    AppendWireDate(out, 1000);
    out.AppendBool(true);
    out.AppendInt32(1);
  });
  EXPECT_EQ(reply.status, kStatusProjectDidNotExist);
}

TEST_F(QueriesTest, InformationHistoryAndExistenceQueries) {
  Reply reply = client_->Call(23, [](COutMessage& out) { out.AppendString("$/P/bin.dat"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadString(), "Binary");
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  client_->ReadDate();
  EXPECT_EQ(client_->in().ReadInt32(), 3);
  EXPECT_EQ(client_->in().ReadString(), "");

  reply = client_->Call(24, [](COutMessage& out) { out.AppendString("$/P"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 1);  // sub-projects
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), 2);  // files
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), 4);  // created, then three items added

  reply = client_->Call(34, [](COutMessage& out) {
    out.AppendString("$/P/a.c");
    out.AppendString("");
    AppendWireDate(out, 0);
    AppendWireDate(out, 0);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_FALSE(client_->in().ReadBool());
  ASSERT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadString(), "alice");
  client_->ReadDate();
  EXPECT_EQ(client_->in().ReadString(), "Created");
  for (int i = 0; i < 3; ++i) client_->in().ReadString();
  client_->in().ReadBool();
  client_->in().ReadBool();
  EXPECT_EQ(client_->in().remaining(), 0u);

  // Project history filtered by a user who made nothing.
  reply = client_->Call(35, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendBool(true);
    out.AppendBool(true);
    out.AppendString("bob");
    AppendWireDate(out, 0);
    AppendWireDate(out, 0);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  reply = client_->Call(35, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendBool(false);
    out.AppendBool(false);
    out.AppendString("");
    AppendWireDate(out, 0);
    AppendWireDate(out, 0);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  // $/P's own records, newest first: three additions, then its creation.
  ASSERT_EQ(client_->in().ReadInt32(), 4);
  struct Record {
    std::string path;
    bool is_project;
    int32_t version;
    std::string action;
  };
  std::vector<Record> records;
  for (int i = 0; i < 4; ++i) {
    Record record;
    record.path = client_->in().ReadString();
    record.is_project = client_->in().ReadBool();
    record.version = client_->in().ReadInt32();
    EXPECT_EQ(client_->in().ReadString(), "alice");
    client_->ReadDate();
    record.action = client_->in().ReadString();
    for (int k = 0; k < 3; ++k) client_->in().ReadString();
    records.push_back(record);
  }
  EXPECT_EQ(records.front().version, 4);
  EXPECT_EQ(records.front().action, "Added");
  EXPECT_FALSE(records.front().is_project);  // bin.dat was added last
  EXPECT_EQ(records.back().version, 1);
  EXPECT_EQ(records.back().action, "Created");
  EXPECT_TRUE(records.back().is_project);
  EXPECT_EQ(records.back().path, "$/P");
  EXPECT_EQ(client_->in().remaining(), 0u);

  reply = client_->Call(37);
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 3);
  EXPECT_EQ(client_->in().ReadString(), "alice");
  EXPECT_EQ(client_->in().ReadString(), "ReadWrite");
  client_->in().ReadString();
  client_->in().ReadString();
  EXPECT_EQ(client_->in().ReadString(), "reader");
  EXPECT_EQ(client_->in().ReadString(), "ReadOnly");

  reply = client_->Call(51, [](COutMessage& out) { out.AppendString("$/P/a.c"); });
  EXPECT_TRUE(client_->in().ReadBool());
  reply = client_->Call(51, [](COutMessage& out) { out.AppendString("not a path"); });
  ASSERT_EQ(reply.status, 0);
  EXPECT_FALSE(client_->in().ReadBool());
  reply = client_->Call(52, [](COutMessage& out) { out.AppendString("$/P/a.c"); });
  ASSERT_EQ(reply.status, 0);
  EXPECT_FALSE(client_->in().ReadBool());

  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/bin.dat", false).ok());
  reply = client_->Call(53, [](COutMessage& out) {
    AppendStrings(out, {"$/P", "$/P/a.c", "$/P/bin.dat", "$/nothing", "??"});
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 5);
  std::vector<int> kinds;
  for (int i = 0; i < 5; ++i) kinds.push_back(client_->in().ReadByte());
  EXPECT_EQ(kinds, (std::vector<int>{1, 2, 4, 0, 0}));

  reply = client_->Call(54, [](COutMessage& out) { out.AppendString("$/P"); });
  ASSERT_EQ(reply.status, 0);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
}

TEST_F(QueriesTest, AddCheckAndFileStatusAnswerEachEntry) {
  ASSERT_TRUE(db_->SetExcludedTypes("*.exe").ok());
  Reply reply = client_->Call(66, [](COutMessage& out) {
    out.AppendInt32(4);
    for (const char* path : {"$/P/a.c", "$/P/new.exe", "$/Missing/x.c", "bad"}) {
      out.AppendString(path);
      out.AppendBool(false);
    }
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  std::vector<bool> flags;
  for (int i = 0; i < 16; ++i) flags.push_back(client_->in().ReadBool());
  EXPECT_EQ(flags, (std::vector<bool>{true, false, false, true,  // a.c exists
                                      false, false, true, true,  // new.exe excluded
                                      false, false, false, false, false, false, false, false}));

  reply = client_->Call(67, [](COutMessage& out) {
    out.AppendInt32(2);
    out.AppendInt32(3);
    out.AppendString("$/P/a.c");
    out.AppendInt32(0);
    out.AppendBool(true);
    out.AppendString("$/P/a.c");
    out.AppendInt32(0);
    out.AppendBool(false);
    out.AppendString("$/P/a.c");
    out.AppendInt32(7);
    out.AppendBool(true);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_FALSE(client_->in().ReadBool());
  EXPECT_TRUE(client_->in().ReadBool());
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  Md5Digest digest;
  client_->in().ReadBytes(digest.data(), digest.size());
  EXPECT_EQ(digest, Md5Of("one\r\ntwo\r\n"));  // as delivered with CR LF
  EXPECT_EQ(client_->in().ReadString(), "Completed");
  EXPECT_EQ(client_->in().ReadString(), "alice");
  // Without the digest wanted: zeros.
  for (int i = 0; i < 5; ++i) client_->in().ReadInt32();
  client_->in().ReadBytes(digest.data(), digest.size());
  EXPECT_EQ(digest, Md5Digest{});
  client_->in().ReadString();
  client_->in().ReadString();
  // A failed entry: its status and text, the rest empty.
  EXPECT_EQ(client_->in().ReadInt32(), kStatusNoSuchVersion);
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  client_->in().ReadBool();
  client_->in().ReadBool();
  client_->in().ReadInt32();
  client_->in().ReadBytes(digest.data(), digest.size());
  EXPECT_EQ(digest, Md5Digest{});
  EXPECT_EQ(client_->in().ReadString(), "Version 7 of $/P/a.c does not exist");
  EXPECT_EQ(client_->in().ReadString(), "");
  EXPECT_EQ(client_->in().remaining(), 0u);
}

TEST_F(QueriesTest, AFileCheckedOutByTwoUsersShowsInListStatusAndCheckoutState) {
  CheckoutResult result;
  ASSERT_TRUE(db_->CheckOut(bob_, "$/P/a.c", "", &result).ok());
  ASSERT_TRUE(db_->CheckOut(alice_, "$/P/a.c", "", &result).ok());

  // The file list: status 5 (several check-outs), the oldest holder as the
  // user text, and the check-out count.
  Reply reply = client_->Call(59, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendInt32(0);
    out.AppendInt32(1);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  ASSERT_EQ(client_->in().ReadInt32(), 2);
  EXPECT_EQ(client_->in().ReadString(), "a.c");
  client_->in().ReadBool();
  client_->ReadDate();
  EXPECT_EQ(client_->in().ReadString(), "bob");
  EXPECT_EQ(client_->in().ReadInt32(), 5);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  client_->in().ReadInt32();
  client_->in().ReadInt32();
  EXPECT_EQ(client_->in().ReadInt32(), 2);

  reply = client_->Call(2, [](COutMessage& out) { out.AppendString("$/P/a.c"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(client_->ReadStrings(), (std::vector<std::string>{"bob", "alice"}));

  reply = client_->Call(68, [](COutMessage& out) { AppendStrings(out, {"$/P/a.c", "$/P/Sub"}); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_TRUE(client_->in().ReadBool());
  EXPECT_TRUE(client_->in().ReadBool());
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_EQ(client_->in().ReadInt32(), 1);
  EXPECT_FALSE(client_->in().ReadBool());  // a project is no file
  EXPECT_FALSE(client_->in().ReadBool());
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), 0);

  // Alice's undo leaves bob's check-out: status 3 with bob as the holder.
  reply = client_->Call(43, [](COutMessage& out) { AppendStrings(out, {"$/P/a.c", "$/P/a.c"}); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  VersionInfo shown;
  ASSERT_TRUE(db_->ResolveGet("$/P/a.c", 0, &shown).ok());
  EXPECT_EQ(client_->ReadDate(), shown.checkin_time);
  EXPECT_EQ(client_->in().ReadString(), "bob");
  EXPECT_EQ(client_->in().ReadInt32(), 3);
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadString(), "Completed");
  EXPECT_EQ(client_->ReadDate(), 0);
  EXPECT_EQ(client_->in().ReadString(), "");
  EXPECT_EQ(client_->in().ReadInt32(), 0);
  EXPECT_EQ(client_->in().ReadInt32(), kStatusNotCheckedOutByYou);
  EXPECT_EQ(client_->in().ReadString(), "File $/P/a.c is not checked out by you");

  auto bob = LoggedIn("bob", "hunter2");
  reply = bob->Call(67, [](COutMessage& out) {
    out.AppendInt32(1);
    out.AppendInt32(1);
    out.AppendString("$/P/a.c");
    out.AppendInt32(0);
    out.AppendBool(false);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  bob->in().ReadInt32();
  bob->in().ReadInt32();
  EXPECT_TRUE(bob->in().ReadBool());
  bob->in().ReadBool();
  EXPECT_EQ(bob->in().ReadInt32(), 3);
}

}  // namespace
}  // namespace qorv::server::testing
