// Stored passwords: PBKDF2-HMAC-SHA256 with the count kept per user, the
// single SHA-256 hashes of older store files migrated on open and rehashed
// at the user's next successful login.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>

#include "server/password_hash.h"
#include "server/sqlite_db.h"
#include "server/store_fixture.h"

namespace qorv::server::testing {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::string Unhex(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

// The hash of stores before schema version 3: SHA-256(salt + password).
std::string LegacyDigest(const std::string& salt, const std::string& password) {
  const std::string input = salt + password;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

TEST(PasswordHashTest, DerivesPbkdf2HmacSha256AndComparesBothForms) {
  // RFC 7914, section 11: PBKDF2-HMAC-SHA256("passwd", "salt", 1), first
  // 32 bytes.
  PasswordHash known;
  known.salt = "salt";
  known.iterations = 1;
  known.digest = Unhex("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc");
  EXPECT_TRUE(PasswordMatches(known, "passwd"));
  EXPECT_FALSE(PasswordMatches(known, "passwe"));
  known.iterations = 2;
  EXPECT_FALSE(PasswordMatches(known, "passwd"));

  PasswordHash legacy;
  legacy.salt = "0123456789abcdef";
  legacy.digest = LegacyDigest(legacy.salt, "secret");
  EXPECT_TRUE(PasswordMatches(legacy, "secret"));
  EXPECT_FALSE(PasswordMatches(legacy, "Secret"));
  legacy.iterations = -1;
  EXPECT_FALSE(PasswordMatches(legacy, "secret"));

  const PasswordHash fresh = HashNewPassword("secret", 1000);
  EXPECT_EQ(fresh.iterations, 1000);
  EXPECT_EQ(fresh.salt.size(), 16u);
  EXPECT_NE(HashNewPassword("secret", 1000).salt, fresh.salt);
  EXPECT_TRUE(PasswordMatches(fresh, "secret"));
  EXPECT_FALSE(PasswordMatches(fresh, "secreT"));
}

class PasswordStoreTest : public StoreTest {
 protected:
  struct StoredHash {
    std::string salt;
    std::string digest;
    int64_t iterations = -1;
  };

  // The user's row as the file holds it (the database closed meanwhile).
  StoredHash Stored(const std::string& name) {
    db_.reset();
    directory_.reset();
    StoredHash stored;
    {
      std::string error;
      std::unique_ptr<SqliteDb> raw =
          SqliteDb::Open((data_ / "Main.qordb").string(), false, &error);
      EXPECT_TRUE(raw) << error;
      SqliteStatement query =
          raw->Prepare("SELECT salt, password_hash, kdf_iterations FROM users WHERE name = ?");
      query.Bind(1, name);
      EXPECT_TRUE(query.Step());
      stored = {query.Blob(0), query.Blob(1), query.Int(2)};
    }
    OpenDirectory();
    EXPECT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
    return stored;
  }

  bool LogsIn(const std::string& name, const std::string& password) {
    UserRecord user;
    return db_->Authenticate(name, password, &user).ok();
  }
};

TEST_F(PasswordStoreTest, AnOldStoreFileIsMigratedAndEachHashUpgradedAtTheNextLogin) {
  db_.reset();
  directory_.reset();
  const std::string salt = "0123456789abcdef";
  {
    // Back to schema version 2: single SHA-256 hashes, no iteration count.
    std::string error;
    std::unique_ptr<SqliteDb> raw = SqliteDb::Open((data_ / "Main.qordb").string(), false, &error);
    ASSERT_TRUE(raw) << error;
    for (const char* name : {"alice", "bob"}) {
      raw->Prepare("UPDATE users SET salt = ?, password_hash = ? WHERE name = ?")
          .BindBlob(1, salt)
          .BindBlob(2, LegacyDigest(salt, name == std::string("alice") ? "secret" : "hunter2"))
          .Bind(3, name)
          .Run();
    }
    raw->Exec(
        "ALTER TABLE users DROP COLUMN kdf_iterations;"
        "UPDATE settings SET value = '2' WHERE key = 'schema_version';");
  }
  OpenDirectory();
  ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());

  // Migrated: the old hashes still work, a wrong password changes nothing.
  EXPECT_FALSE(LogsIn("alice", "hunter2"));
  StoredHash alice = Stored("alice");
  EXPECT_EQ(alice.iterations, 0);
  EXPECT_EQ(Hex(alice.digest), Hex(LegacyDigest(salt, "secret")));

  // The right password rehashes with a new salt and the configured count.
  EXPECT_TRUE(LogsIn("alice", "secret"));
  alice = Stored("alice");
  EXPECT_EQ(alice.iterations, qorv::testing::kTestPasswordIterations);
  EXPECT_NE(alice.salt, salt);
  EXPECT_TRUE(LogsIn("alice", "secret"));
  EXPECT_FALSE(LogsIn("alice", "hunter2"));
  // Bob has not logged in: still the old form.
  EXPECT_EQ(Stored("bob").iterations, 0);
  EXPECT_TRUE(LogsIn("bob", "hunter2"));
}

TEST_F(PasswordStoreTest, TheCountIsKeptPerUserAndOnlyEverRaised) {
  const StoredHash before = Stored("alice");
  ASSERT_EQ(before.iterations, qorv::testing::kTestPasswordIterations);
  // A server with a higher count: alice still logs in, and is rehashed.
  const int64_t higher = 2 * qorv::testing::kTestPasswordIterations;
  db_.reset();
  directory_.reset();
  Database::Options options;
  options.password_iterations = higher;
  directory_ = std::make_unique<DataDirectory>(data_, options);
  ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
  EXPECT_TRUE(LogsIn("alice", "secret"));
  db_.reset();
  directory_.reset();
  // Back to the lower count: the stronger hash is kept, and still matches.
  OpenDirectory();
  ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
  EXPECT_EQ(Stored("alice").iterations, higher);
  EXPECT_TRUE(LogsIn("alice", "secret"));
  EXPECT_EQ(Stored("alice").iterations, higher);
  EXPECT_EQ(Stored("bob").iterations, qorv::testing::kTestPasswordIterations);
}

}  // namespace
}  // namespace qorv::server::testing
