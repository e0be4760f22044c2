// Costs that must stay linear: a file shared many times is listed in time
// proportional to its links, not to their square.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "server/store_fixture.h"

namespace qorv::server::testing {
namespace {

using Clock = std::chrono::steady_clock;

class StoreScaleTest : public StoreTest {};

TEST_F(StoreScaleTest, AFileSharedSixteenHundredTimesListsInWellUnderASecond) {
  constexpr int kShares = 1600;
  MustCreateProject("$/A");
  MustAdd("$/A/f.c", "int f;\n");
  for (int i = 0; i < kShares; ++i) {
    const std::string project = "$/S" + std::to_string(i);
    MustCreateProject(project);
    ASSERT_TRUE(db_->ShareFile(alice_, project, "$/A/f.c", false, "").ok()) << i;
  }

  const auto start = Clock::now();
  ListRequest request;
  request.project_path = "$/";
  request.depth = -1;
  std::vector<ListedItem> items;
  ASSERT_TRUE(db_->List(alice_, request, &items).ok());
  std::vector<std::string> links;
  ASSERT_TRUE(db_->FileLinks("$/S7/f.c", &links).ok());
  const auto took = Clock::now() - start;

  size_t shared_files = 0;
  for (const ListedItem& item : items) {
    if (!item.is_project && item.status == 2) ++shared_files;
  }
  EXPECT_EQ(shared_files, static_cast<size_t>(kShares + 1));
  EXPECT_EQ(links.size(), static_cast<size_t>(kShares + 1));
  // Quadratic, this took over a minute; linear, a fraction of a second
  // even in a sanitizer build.
  EXPECT_LT(took, std::chrono::seconds(5));
}

}  // namespace
}  // namespace qorv::server::testing
