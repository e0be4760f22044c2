// File bodies over the wire: uploads (64) held per session and taken by
// add (40) and check-in (81), downloads (65) of the names that get (38)
// and check-out (72) issue, the check-out confirmation and the spool files.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>

#include "server/server_fixture.h"
#include "server/transfer_connection.h"
#include "support/zip_memory.h"

namespace qorv::server::testing {
namespace {

constexpr size_t kFirstBytes = 65532;
constexpr size_t kMessageBytes = 65536;

struct FileResult {
  bool transferred = false;
  std::string text;
};

class ServerTransferTest : public ServerTest {
 protected:
  // Sends a 64 batch on a new transfer connection. None when the
  // connection closed instead of answering.
  std::optional<std::vector<FileResult>> Upload(
      int32_t identity, const std::vector<std::pair<int32_t, std::string>>& files,
      bool compressed = false, const std::optional<std::string>& sent_body = std::nullopt) {
    auto client = Connected();
    COutMessage& out = client->out();
    out.Reset();
    out.AppendByte(64);
    out.AppendBool(compressed);
    out.AppendBool(false);
    out.AppendInt32(identity);
    out.AppendInt32(static_cast<int32_t>(files.size()));
    std::string body;
    for (const auto& [index, bytes] : files) {
      out.AppendInt32(index);
      out.AppendInt32(static_cast<int32_t>(bytes.size()));
      AppendWireDate(out, 45000LL * kMsPerDay + index);
      body += bytes;
    }
    if (out.Send(client->connection().socket()) != 0) return std::nullopt;
    if (compressed) body = sent_body ? *sent_body : qorv::testing::PackToString(body);
    if (!SendBody(*client, body)) return std::nullopt;
    if (client->in().Receive(client->connection().socket()) != 0) return std::nullopt;
    std::vector<FileResult> results(files.size());
    for (FileResult& result : results) {
      result.transferred = client->in().ReadBool();
      result.text = client->in().ReadString();
    }
    return results;
  }

  static bool SendBody(TestClient& client, const std::string& body) {
    COutMessage& out = client.out();
    out.Reset();
    out.AppendInt32(static_cast<int32_t>(body.size()));
    size_t sent = std::min(body.size(), kFirstBytes);
    out.AppendBytes(body.data(), sent);
    if (out.Send(client.connection().socket()) != 0) return false;
    while (sent < body.size()) {
      const size_t piece = std::min(body.size() - sent, kMessageBytes);
      out.Reset();
      out.AppendBytes(body.data() + sent, piece);
      if (out.Send(client.connection().socket()) != 0) return false;
      sent += piece;
    }
    return true;
  }

  // Fetches the bodies the names name with 65; each body is cut from the
  // one transferred by `sizes`. None when the connection closed.
  std::optional<std::vector<std::string>> Download(int32_t identity,
                                                   const std::vector<std::string>& names,
                                                   const std::vector<int32_t>& sizes,
                                                   std::vector<OleMs>* dates = nullptr,
                                                   bool compressed = false) {
    auto client = Connected();
    COutMessage& out = client->out();
    out.Reset();
    out.AppendByte(65);
    out.AppendBool(compressed);
    out.AppendBool(false);
    out.AppendInt32(identity);
    out.AppendInt32(static_cast<int32_t>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
      out.AppendInt32(static_cast<int32_t>(i));
      out.AppendString(names[i]);
    }
    if (out.Send(client->connection().socket()) != 0) return std::nullopt;
    CInMessage& in = client->in();
    if (in.Receive(client->connection().socket()) != 0) return std::nullopt;
    const uint32_t total = static_cast<uint32_t>(in.ReadInt32());
    std::string body;
    while (true) {
      const size_t take = std::min<size_t>(in.remaining(), total - body.size());
      body.append(reinterpret_cast<const char*>(in.data() + in.position()), take);
      if (body.size() == total) break;
      if (in.Receive(client->connection().socket()) != 0) return std::nullopt;
    }
    if (in.Receive(client->connection().socket()) != 0) return std::nullopt;
    for (size_t i = 0; i < names.size(); ++i) {
      const OleMs date = client->ReadDate();
      if (dates != nullptr) dates->push_back(date);
    }
    if (compressed) {
      std::string unpacked;
      const ZipResult result = qorv::testing::UnpackFromString(body, &unpacked);
      EXPECT_TRUE(result.ok()) << result.text;
      body = unpacked;
    }
    std::vector<std::string> bodies;
    size_t at = 0;
    for (int32_t size : sizes) {
      bodies.push_back(body.substr(at, static_cast<size_t>(size)));
      at += static_cast<size_t>(size);
    }
    EXPECT_EQ(at, body.size());
    return bodies;
  }

  // Command 40 for one file per (index, path); the per-entry results.
  std::vector<int32_t> Add(TestClient& client,
                           const std::vector<std::pair<int32_t, std::string>>& entries,
                           int32_t type = 0) {
    Reply reply = client.Call(40, [&](COutMessage& out) {
      out.AppendString("added");
      out.AppendInt32(2);
      out.AppendInt32(client.identity());
      out.AppendInt32(static_cast<int32_t>(entries.size()));
      for (const auto& [index, path] : entries) {
        out.AppendInt32(index);
        out.AppendString(path);
        out.AppendInt32(type);
        out.AppendBool(false);
      }
    });
    EXPECT_EQ(reply.status, 0) << reply.text;
    std::vector<int32_t> results;
    if (reply.status != 0) return results;
    for (size_t i = 0; i < entries.size(); ++i) {
      client.ReadDate();
      results.push_back(client.in().ReadInt32());
      client.in().ReadString();
    }
    return results;
  }

  struct Got {
    std::string name;
    int32_t size = 0;
    bool text = false;
    int32_t result = 0;
  };
  std::vector<Got> Get(TestClient& client, int32_t eol, const std::vector<std::string>& paths,
                       int32_t identity = -1) {
    Reply reply = client.Call(38, [&](COutMessage& out) {
      out.AppendInt32(eol);
      out.AppendInt32(1);
      out.AppendInt32(identity == -1 ? client.identity() : identity);
      out.AppendInt32(static_cast<int32_t>(paths.size()));
      for (const std::string& path : paths) {
        out.AppendString(path);
        out.AppendInt32(0);
      }
    });
    std::vector<Got> got;
    if (reply.status != 0) {
      got.push_back({"", 0, false, reply.status});
      return got;
    }
    for (size_t i = 0; i < paths.size(); ++i) {
      Got entry;
      entry.name = client.in().ReadString();
      entry.size = client.in().ReadInt32();
      entry.text = client.in().ReadBool();
      client.ReadDate();
      client.ReadDate();
      entry.result = client.in().ReadInt32();
      client.in().ReadString();
      got.push_back(entry);
    }
    return got;
  }

  size_t SpoolFiles() {
    std::error_code ignored;
    const std::filesystem::path spool = temp_.Child("data") + "/spool";
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(spool, ignored)) {
      (void)entry;
      ++count;
    }
    return count;
  }

  // A text with mixed line endings and a binary body.
  const std::string text_ = "alpha\r\nbeta\rgamma\ndelta\r\n";
  const std::string binary_ = std::string("\x89PNG\r\n\x1a\n\0\x01\r", 12);
};

TEST_F(ServerTransferTest, AddedBodiesComeBackInEveryLineEnding) {
  MustCreateProject("$/P");
  auto client = LoggedIn();
  auto uploaded = Upload(client->identity(), {{0, text_}, {1, binary_}});
  ASSERT_TRUE(uploaded);
  for (const FileResult& result : *uploaded) {
    EXPECT_TRUE(result.transferred);
    EXPECT_EQ(result.text, kTextFileReceived);
  }
  EXPECT_EQ(Add(*client, {{0, "$/P/t.txt"}, {1, "$/P/b.bin"}}), (std::vector<int32_t>{0, 0}));
  const std::string expected[3] = {"alpha\rbeta\rgamma\rdelta\r", "alpha\nbeta\ngamma\ndelta\n",
                                   "alpha\r\nbeta\r\ngamma\r\ndelta\r\n"};
  for (int32_t eol = 0; eol < 3; ++eol) {
    std::vector<Got> got = Get(*client, eol, {"$/P/t.txt", "$/P/b.bin", "$/P/none.txt"});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(got[0].text);
    EXPECT_FALSE(got[1].text);
    EXPECT_EQ(got[2].result, kStatusFileNotFound);
    EXPECT_TRUE(got[2].name.empty());
    EXPECT_EQ(got[0].size, static_cast<int32_t>(expected[eol].size()));
    std::vector<OleMs> dates;
    auto bodies = Download(client->identity(), {got[0].name, got[1].name},
                           {got[0].size, got[1].size}, &dates);
    ASSERT_TRUE(bodies);
    EXPECT_EQ((*bodies)[0], expected[eol]) << eol;
    EXPECT_EQ((*bodies)[1], binary_) << eol;
    // File-time mode 1: the modification time sent with the upload.
    EXPECT_EQ(dates, (std::vector<OleMs>{45000LL * kMsPerDay, 45000LL * kMsPerDay + 1}));
  }
  // Bodies are consumed by the add: a second add of index 0 has none.
  EXPECT_EQ(Add(*client, {{0, "$/P/again.txt"}}), std::vector<int32_t>{kStatusNoUploadedBody});
  EXPECT_EQ(Get(*client, 1, {"$/P/t.txt"}, client->identity() + 1)[0].result,
            kStatusUnknownLoginIdentity);
  EXPECT_EQ(Get(*client, 3, {"$/P/t.txt"})[0].result, kStatusInvalidEol);
}

// Sizes around the message limits, and a body of several MB whose CR LF
// pairs straddle the store's pieces, all in one batch.
TEST_F(ServerTransferTest, OneBatchOfBodiesAtMessageAndPieceBoundaries) {
  MustCreateProject("$/P");
  auto client = LoggedIn();
  std::vector<std::pair<int32_t, std::string>> files;
  std::vector<std::pair<int32_t, std::string>> adds;
  for (size_t size : {size_t{0}, kFirstBytes, kFirstBytes + 1, kMessageBytes}) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>(i % 253);
    const int32_t index = static_cast<int32_t>(files.size());
    files.emplace_back(index, body);
    adds.emplace_back(index, "$/P/f" + std::to_string(size) + ".bin");
  }
  std::string large;
  while (large.size() < 3 * 1024 * 1024 + 7) large.append("0123456789abcdef\r\n");
  // A CR as the last byte of the first 1 MiB piece, its LF the first of the next.
  large.replace((1 << 20) - 1, 2, "\r\n");
  files.emplace_back(10, large);
  adds.emplace_back(10, "$/P/large.txt");
  auto uploaded = Upload(client->identity(), files);
  ASSERT_TRUE(uploaded);
  for (const FileResult& result : *uploaded) EXPECT_TRUE(result.transferred) << result.text;
  // Binary bodies are given the binary type (a run of 0 bytes would be
  // detected as binary anyway, but an empty body would be text).
  adds.pop_back();
  EXPECT_EQ(Add(*client, adds, kFileTypeBinary), std::vector<int32_t>(adds.size(), 0));
  EXPECT_EQ(Add(*client, {{10, "$/P/large.txt"}}), std::vector<int32_t>{0});

  std::vector<std::string> paths;
  for (const auto& add : adds) paths.push_back(add.second);
  paths.push_back("$/P/large.txt");
  std::vector<Got> got = Get(*client, 2, paths);
  ASSERT_EQ(got.size(), files.size());
  std::vector<std::string> names;
  std::vector<int32_t> sizes;
  for (const Got& entry : got) {
    EXPECT_EQ(entry.result, 0);
    names.push_back(entry.name);
    sizes.push_back(entry.size);
  }
  auto bodies = Download(client->identity(), names, sizes);
  ASSERT_TRUE(bodies);
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_TRUE((*bodies)[i] == files[i].second) << "file " << i;
  }
  EXPECT_EQ(SpoolFiles(), 0u);
}

TEST_F(ServerTransferTest, GetFindsNamesInAnyLetterCaseAndOnlyFiles) {
  // One request resolves each project once for all its files: the letter
  // case of a project's name, a file named as a project and a project named
  // as a file must still come out as they would one by one.
  MustCreateProject("$/P");
  MustCreateProject("$/P/Sub");
  MustAdd("$/P/t.txt", "t\n");
  MustAdd("$/P/Sub/u.txt", "u\n");
  auto client = LoggedIn();
  std::vector<Got> got = Get(*client, 1,
                             {"$/p/T.TXT", "$/P/SUB/u.txt", "$/P/t.txt/x", "$/Q/t.txt", "$/P/Sub",
                              "$/P/sub/none.txt", "not a path", "$/P/t.txt"});
  ASSERT_EQ(got.size(), 8u);
  EXPECT_EQ(got[0].result, 0);
  EXPECT_EQ(got[1].result, 0);
  EXPECT_EQ(got[2].result, kStatusFileNotFound);
  EXPECT_EQ(got[3].result, kStatusFileNotFound);
  EXPECT_EQ(got[4].result, kStatusFileNotFound);
  EXPECT_EQ(got[5].result, kStatusFileNotFound);
  EXPECT_EQ(got[6].result, kStatusInvalidPath);
  EXPECT_EQ(got[7].result, 0);
  EXPECT_EQ(got[0].name, got[7].name);
  auto bodies =
      Download(client->identity(), {got[0].name, got[1].name}, {got[0].size, got[1].size});
  ASSERT_TRUE(bodies);
  EXPECT_EQ((*bodies)[0], "t\n");
  EXPECT_EQ((*bodies)[1], "u\n");
}

TEST_F(ServerTransferTest, UnknownIdentitiesAreRefused) {
  auto client = LoggedIn();
  const int32_t unknown = client->identity() == 1 ? 2 : 1;
  // An identity that names no live session closes the connection.
  EXPECT_FALSE(Upload(unknown, {{0, "x"}, {1, "yz"}}));

  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a\n");
  std::vector<Got> got = Get(*client, 1, {"$/P/a.txt"});
  ASSERT_EQ(got[0].result, 0);
  EXPECT_FALSE(Download(unknown, {got[0].name}, {got[0].size}));
  EXPECT_FALSE(Download(client->identity(), {"V999999.1.1"}, {1}));
  EXPECT_FALSE(Download(client->identity(), {"not a name"}, {1}));
  EXPECT_TRUE(Download(client->identity(), {got[0].name}, {got[0].size}));
}

// Compressed bodies both ways; an archive that does not unpack to the
// announced sizes fails every file of its batch and leaves no spool file.
TEST_F(ServerTransferTest, CompressedBodiesTravelBothWaysAndBrokenArchivesFailTheirBatch) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "first line\nsecond line\n");
  MustAdd("$/P/b.bin", std::string("\0\1binary\0", 10));
  auto client = LoggedIn();
  std::vector<Got> got = Get(*client, 1, {"$/P/a.txt", "$/P/b.bin"});
  ASSERT_EQ(got[0].result, 0);
  ASSERT_EQ(got[1].result, 0);
  auto bodies = Download(client->identity(), {got[0].name, got[1].name}, {got[0].size, got[1].size},
                         nullptr, true);
  ASSERT_TRUE(bodies);
  EXPECT_EQ((*bodies)[0], "first line\nsecond line\n");
  EXPECT_EQ((*bodies)[1], std::string("\0\1binary\0", 10));

  auto uploaded = Upload(client->identity(), {{0, "one\n"}, {1, ""}, {2, "three\n"}}, true);
  ASSERT_TRUE(uploaded);
  for (const FileResult& result : *uploaded) {
    EXPECT_TRUE(result.transferred) << result.text;
    EXPECT_EQ(result.text, kTextFileReceived);
  }
  const size_t held = SpoolFiles();
  EXPECT_EQ(held, 3u);

  const struct {
    std::string archive;
    std::string text;
  } broken[] = {
      {"zip bytes", "Error unzipping file: ZIP file structure invalid"},
      {qorv::testing::PackToString("one\nthree"), kTextMalformedRequest},
      {qorv::testing::PackToString("one\nthree\n and more"),
       "Error unzipping file: ZIP file structure invalid"},
  };
  for (const auto& test : broken) {
    uploaded = Upload(client->identity(), {{5, "one\n"}, {6, "three\n"}}, true, test.archive);
    ASSERT_TRUE(uploaded);
    for (const FileResult& result : *uploaded) {
      EXPECT_FALSE(result.transferred);
      EXPECT_EQ(result.text, test.text);
    }
  }
  EXPECT_EQ(SpoolFiles(), held);
}

TEST_F(ServerTransferTest, HeldBodiesAreReplacedAndRemovedWhenTheSessionEnds) {
  MustCreateProject("$/P");
  auto client = LoggedIn();
  ASSERT_TRUE(Upload(client->identity(), {{4, "first\n"}}));
  ASSERT_TRUE(Upload(client->identity(), {{4, "second\n"}, {5, "other\n"}}));
  EXPECT_EQ(SpoolFiles(), 2u);
  EXPECT_EQ(Add(*client, {{4, "$/P/x.txt"}}), std::vector<int32_t>{0});
  std::vector<Got> got = Get(*client, 1, {"$/P/x.txt"});
  EXPECT_EQ(Download(client->identity(), {got[0].name}, {got[0].size})->at(0), "second\n");
  EXPECT_EQ(SpoolFiles(), 1u);
  const int32_t identity = client->identity();
  client.reset();
  ASSERT_TRUE(WaitForSessions(0));
  EXPECT_EQ(SpoolFiles(), 0u);
  // The identity of an ended session names nothing any more.
  EXPECT_FALSE(Upload(identity, {{1, "late"}}));
  EXPECT_EQ(SpoolFiles(), 0u);
}

TEST_F(ServerTransferTest, ATransferConnectionDroppedMidBodyLeavesNoSpoolFile) {
  auto client = LoggedIn();
  FaultHooks hooks;
  hooks.drop_after_frames = 2;  // the request and the body's first message
  server_->SetFaultHooks(hooks);
  EXPECT_FALSE(Upload(client->identity(), {{0, std::string(3 * kMessageBytes, 'x')}}));
  server_->SetFaultHooks(FaultHooks{});
  for (int i = 0; i < 100 && SpoolFiles() != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(SpoolFiles(), 0u);
}

// Command 72 for each path (body wanted); the per-entry results.
std::vector<int32_t> CheckOut(TestClient& client, const std::vector<std::string>& paths,
                              std::vector<std::string>* names = nullptr) {
  Reply reply = client.Call(72, [&](COutMessage& out) {
    out.AppendString("");
    out.AppendInt32(1);
    out.AppendInt32(1);
    out.AppendInt32(client.identity());
    out.AppendInt32(static_cast<int32_t>(paths.size()));
    for (const std::string& path : paths) {
      out.AppendString(path);
      out.AppendInt32(1);
    }
  });
  EXPECT_EQ(reply.status, 0) << reply.text;
  std::vector<int32_t> results;
  for (size_t i = 0; reply.status == 0 && i < paths.size(); ++i) {
    const std::string name = client.in().ReadString();
    if (names != nullptr) names->push_back(name);
    client.ReadDate();
    client.in().ReadString();
    client.in().ReadInt32();
    client.ReadDate();
    client.ReadDate();
    client.in().ReadInt32();
    client.in().ReadInt32();
    results.push_back(client.in().ReadInt32());
    client.in().ReadString();
  }
  return results;
}

TEST_F(ServerTransferTest, ConfirmationReleasesUndeliveredCheckoutsAndASkippedOneKeepsThem) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a\n");
  MustAdd("$/P/b.txt", "b\n");
  auto client = LoggedIn();
  std::vector<std::string> names;
  ASSERT_EQ(CheckOut(*client, {"$/P/a.txt", "$/P/b.txt"}, &names), (std::vector<int32_t>{0, 0}));
  EXPECT_FALSE(names[0].empty());
  // The confirmation: a delivered, b not received (19000).
  client->out().Reset();
  client->out().AppendInt32(0);
  client->out().AppendInt32(19000);
  Reply reply = client->Exchange();
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.text, "Completed");
  CheckoutState state;
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/a.txt", &state).ok());
  EXPECT_TRUE(state.checked_out_by_actor);
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/b.txt", &state).ok());
  EXPECT_FALSE(state.checked_out_by_actor);

  // A skipped confirmation: the next frame is a request (82) and answered
  // as one; the check-out stays.
  ASSERT_EQ(CheckOut(*client, {"$/P/b.txt", "$/P/a.txt"}),
            (std::vector<int32_t>{0, kStatusAlreadyCheckedOut}));
  EXPECT_EQ(client->Call(82).status, 0);
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/b.txt", &state).ok());
  EXPECT_TRUE(state.checked_out_by_actor);
  // A 19000 for an entry that failed releases nothing.
  ASSERT_EQ(CheckOut(*client, {"$/P/a.txt"}), std::vector<int32_t>{kStatusAlreadyCheckedOut});
  client->out().Reset();
  client->out().AppendInt32(19000);
  EXPECT_EQ(client->Exchange().status, 0);
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/a.txt", &state).ok());
  EXPECT_TRUE(state.checked_out_by_actor);
}

TEST_F(ServerTransferTest, CheckInTakesTheBodyOfEachEntryIndex) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a1\n");
  MustAdd("$/P/b.txt", "b1\n");
  MustAdd("$/P/c.txt", "c1\n");
  auto client = LoggedIn();
  ASSERT_EQ(CheckOut(*client, {"$/P/a.txt", "$/P/b.txt", "$/P/c.txt"}),
            (std::vector<int32_t>{0, 0, 0}));
  client->out().Reset();
  EXPECT_EQ(client->Exchange().status, 0);  // empty confirmation: nothing released
  ASSERT_TRUE(Upload(client->identity(), {{7, "stale\n"}}));
  Reply reply = client->Call(80, [&](COutMessage& out) {
    out.AppendInt32(2);
    out.AppendInt32(client->identity());
    out.AppendInt32(3);
    for (const auto& [path, index] : std::vector<std::pair<std::string, int32_t>>{
             {"$/P/a.txt", 0}, {"$/P/b.txt", 1}, {"$/P/c.txt", 2}}) {
      out.AppendString(path);
      out.AppendInt32(index);
    }
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(SpoolFiles(), 0u);  // 80 discards what the session held
  ASSERT_TRUE(Upload(client->identity(), {{2, "c2\r\n"}, {0, "a2\r\n"}}));
  reply = client->Call(81, [&](COutMessage& out) {
    out.AppendBool(false);
    out.AppendString("commit");
    out.AppendInt32(4);
    for (const auto& [path, uploaded, index] :
         std::vector<std::tuple<std::string, bool, int32_t>>{{"$/P/c.txt", true, 2},
                                                             {"$/P/b.txt", false, 1},
                                                             {"$/P/a.txt", true, 0},
                                                             {"$/P/a.txt", true, 7}}) {
      out.AppendString(path);
      out.AppendBool(uploaded);
      out.AppendInt32(index);
    }
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  const std::vector<std::pair<int32_t, int32_t>> expected = {
      {2, 0}, {1, 0}, {0, 0}, {7, kStatusNoUploadedBody}};  // 7 went with 80
  for (const auto& [index, result] : expected) {
    EXPECT_EQ(client->in().ReadInt32(), index);
    const int32_t version = client->in().ReadInt32();
    client->ReadDate();
    client->in().ReadString();
    client->in().ReadInt32();
    EXPECT_EQ(client->in().ReadInt32(), result) << index;
    EXPECT_EQ(version, result == 0 ? 2 : 0);
    client->in().ReadString();
  }
  std::string bytes;
  VersionInfo info;
  ASSERT_TRUE(db_->ResolveGet("$/P/c.txt", 0, &info).ok());
  ASSERT_TRUE(db_->ReadBody(info.record_id, Eol::kLf, &bytes).ok());
  EXPECT_EQ(bytes, "c2\n");
  ASSERT_TRUE(db_->ResolveGet("$/P/b.txt", 0, &info).ok());
  EXPECT_EQ(info.version, 2);
  ASSERT_TRUE(db_->ReadBody(info.record_id, Eol::kLf, &bytes).ok());
  EXPECT_EQ(bytes, "b1\n");
  EXPECT_EQ(SpoolFiles(), 0u);
}

}  // namespace
}  // namespace qorv::server::testing
