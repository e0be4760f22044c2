// Reads beside changes and other reads, and requests ending when the server
// stops. A request held at a named step stands for a long one: the other
// thread's read must finish while it is held.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store_fixture.h"

namespace qorv::server::testing {
namespace {

using std::chrono::seconds;

// Holds the thread that reaches `step` until Release(); the first such
// thread only.
class Gate {
 public:
  explicit Gate(std::string step) : step_(std::move(step)) {}

  void OnStep(std::string_view step) {
    if (step != step_ || taken_.exchange(true)) return;
    reached_.set_value();
    opened_.wait();
  }
  bool WaitReached() { return reached_future_.wait_for(seconds(10)) == std::future_status::ready; }
  void Release() { open_.set_value(); }

 private:
  std::string step_;
  std::atomic<bool> taken_{false};
  std::promise<void> reached_;
  std::future<void> reached_future_ = reached_.get_future();
  std::promise<void> open_;
  std::shared_future<void> opened_ = open_.get_future().share();
};

class StoreConcurrencyTest : public StoreTest {
 protected:
  void TearDown() override {
    // A gate still closed would leave a thread waiting forever.
    if (gate_ && !released_) gate_->Release();
    if (held_.valid()) held_.wait();
    StoreTest::TearDown();
  }

  void HoldAt(const std::string& step) {
    gate_ = std::make_unique<Gate>(step);
    on_step_ = [gate = gate_.get()](std::string_view name) { gate->OnStep(name); };
  }
  void Release() {
    released_ = true;
    gate_->Release();
  }

  std::unique_ptr<Gate> gate_;
  bool released_ = false;
  std::future<StoreStatus> held_;
};

TEST_F(StoreConcurrencyTest, ReadsFinishWhileAChangeIsHeldAndSeeTheLastCommittedState) {
  MustCreateProject("$/P");
  MustAdd("$/P/old.txt", "old\n");
  HoldAt("add:version-written");
  held_ = std::async(std::launch::async, [this] {
    OleMs time = 0;
    return db_->AddFile(bob_, "$/P/new.txt", {"new\n", now_}, kFileTypeText, false, "", &time);
  });
  ASSERT_TRUE(gate_->WaitReached());

  auto read = std::async(std::launch::async, [this] { return Names("$/P"); });
  ASSERT_EQ(read.wait_for(seconds(10)), std::future_status::ready)
      << "a listing waited for a change in progress";
  EXPECT_EQ(read.get(), std::vector<std::string>{"old.txt"});
  EXPECT_EQ(Body("$/P/old.txt"), "old\n");

  Release();
  ASSERT_TRUE(held_.get().ok());
  EXPECT_EQ(Names("$/P"), (std::vector<std::string>{"new.txt", "old.txt"}));
}

TEST_F(StoreConcurrencyTest, ReadersDoNotWaitForEachOther) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a\n");
  HoldAt("read");
  held_ = std::async(std::launch::async, [this] {
    FileGeneralInfo info;
    return db_->FileInfo("$/P/a.txt", &info);
  });
  ASSERT_TRUE(gate_->WaitReached());

  auto read = std::async(std::launch::async, [this] { return Names("$/P"); });
  ASSERT_EQ(read.wait_for(seconds(10)), std::future_status::ready)
      << "a listing waited for another read";
  EXPECT_EQ(read.get(), std::vector<std::string>{"a.txt"});
  // A change goes on too while the reader is held.
  MustAdd("$/P/b.txt", "b\n");

  Release();
  EXPECT_TRUE(held_.get().ok());
}

TEST_F(StoreConcurrencyTest, ReadsBeyondTheReaderBoundWaitForAReaderAndAllSucceed) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a\n");
  // Each read stays at its step until more reads than the bound are in
  // there at once (which would mean more reader connections than the bound)
  // or a moment has passed.
  std::mutex mutex;
  std::condition_variable changed;
  size_t inside = 0;
  size_t most = 0;
  on_step_ = [&](std::string_view step) {
    if (step != "read") return;
    std::unique_lock<std::mutex> lock(mutex);
    most = std::max(most, ++inside);
    changed.notify_all();
    changed.wait_for(lock, std::chrono::milliseconds(300),
                     [&] { return inside > Database::kMaxReaders; });
    --inside;
  };
  constexpr size_t kReads = 3 * Database::kMaxReaders;
  std::vector<std::future<std::vector<std::string>>> reads;
  for (size_t i = 0; i < kReads; ++i) {
    reads.push_back(std::async(std::launch::async, [this] { return Names("$/P"); }));
  }
  for (auto& read : reads) {
    ASSERT_EQ(read.wait_for(seconds(30)), std::future_status::ready) << "a read never got a reader";
    EXPECT_EQ(read.get(), std::vector<std::string>{"a.txt"});
  }
  on_step_ = nullptr;
  EXPECT_LE(most, Database::kMaxReaders) << "more reader connections at once than the bound";
  EXPECT_GE(most, 2u) << "reads did not run side by side";
  // The readers kept open serve the next reads, and a change goes on.
  MustAdd("$/P/b.txt", "b\n");
  EXPECT_EQ(Names("$/P"), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(StoreConcurrencyTest, StoppedRequestsFailWithTheStoreStatusAndRunAgainAfterwards) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a\n");

  // A read and a change held in the middle, then the stop.
  HoldAt("read");
  held_ = std::async(std::launch::async, [this] {
    std::vector<ListedItem> items;
    return db_->List(alice_, {"$/P", PointInTime::Now(), -1, true}, &items);
  });
  ASSERT_TRUE(gate_->WaitReached());
  directory_->StopRequests(true);
  Release();
  StoreStatus read = held_.get();
  EXPECT_EQ(read.code, kStatusStoreError) << read.text;
  EXPECT_NE(read.text.find("interrupted"), std::string::npos) << read.text;

  OleMs time = 0;
  StoreStatus change =
      db_->AddFile(alice_, "$/P/b.txt", {"b\n", now_}, kFileTypeText, false, "", &time);
  EXPECT_EQ(change.code, kStatusStoreError) << change.text;

  // The refused change left nothing behind, and requests run again.
  directory_->StopRequests(false);
  EXPECT_EQ(Names("$/P"), std::vector<std::string>{"a.txt"});
  MustAdd("$/P/b.txt", "b\n");
  EXPECT_EQ(Names("$/P"), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(StoreConcurrencyTest, ADatabaseOpenedWhileStoppingIsStoppedToo) {
  db_.reset();
  directory_.reset();
  OpenDirectory();
  directory_->StopRequests(true);
  ASSERT_TRUE(directory_->OpenDatabase("Main", &db_).ok());
  FileGeneralInfo info;
  EXPECT_EQ(db_->FileInfo("$/none.txt", &info).code, kStatusStoreError);
  directory_->StopRequests(false);
  EXPECT_NE(db_->FileInfo("$/none.txt", &info).code, kStatusStoreError);
}

}  // namespace
}  // namespace qorv::server::testing
