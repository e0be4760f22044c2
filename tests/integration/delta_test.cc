// Large files as deltas through the interface against the reference
// server (size mode 1, delta allowed): a get of a changed file and a check
// in of one travel as deltas and land byte for byte; a file with no local
// copy travels whole; deltas that fail their MD4 check are tried again and
// after the third failure the body comes whole.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sdk_fixture.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  if (fs::exists(path)) fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Binary content (a zero byte early keeps it from being taken for text).
std::string RandomBody(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (size_t i = 1; i < size; ++i) bytes[i] = static_cast<char>(random());
  return bytes;
}

// `bytes` with a few scattered changes.
std::string Changed(std::string bytes, uint32_t seed) {
  std::mt19937 random(seed);
  for (int i = 0; i < 8; ++i) bytes[1 + random() % (bytes.size() - 1)] ^= 0x33;
  return bytes;
}

bool IsTemporary(const fs::path& path) {
  return path.filename().string().find("~_~_~_") == 0 ||
         path.filename().string().find("~qorv") == 0;
}

class DeltaTest : public SdkTest {
 protected:
  static constexpr size_t kSize = 3 * 1024 * 1024 + 123;

  void SetUp() override {
    original_ = RandomBody(kSize, 1);
    MustCreateProject("$/P");
    MustAddFile("$/P/big.bin", original_);
    client_ = LoggedInClient();
    IQORVTransferSettings* settings = nullptr;
    ASSERT_EQ(
        (*client_)->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(&settings)),
        S_OK);
    EXPECT_EQ(settings->put_DeltaAllowed(1), S_OK);
    EXPECT_EQ(settings->put_SizeMode(1), S_OK);
    settings->Release();
    temp_folder_ = work_folder_ + "/tmp";
    fs::create_directories(temp_folder_);
    (*client_)->SetTempDirectory(Text(temp_folder_.c_str()));
    folder_ = work_folder_ + "/wf";
    file_ = folder_ + "/big.bin";
  }

  LONG Get(const std::string& local) {
    auto* set =
        sdk::CreateObject<IQORVLatestFileSet>(CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet);
    auto* file = sdk::CreateObject<IQORVLatestFile>(CLSID_QORVLatestFile, IID_IQORVLatestFile);
    file->put_FileToGet(Text("$/P/big.bin"));
    file->put_LocalFileName(Text(local.c_str()));
    set->Add(file, nullptr);
    file->Release();
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    IQORVOperationResultSet* results = nullptr;
    LONG result = -1;
    EXPECT_EQ((*client_)->GetLatestFiles(set, 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                         Enum_SetLocalFileTimeModification, nullptr, nullptr,
                                         &canceled, &description, &results, &result),
              S_OK);
    set->Release();
    TakeText(description);
    if (results != nullptr) results->Release();
    return result;
  }

  template <class Set, class Item>
  Set* OneFileSet(const CLSID& set_class, const IID& set_iid, const CLSID& item_class,
                  const IID& item_iid, HRESULT (Item::*put_server)(BSTR)) {
    Set* set = sdk::CreateObject<Set>(set_class, set_iid);
    Item* item = sdk::CreateObject<Item>(item_class, item_iid);
    (item->*put_server)(Text("$/P/big.bin"));
    item->put_LocalFileName(Text(file_.c_str()));
    set->Add(item, nullptr);
    item->Release();
    return set;
  }

  // Checks the file out into the working folder and in again with `bytes`;
  // the result of the check-in's one item.
  LONG CheckOutAndIn(const std::string& bytes) {
    auto* out = OneFileSet<IQORVCheckoutFileSet, IQORVCheckoutFile>(
        CLSID_QORVCheckoutFileSet, IID_IQORVCheckoutFileSet, CLSID_QORVCheckoutFile,
        IID_IQORVCheckoutFile, &IQORVCheckoutFile::put_FileToCheckout);
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    IQORVOperationResultSet* items = nullptr;
    LONG result = -1;
    EXPECT_EQ((*client_)->CheckoutFiles(out, Text(""), 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                        Enum_SetLocalFileTimeCurrent, &canceled, &description,
                                        &items, &result),
              S_OK);
    out->Release();
    TakeText(description);
    if (items != nullptr) items->Release();
    EXPECT_EQ(result, 0);
    WriteFile(file_, bytes);
    auto* in = OneFileSet<IQORVCheckinFileSet, IQORVCheckinFile>(
        CLSID_QORVCheckinFileSet, IID_IQORVCheckinFileSet, CLSID_QORVCheckinFile,
        IID_IQORVCheckinFile, &IQORVCheckinFile::put_FileToCheckin);
    items = nullptr;
    EXPECT_EQ(
        (*client_)->CheckInFiles(in, 0, Text("changed"), Enum_LF, Enum_SetLocalFileTimeCurrent,
                                 Enum_CheckinUnchangedFileHandlingCheckin, VARIANT_TRUE, 0,
                                 Text(""), Text(""), &canceled, &description, &items, &result),
        S_OK);
    in->Release();
    TakeText(description);
    LONG item_result = -1;
    LONG count = 0;
    if (items != nullptr) items->get_Count(&count);
    if (count == 1) {
      VARIANT element;
      items->get_Item(0, &element);
      IQORVOperationResult* item = nullptr;
      element.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                             reinterpret_cast<void**>(&item));
      VariantClear(&element);
      item->get_OperationResult(&item_result);
      item->Release();
    }
    if (items != nullptr) items->Release();
    EXPECT_EQ(result, 0);
    return item_result;
  }

  std::string ServerLatest() {
    server::VersionInfo info;
    EXPECT_TRUE(db().LatestVersion("$/P/big.bin", &info).ok());
    std::string bytes;
    EXPECT_TRUE(db().ReadBody(info.record_id, server::Eol::kLf, &bytes).ok());
    return bytes;
  }

  // What changed in the server's delta counts since `before`.
  server::FaultHookSource::DeltaCounts Since(const server::FaultHookSource::DeltaCounts& before) {
    const auto now = server_->DeltaCounts();
    return {now.attempts - before.attempts, now.rebuilt - before.rebuilt, now.whole - before.whole};
  }

  void ExpectNoTemporaries() {
    for (const std::string& folder : {temp_folder_, folder_}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_FALSE(IsTemporary(entry.path())) << entry.path();
      }
    }
  }

  std::string original_;
  std::unique_ptr<SdkClient> client_;
  std::string temp_folder_;
  std::string folder_;
  std::string file_;
};

TEST_F(DeltaTest, ChangedFilesTravelAsDeltasBothWaysAndAMissingCopyTravelsWhole) {
  // No local copy: the client says so and the body comes whole.
  auto before = server_->DeltaCounts();
  ASSERT_EQ(Get(file_), 0);
  EXPECT_EQ(ReadFile(file_), original_);
  auto counts = Since(before);
  EXPECT_EQ(counts.attempts, 0);
  EXPECT_EQ(counts.whole, 1);

  // A check-in of a changed file: the server's latest version is the old
  // one, the delta rebuilds the new.
  const std::string second = Changed(original_, 2);
  before = server_->DeltaCounts();
  ASSERT_EQ(CheckOutAndIn(second), 0);
  counts = Since(before);
  EXPECT_EQ(counts.attempts, 1);
  EXPECT_EQ(counts.rebuilt, 1);
  EXPECT_EQ(counts.whole, 0);
  EXPECT_TRUE(ServerLatest() == second);

  // A get into a folder holding the first version: rebuilt from it.
  const std::string other = work_folder_ + "/other";
  fs::create_directories(other);
  WriteFile(other + "/big.bin", original_);
  before = server_->DeltaCounts();
  ASSERT_EQ(Get(other + "/big.bin"), 0);
  counts = Since(before);
  EXPECT_EQ(counts.attempts, 1);
  EXPECT_EQ(counts.rebuilt, 1);
  EXPECT_EQ(counts.whole, 0);
  EXPECT_TRUE(ReadFile(other + "/big.bin") == second);
  ExpectNoTemporaries();
}

TEST_F(DeltaTest, DeltasFailingTheirCheckAreRetriedThenTheBodyComesWhole) {
  ASSERT_EQ(Get(file_), 0);
  const std::string second = Changed(original_, 3);
  ASSERT_EQ(CheckOutAndIn(second), 0);
  const std::string other = work_folder_ + "/other";
  fs::create_directories(other);

  // Download: the first attempt's delta is corrupted, the second rebuilds.
  server::FaultHooks hooks;
  hooks.corrupt_delta_attempts = 1;
  server_->SetFaultHooks(hooks);
  WriteFile(other + "/big.bin", original_);
  auto before = server_->DeltaCounts();
  ASSERT_EQ(Get(other + "/big.bin"), 0);
  auto counts = Since(before);
  EXPECT_EQ(counts.attempts, 2);
  EXPECT_EQ(counts.rebuilt, 1);
  EXPECT_TRUE(ReadFile(other + "/big.bin") == second);

  // Every attempt corrupted: three, then the whole body.
  hooks.corrupt_delta_attempts = 3;
  server_->SetFaultHooks(hooks);
  WriteFile(other + "/big.bin", original_);
  before = server_->DeltaCounts();
  ASSERT_EQ(Get(other + "/big.bin"), 0);
  counts = Since(before);
  EXPECT_EQ(counts.attempts, 3);
  EXPECT_EQ(counts.rebuilt, 0);
  EXPECT_EQ(counts.whole, 1);
  EXPECT_TRUE(ReadFile(other + "/big.bin") == second);

  // Upload: the server's old version goes bad after its digest left, three
  // times; the body then comes whole and is stored as sent.
  const std::string third = Changed(second, 4);
  before = server_->DeltaCounts();
  ASSERT_EQ(CheckOutAndIn(third), 0);
  counts = Since(before);
  EXPECT_EQ(counts.attempts, 3);
  EXPECT_EQ(counts.rebuilt, 0);
  EXPECT_EQ(counts.whole, 1);
  EXPECT_TRUE(ServerLatest() == third);
  ExpectNoTemporaries();
}

TEST_F(DeltaTest, WithCompressionTheDeltaFilesAndTheWholeBodyTravelZipped) {
  IQORVTransferSettings* settings = nullptr;
  ASSERT_EQ(
      (*client_)->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(&settings)),
      S_OK);
  EXPECT_EQ(settings->put_CompressedTransfer(1), S_OK);
  settings->Release();

  ASSERT_EQ(Get(file_), 0);
  EXPECT_EQ(ReadFile(file_), original_);
  const std::string second = Changed(original_, 5);
  auto before = server_->DeltaCounts();
  ASSERT_EQ(CheckOutAndIn(second), 0);
  auto counts = Since(before);
  EXPECT_EQ(counts.rebuilt, 1);
  EXPECT_TRUE(ServerLatest() == second);

  const std::string other = work_folder_ + "/other";
  fs::create_directories(other);
  WriteFile(other + "/big.bin", original_);
  before = server_->DeltaCounts();
  ASSERT_EQ(Get(other + "/big.bin"), 0);
  counts = Since(before);
  EXPECT_EQ(counts.rebuilt, 1);
  EXPECT_TRUE(ReadFile(other + "/big.bin") == second);

  // Every attempt fails its check: the whole body follows, compressed.
  server::FaultHooks hooks;
  hooks.corrupt_delta_attempts = 3;
  server_->SetFaultHooks(hooks);
  WriteFile(other + "/big.bin", original_);
  before = server_->DeltaCounts();
  ASSERT_EQ(Get(other + "/big.bin"), 0);
  counts = Since(before);
  EXPECT_EQ(counts.attempts, 3);
  EXPECT_EQ(counts.whole, 1);
  EXPECT_TRUE(ReadFile(other + "/big.bin") == second);
  ExpectNoTemporaries();
}

}  // namespace
}  // namespace qorv::integration
