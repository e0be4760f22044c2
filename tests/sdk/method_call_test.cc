// The method-call machinery: argument conversion, out-parameters written on
// every path (longs only when the operation has a value), collections that
// are never null, the single result stored into the caller's object, and
// exceptions kept inside the method. Then real query methods of an SDK
// object that is not connected.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "local/qor_exception.h"
#include "qorvsdk/qorvsdk.h"
#include "sdk/method_call.h"
#include "sdk/query_records.h"
#include "sdk_test_util.h"

namespace qorv::sdk {
namespace {

TEST(MethodCallTest, ArgumentsConvertAsTheMethodTableSays) {
  EXPECT_EQ(InText(nullptr), "");
  Text text("$/\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(InText(text), "$/\xC3\xA9t\xC3\xA9");
  EXPECT_TRUE(InBool(1));
  EXPECT_TRUE(InBool(VARIANT_TRUE));
  EXPECT_FALSE(InBool(VARIANT_FALSE));

  EXPECT_TRUE(InSet<IQORVKeyInfoSet>(nullptr).empty());
  IQORVKeyInfoSet* keys = CreateObject<IQORVKeyInfoSet>(CLSID_QORVKeyInfoSet, IID_IQORVKeyInfoSet);
  ASSERT_NE(keys, nullptr);
  for (const char* name : {"b.key", "", "a.key"}) {
    Text entry(name);
    keys->Add(entry, nullptr);
  }
  EXPECT_EQ(InSet(keys), (std::vector<std::string>{"b.key", "", "a.key"}));
  keys->Release();
}

TEST(MethodCallTest, AFailedOperationStillWritesEveryOutButTheLongs) {
  const MethodOutcome outcome = RunOperation([](ops::OperationStatus* status) {
    status->canceled = true;
    return 12007;  // the description stays empty
  });
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  LONG count = 77;
  Enum_EncryptType mode = Enum_SSL;
  DATE date = 3.5;
  BSTR comment = nullptr;
  IQORVFileLinkSet* links = nullptr;
  WriteOutcome(outcome, &canceled, &description, &result);
  WriteLong(&count, std::nullopt);
  WriteEnum(&mode, std::nullopt);
  WriteDate(&date, 0.0);
  WriteText(&comment, "");
  EXPECT_EQ(HandOut(&links, std::vector<std::string>()), S_OK);

  EXPECT_EQ(canceled, VARIANT_TRUE);
  ASSERT_NE(description, nullptr);
  EXPECT_EQ(TakeText(description), "");
  EXPECT_EQ(result, 12007);
  EXPECT_EQ(count, 77);
  EXPECT_EQ(mode, Enum_SSL);
  EXPECT_EQ(date, 0.0);
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(TakeText(comment), "");
  ASSERT_NE(links, nullptr);
  LONG size = -1;
  links->get_Count(&size);
  EXPECT_EQ(size, 0);
  links->Release();

  WriteLong(&count, 3);
  WriteEnum(&mode, 1);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(mode, Enum_BlowFish);
}

TEST(MethodCallTest, CollectionsKeepTheListOrderAndTheirElementsValues) {
  IQORVFileListSet* set = nullptr;
  std::vector<ops::FileListEntry> files = {{"b.c", 45000.25, "amy...", 5, 3},
                                           {"a.c", 0.0, "bob", 0, 1}};
  ASSERT_EQ(HandOut(&set, files), S_OK);
  LONG count = 0;
  set->get_Count(&count);
  ASSERT_EQ(count, 2);
  VARIANT item;
  ASSERT_EQ(set->get_Item(0, &item), S_OK);
  IQORVFileList* first = static_cast<IQORVFileList*>(item.value.pdispVal);
  BSTR name = nullptr;
  first->get_FileName(&name);
  EXPECT_EQ(TakeText(name), "b.c");
  DATE latest = 0;
  first->get_LatestVersion(&latest);
  EXPECT_EQ(latest, 45000.25);
  Enum_FileStatus status = Enum_FileStatusNormal;
  first->get_FileStatus(&status);
  EXPECT_EQ(status, Enum_FileStatusMultiCheckout);
  VariantClear(&item);
  set->Release();

  IQORVOperationResultSet* results = nullptr;
  ASSERT_EQ(HandOutResults(&results, {{"$/P/a.c", 0, "Completed"}, {"$/P/b.c", 19000, "lost"}}),
            S_OK);
  ASSERT_EQ(results->get_Item(1, &item), S_OK);
  IQORVOperationResult* second = static_cast<IQORVOperationResult*>(item.value.pdispVal);
  LONG value = 0;
  second->get_OperationResult(&value);
  EXPECT_EQ(value, 19000);
  BSTR full_name = nullptr;
  second->get_ItemFullName(&full_name);
  EXPECT_EQ(TakeText(full_name), "$/P/b.c");
  VariantClear(&item);
  results->Release();
}

TEST(MethodCallTest, TheSingleResultGoesIntoTheCallersObjectAndANullOneIsLeftAlone) {
  IQORVOperationResult* object =
      CreateObject<IQORVOperationResult>(CLSID_QORVOperationResult, IID_IQORVOperationResult);
  ASSERT_NE(object, nullptr);
  MethodOutcome outcome;
  outcome.result = 30004;
  outcome.status.description = "Local file not found";
  EXPECT_EQ(WriteSingleResult(object, outcome, {"$/P/old.c", 0, "Completed"}), S_OK);
  LONG value = 0;
  object->get_OperationResult(&value);
  EXPECT_EQ(value, 30004);
  BSTR text = nullptr;
  object->get_Description(&text);
  EXPECT_EQ(TakeText(text), "Local file not found");
  object->get_ItemFullName(&text);
  EXPECT_EQ(TakeText(text), "$/P/old.c");
  object->Release();
  EXPECT_EQ(WriteSingleResult(nullptr, outcome, {}), S_OK);
}

TEST(MethodCallTest, NothingThrownLeavesTheMethod) {
  MethodOutcome outcome =
      RunOperation([](ops::OperationStatus*) -> int32_t { throw std::bad_alloc(); });
  EXPECT_EQ(outcome.result, kResultOutOfMemory);
  EXPECT_EQ(outcome.status.description, kTextOutOfMemory);
  outcome = RunOperation([](ops::OperationStatus*) -> int32_t {
    throw CQORException(kFileErrorAccessDenied, "Access is denied File: /w/a.c");
  });
  EXPECT_EQ(outcome.result, kFileErrorAccessDenied);
  EXPECT_EQ(outcome.status.description, "Access is denied File: /w/a.c");
  outcome = RunOperation([](ops::OperationStatus*) -> int32_t { throw std::runtime_error("x"); });
  EXPECT_EQ(outcome.result, kResultSystemError);
  EXPECT_EQ(outcome.status.description, kTextUnspecifiedErrorOccured);
}

// A query of an object that was never connected fails at its connect; every
// out-parameter is still written as the method table says.
TEST(QueryMethodsTest, BeforeAnyConnectQueriesFailWithEveryOutWritten) {
  IQORVSDK* sdk = CreateObject<IQORVSDK>(CLSID_QORVSDK, IID_IQORVSDK);
  ASSERT_NE(sdk, nullptr);
  LONG counts[5] = {11, 12, 13, 14, 15};
  DATE date = 9.0;
  BSTR comment = nullptr;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = 0;
  EXPECT_EQ(
      sdk->GetProjectGeneralInfo(nullptr, &counts[0], &counts[1], &counts[2], &counts[3],
                                 &counts[4], &date, &comment, &canceled, &description, &result),
      S_OK);
  EXPECT_NE(result, 0);
  EXPECT_NE(TakeText(description), "");
  EXPECT_EQ(canceled, VARIANT_FALSE);
  EXPECT_EQ(counts[0], 11);
  EXPECT_EQ(counts[4], 15);
  EXPECT_EQ(date, 0.0);
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(TakeText(comment), "");

  IQORVSubProjectsFromParentSet* projects = nullptr;
  EXPECT_EQ(sdk->GetSubProjectsFromParent(nullptr, &projects, &canceled, &description, &result),
            S_OK);
  ASSERT_NE(projects, nullptr);
  LONG size = -1;
  projects->get_Count(&size);
  EXPECT_EQ(size, 0);
  projects->Release();
  // No login yet, so no cache: the node cannot be made, with no text.
  EXPECT_EQ(result, kResultCacheNodeFailed);
  EXPECT_EQ(TakeText(description), "");
  EXPECT_EQ(sdk->Release(), 0u);
}

}  // namespace
}  // namespace qorv::sdk
