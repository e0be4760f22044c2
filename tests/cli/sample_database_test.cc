// The sample database holds what the demo and its users are told it holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/embedded/sample_database.h"
#include "server/data_directory.h"
#include "support/scoped_temp.h"
#include "support/test_passwords.h"

namespace qorv::cli {
namespace {

TEST(SampleDatabaseTest, HoldsVersionsLabelShareDeletionCheckoutAndBothUsers) {
  testing::ScopedTempFolder folder;
  std::string error;
  ASSERT_TRUE(
      CreateSampleDatabase(folder.Child("data"), &error, qorv::testing::kTestPasswordIterations))
      << error;
  EXPECT_TRUE(HasSampleDatabase(folder.Child("data")));

  server::Database::Options options;
  options.password_iterations = qorv::testing::kTestPasswordIterations;
  server::DataDirectory directory(folder.Child("data"), options);
  std::shared_ptr<server::Database> database;
  ASSERT_TRUE(directory.OpenDatabase(kSampleDatabase, &database).ok());
  server::UserRecord user;
  EXPECT_TRUE(database->Authenticate(kSampleUser, kSamplePassword, &user).ok());
  EXPECT_TRUE(database->Authenticate(kSampleSecondUser, kSampleSecondPassword, &user).ok());

  server::FileHistory history;
  ASSERT_TRUE(database->FileHistoryOf(kSampleVersionedFile, {}, &history).ok());
  int32_t latest = 0;
  bool bob_changed = false, labeled = false;
  for (const server::HistoryEntry& entry : history.entries) {
    latest = std::max(latest, entry.version);
    bob_changed = bob_changed || entry.user == kSampleSecondUser;
    labeled = labeled || entry.label == kSampleLabel;
  }
  EXPECT_EQ(latest, 3);
  EXPECT_TRUE(bob_changed);
  EXPECT_TRUE(labeled);

  std::vector<std::string> links;
  ASSERT_TRUE(database->FileLinks(kSampleSharedFile, &links).ok());
  EXPECT_EQ(links.size(), 2u);

  std::vector<server::DeletedItem> deleted;
  ASSERT_TRUE(database->DeletedItems(kSampleProject, &deleted).ok());
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].name, kSampleDeletedFile);

  std::vector<std::string> holders;
  ASSERT_TRUE(database->CheckoutHolders(kSampleCheckedOutFile, &holders).ok());
  EXPECT_EQ(holders, std::vector<std::string>({kSampleSecondUser}));

  server::FileGeneralInfo binary, text;
  ASSERT_TRUE(database->FileInfo(kSampleBinaryFile, &binary).ok());
  ASSERT_TRUE(database->FileInfo(kSampleVersionedFile, &text).ok());
  EXPECT_FALSE(binary.is_text);
  EXPECT_TRUE(text.is_text);
  EXPECT_EQ(text.stored_size, static_cast<int64_t>(SampleLatestMainText().size()));
}

TEST(SampleDatabaseTest, IsNeverCreatedOverAnExistingOne) {
  testing::ScopedTempFolder folder;
  std::string error;
  ASSERT_TRUE(CreateSampleDatabase(folder.path(), &error)) << error;
  EXPECT_FALSE(CreateSampleDatabase(folder.path(), &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qorv::cli
