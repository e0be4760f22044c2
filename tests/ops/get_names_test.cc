// Names a server sends never place a file outside the folder a get writes
// into: the project walk and the dated listing refuse them, against a
// scripted server that sends what a real one would not.
#include <filesystem>
#include <string>
#include <vector>

#include "ops/get_operations.h"
#include "ops_fixture.h"

namespace qorv::ops {
namespace {

using testing::Wire;

// MD5("abc"), the test vector of RFC 1321.
const std::vector<uint8_t> kDigestOfAbc = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                           0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};

Wire ContentsEntry(Wire wire, const std::string& name) {
  return wire.Str(name).Bool(false).Int32(0).Int32(1).Int32(2);
}

Wire ListedEntry(Wire wire, const std::string& name) {
  return wire.Str(name).Bool(false).Int32(1).Raw(kDigestOfAbc).Str("bob").Int32(3).Bool(true).Bool(
      false);
}

class GetNamesTest : public OperationTest {
 protected:
  void SetUp() override {
    ConnectAndLogIn();
    OpenCache();
    folder_ = temp_.Child("work/wf");
  }
  std::string folder_;
};

TEST_F(GetNamesTest, TheWalkRefusesAFileNameThatLeavesTheFolder) {
  server_.Script(0x03, ContentsEntry(ContentsEntry(Wire().Status(0, "Completed").Int32(2), "ok.txt"),
                                     ".."));
  OperationStatus status;
  std::vector<ItemResult> results;
  const int32_t result =
      GetLatestProject(context(), "$/P", folder_, false, GetOptions{}, &status, &results);
  EXPECT_EQ(result, kResultUnsafeServerName);
  EXPECT_TRUE(results.empty());
  // Nothing was asked of the server after the listing.
  for (const auto& request : CommandRequests()) EXPECT_NE(request[0], 0x43);
}

TEST_F(GetNamesTest, TheDatedListingFailsOnlyTheItemWithAnUnsafeName) {
  std::filesystem::create_directories(folder_);
  testing::WriteTextFile(folder_ + "/abc.txt", "abc");
  server_.Script(0x46,
                 ListedEntry(ListedEntry(Wire().Status(0, "Completed").Int32(2), "../../evil.txt"),
                             "abc.txt"));
  OperationStatus status;
  std::vector<ItemResult> results;
  const int32_t result =
      GetProjectByVersion(context(), "$/P", folder_, 4, false, GetOptions{}, &status, &results);
  EXPECT_EQ(result, 0) << status.description;
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].item_full_name, "$/P/../../evil.txt");
  EXPECT_EQ(results[0].result, kResultUnsafeServerName);
  EXPECT_EQ(results[1].result, 0);
  EXPECT_FALSE(std::filesystem::exists(temp_.Child("evil.txt")));
  // The unchanged file is confirmed and nothing is fetched: the get closes
  // at once.
  for (const auto& request : CommandRequests()) EXPECT_NE(request[0], 0x3D);
  EXPECT_EQ(owner_.batches.back(), (std::vector<ReportLine>{{1, "Getting $/P... : Completed"}}));
}

}  // namespace
}  // namespace qorv::ops
