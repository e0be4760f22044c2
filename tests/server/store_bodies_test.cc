// Bodies in the store: kept in pieces, normalised, digested and read back
// piece by piece; files of the first store format migrated on open.
#include <gtest/gtest.h>

#include "server/database_impl.h"
#include "server/store_fixture.h"
#include "server/store_schema.h"

namespace qorv::server::testing {
namespace {

class StoreBodiesTest : public StoreTest {};

// A text of several pieces whose CR LF pairs straddle the piece boundaries
// of the store (every kContentChunkSize bytes) and of the source reads.
std::string LargeCrLfText() {
  std::string text;
  while (text.size() < 3 * kContentChunkSize + 100) {
    text.append("line ").append(std::to_string(text.size())).append("\r\n");
    // Pad so that a CR lands on the last byte of each piece.
    for (size_t boundary = kContentChunkSize; boundary < 4 * kContentChunkSize;
         boundary += kContentChunkSize) {
      if (text.size() < boundary - 1 && text.size() + 64 > boundary - 1) {
        text.append(boundary - 1 - text.size(), 'x');
        text.append("\r\n");
      }
    }
  }
  return text;
}

TEST_F(StoreBodiesTest, LargeTextCrossingPiecesComesBackInEveryEnding) {
  const std::string body = LargeCrLfText();
  ASSERT_EQ(body[kContentChunkSize - 1], '\r');
  ASSERT_EQ(body[kContentChunkSize], '\n');
  MustCreateProject("$/P");
  MustAdd("$/P/big.txt", body);
  EXPECT_EQ(Body("$/P/big.txt", Eol::kCrLf), body);
  std::string lf = body;
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  EXPECT_EQ(Body("$/P/big.txt", Eol::kLf), lf);
  std::string cr = lf;
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  EXPECT_EQ(Body("$/P/big.txt", Eol::kCr), cr);

  VersionInfo info;
  ASSERT_TRUE(db_->ResolveGet("$/P/big.txt", 0, &info).ok());
  EXPECT_TRUE(info.is_text);
  EXPECT_EQ(info.stored_size, static_cast<int64_t>(lf.size()));
  EXPECT_EQ(info.DeliveredSize(Eol::kCrLf), static_cast<int64_t>(body.size()));
  EXPECT_EQ(info.Digest(Eol::kCrLf), Md5Of(body));
  EXPECT_EQ(info.Digest(Eol::kCr), Md5Of(cr));
}

TEST_F(StoreBodiesTest, BinaryBodiesOfPieceSizesAreKeptByteForByte) {
  MustCreateProject("$/P");
  for (size_t size : {size_t{0}, kContentChunkSize, kContentChunkSize + 1}) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7) % 251);
    const std::string path = "$/P/b" + std::to_string(size) + ".bin";
    MustAdd(path, body, size == 0 ? kFileTypeBinary : kFileTypeAutodetect);
    EXPECT_EQ(Body(path, Eol::kCrLf), body) << size;
  }
}

TEST_F(StoreBodiesTest, DestroyedFileLeavesNoPieces) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.bin", std::string(kContentChunkSize + 10, '\x01'));
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/f.bin", true).ok());
  Restart();
  db_.reset();
  directory_.reset();
  std::string error;
  std::unique_ptr<SqliteDb> raw = SqliteDb::Open((data_ / "Main.qordb").string(), false, &error);
  ASSERT_TRUE(raw) << error;
  SqliteStatement count = raw->Prepare("SELECT COUNT(*) FROM content_chunks");
  ASSERT_TRUE(count.Step());
  EXPECT_EQ(count.Int(0), 0);
}

// A file written by the first store format keeps each body whole in
// contents.data; it is migrated on open and its bodies still read.
TEST_F(StoreBodiesTest, FirstFormatFileIsMigratedAndItsBodiesRead) {
  MustCreateProject("$/P");
  MustAdd("$/P/old.txt", "one\r\ntwo\r\n");
  db_.reset();
  directory_.reset();
  {
    std::string error;
    std::unique_ptr<SqliteDb> raw = SqliteDb::Open((data_ / "Main.qordb").string(), false, &error);
    ASSERT_TRUE(raw) << error;
    // Back to the first format: the body whole in contents.data.
    raw->Exec(
        "UPDATE contents SET data = CAST('one' || char(10) || 'two' || char(10) AS BLOB);"
        "DROP TABLE content_chunks;"
        "DROP INDEX links_by_name;"
        "ALTER TABLE contents DROP COLUMN chunked;"
        "ALTER TABLE users DROP COLUMN kdf_iterations;"
        "UPDATE settings SET value = '1' WHERE key = 'schema_version';");
  }
  OpenDirectory();
  ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
  EXPECT_EQ(Body("$/P/old.txt", Eol::kCrLf), "one\r\ntwo\r\n");
  EXPECT_EQ(Body("$/P/old.txt", Eol::kCr), "one\rtwo\r");
  // New bodies go to pieces beside the old one.
  MustAdd("$/P/new.txt", "three\n");
  EXPECT_EQ(Body("$/P/new.txt", Eol::kCrLf), "three\r\n");
  Restart();
  EXPECT_EQ(Body("$/P/old.txt"), "one\ntwo\n");

  // A file of a newer format than this server knows is still refused.
  db_.reset();
  directory_.reset();
  {
    std::string error;
    std::unique_ptr<SqliteDb> raw = SqliteDb::Open((data_ / "Main.qordb").string(), false, &error);
    ASSERT_TRUE(raw) << error;
    raw->Exec("UPDATE settings SET value = '99' WHERE key = 'schema_version'");
  }
  OpenDirectory();
  EXPECT_EQ(directory_->OpenDatabase("Main", &db_).code, kStatusStoreError);
}

}  // namespace
}  // namespace qorv::server::testing
