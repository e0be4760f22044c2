// A fresh data directory with one database and two users per test.
#ifndef QORV_TESTS_SERVER_STORE_FIXTURE_H_
#define QORV_TESTS_SERVER_STORE_FIXTURE_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "server/data_directory.h"
#include "server/database.h"
#include "support/test_passwords.h"

namespace qorv::server::testing {

// 2024-03-01 00:00 on the OLE scale.
inline constexpr OleMs kStartTime = 45352LL * kMsPerDay;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("qorv_store_test_" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(root_);
    data_ = root_ / "data";
    OpenDirectory();
    ASSERT_TRUE(directory_->CreateDatabase("Main").ok());
    ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
    ASSERT_TRUE(db_->AddUser({"alice", "secret", std::nullopt, false, false}).ok());
    ASSERT_TRUE(db_->AddUser({"bob", "hunter2", std::nullopt, false, false}).ok());
    ASSERT_TRUE(db_->AddUser({"reader", "r", std::nullopt, true, false}).ok());
    alice_ = db_->FindUser("alice")->actor;
    bob_ = db_->FindUser("bob")->actor;
    reader_ = db_->FindUser("reader")->actor;
  }

  void TearDown() override {
    db_.reset();
    directory_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // (Re)opens the data directory as a restarted server would.
  void OpenDirectory() {
    Database::Options options;
    options.clock = [this] { return now_; };
    options.fault = [this](std::string_view step) {
      if (on_step_) on_step_(step);
      return step == fail_at_;
    };
    options.password_iterations = qorv::testing::kTestPasswordIterations;
    directory_ = std::make_unique<DataDirectory>(data_, options);
  }

  void Restart() {
    db_.reset();
    directory_.reset();
    OpenDirectory();
    ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
  }

  void Advance(OleMs ms = 60000) { now_ += ms; }

  void MustCreateProject(const std::string& path) {
    CreateProjectResult result = db_->CreateProject(alice_, path, "");
    ASSERT_EQ(result.result, kCreateResultCreated) << path << ": " << result.text;
  }

  void MustAdd(const std::string& path, const std::string& body, int32_t type = kFileTypeAutodetect,
               const Actor* actor = nullptr) {
    OleMs time = 0;
    StoreStatus status =
        db_->AddFile(actor ? *actor : alice_, path, {body, now_ - 1000}, type, false, "", &time);
    ASSERT_TRUE(status.ok()) << path << ": " << status.text;
  }

  void MustCheckOut(const Actor& actor, const std::string& path) {
    CheckoutResult result;
    StoreStatus status = db_->CheckOut(actor, path, "", &result);
    ASSERT_TRUE(status.ok()) << path << ": " << status.text;
  }

  void MustCheckIn(const Actor& actor, const std::string& path, const std::string& body) {
    CheckinResult result;
    StoreStatus status =
        db_->CheckIn(actor, path, UploadedBody{body, now_ - 500}, false, "", &result);
    ASSERT_TRUE(status.ok()) << path << ": " << status.text;
  }

  // The bytes of the version a path shows, delivered with the ending.
  std::string Body(const std::string& path, Eol eol = Eol::kLf, int32_t version = 0) {
    VersionInfo info;
    StoreStatus status = db_->ResolveGet(path, version, &info);
    EXPECT_TRUE(status.ok()) << path << ": " << status.text;
    std::string bytes;
    if (status.ok()) {
      EXPECT_TRUE(db_->ReadBody(info.record_id, eol, &bytes).ok());
    }
    return bytes;
  }

  // "name" per listed item, projects marked with a trailing "/".
  std::vector<std::string> Names(const std::string& project, int32_t depth = -1,
                                 PointInTime point = PointInTime::Now()) {
    std::vector<ListedItem> items;
    StoreStatus status = db_->List(alice_, {project, point, depth, true}, &items);
    EXPECT_TRUE(status.ok()) << status.text;
    std::vector<std::string> names;
    for (const ListedItem& item : items) names.push_back(item.name + (item.is_project ? "/" : ""));
    return names;
  }

  std::filesystem::path root_;
  std::filesystem::path data_;
  OleMs now_ = kStartTime;
  std::string fail_at_;
  // Called at every named step, from the thread of the request; set it
  // before starting threads.
  std::function<void(std::string_view)> on_step_;
  std::unique_ptr<DataDirectory> directory_;
  std::shared_ptr<Database> db_;
  Actor alice_, bob_, reader_;
};

}  // namespace qorv::server::testing

#endif  // QORV_TESTS_SERVER_STORE_FIXTURE_H_
