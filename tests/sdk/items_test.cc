// Item, input set and result collection classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/component/module_lock.h"
#include "qorvsdk/guids.h"
#include "qorvsdk/items.h"
#include "sdk/class_table.h"
#include "sdk/input_sets.h"
#include "sdk/result_collections.h"
#include "sdk_test_util.h"

namespace qorv::sdk {
namespace {

TEST(ItemProperties, TextIsCopiedAndEveryReadIsANewBstr) {
  IQORVCheckoutFile* item =
      CreateObject<IQORVCheckoutFile>(CLSID_QORVCheckoutFile, IID_IQORVCheckoutFile);
  ASSERT_NE(item, nullptr);
  {
    Text text("$/proj/\xC3\xA9t\xC3\xA9.txt");
    ASSERT_EQ(item->put_FileToCheckout(text), S_OK);
  }
  BSTR first = nullptr;
  BSTR second = nullptr;
  ASSERT_EQ(item->get_FileToCheckout(&first), S_OK);
  ASSERT_EQ(item->get_FileToCheckout(&second), S_OK);
  EXPECT_NE(first, second);
  EXPECT_EQ(TakeText(first), "$/proj/\xC3\xA9t\xC3\xA9.txt");
  EXPECT_EQ(TakeText(second), "$/proj/\xC3\xA9t\xC3\xA9.txt");

  // A null BSTR stores the empty text; the get still returns a BSTR.
  ASSERT_EQ(item->put_FileToCheckout(nullptr), S_OK);
  BSTR empty = nullptr;
  ASSERT_EQ(item->get_FileToCheckout(&empty), S_OK);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
  // The other property is untouched and starts empty.
  BSTR local = nullptr;
  ASSERT_EQ(item->get_LocalFileName(&local), S_OK);
  EXPECT_EQ(TakeText(local), "");
  item->Release();
}

TEST(ItemProperties, BoolsNormaliseAndNumbersAreStoredUnchecked) {
  IQORVFileHistory* history =
      CreateObject<IQORVFileHistory>(CLSID_QORVFileHistory, IID_IQORVFileHistory);
  IQORVProjectHistory* project =
      CreateObject<IQORVProjectHistory>(CLSID_QORVProjectHistory, IID_IQORVProjectHistory);
  IQORVDeletedItem* deleted =
      CreateObject<IQORVDeletedItem>(CLSID_QORVDeletedItem, IID_IQORVDeletedItem);
  IQORVFileList* list = CreateObject<IQORVFileList>(CLSID_QORVFileList, IID_IQORVFileList);
  ASSERT_TRUE(history && project && deleted && list);

  VARIANT_BOOL value = 0;
  ASSERT_EQ(history->get_Pinned(&value), S_OK);
  EXPECT_EQ(value, VARIANT_FALSE);
  ASSERT_EQ(history->put_Pinned(5), S_OK);
  ASSERT_EQ(history->get_Pinned(&value), S_OK);
  EXPECT_EQ(value, VARIANT_TRUE);
  ASSERT_EQ(project->put_IsProject(5), S_OK);
  ASSERT_EQ(project->get_IsProject(&value), S_OK);
  EXPECT_EQ(value, VARIANT_TRUE);
  ASSERT_EQ(deleted->put_IsProject(5), S_OK);
  ASSERT_EQ(deleted->get_IsProject(&value), S_OK);
  EXPECT_EQ(value, VARIANT_TRUE);
  ASSERT_EQ(deleted->put_IsProject(0), S_OK);
  ASSERT_EQ(deleted->get_IsProject(&value), S_OK);
  EXPECT_EQ(value, VARIANT_FALSE);

  // Enumerations, longs and dates keep any value.
  ASSERT_EQ(list->put_FileStatus(static_cast<Enum_FileStatus>(99)), S_OK);
  Enum_FileStatus status = Enum_FileStatusNormal;
  ASSERT_EQ(list->get_FileStatus(&status), S_OK);
  EXPECT_EQ(status, 99);
  ASSERT_EQ(list->put_VersionNumber(-7), S_OK);
  ASSERT_EQ(list->put_LatestVersion(45351.75), S_OK);
  LONG version = 0;
  DATE latest = 0.0;
  ASSERT_EQ(list->get_VersionNumber(&version), S_OK);
  ASSERT_EQ(list->get_LatestVersion(&latest), S_OK);
  EXPECT_EQ(version, -7);
  EXPECT_EQ(latest, 45351.75);

  history->Release();
  project->Release();
  deleted->Release();
  list->Release();
}

TEST(InputSets, AddCopiesTheEntryAtTheTimeOfTheCall) {
  IQORVAddFileSet* set = CreateObject<IQORVAddFileSet>(CLSID_QORVAddFileSet, IID_IQORVAddFileSet);
  IQORVAddFile* item = CreateObject<IQORVAddFile>(CLSID_QORVAddFile, IID_IQORVAddFile);
  ASSERT_TRUE(set && item);
  VARIANT_BOOL added = VARIANT_FALSE;
  item->put_LocalFileName(Text("/w/a.txt"));
  item->put_RemoteFileName(Text("$/p/a.txt"));
  item->put_FileType(Enum_Text);
  ASSERT_EQ(set->Add(item, &added), S_OK);
  EXPECT_EQ(added, VARIANT_TRUE);
  ASSERT_EQ(set->Add(item, &added), S_OK);  // the same item twice: two entries
  item->put_LocalFileName(Text("/w/b.txt"));
  item->put_FileType(static_cast<Enum_FileType>(9));  // out of range: accepted
  ASSERT_EQ(set->Add(item, &added), S_OK);
  ASSERT_EQ(set->Add(nullptr, &added), S_OK);
  EXPECT_EQ(added, VARIANT_FALSE);
  item->Release();  // the set holds no reference to the item

  std::vector<AddFileRecord> entries;
  ASSERT_EQ(ReadInputSet(set, &entries), S_OK);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].local_file_name, "/w/a.txt");
  EXPECT_EQ(entries[1].local_file_name, "/w/a.txt");
  EXPECT_EQ(entries[1].file_type, Enum_Text);
  EXPECT_EQ(entries[2].local_file_name, "/w/b.txt");
  EXPECT_EQ(entries[2].remote_file_name, "$/p/a.txt");
  EXPECT_EQ(entries[2].file_type, 9);
  // Reading leaves the set as it was.
  ASSERT_EQ(ReadInputSet(set, &entries), S_OK);
  EXPECT_EQ(entries.size(), 3u);
  set->Release();
}

TEST(InputSets, TextSetsTakeNullAsEmptyAndForeignSetsAreNotRead) {
  IQORVDeleteFileSet* deletes =
      CreateObject<IQORVDeleteFileSet>(CLSID_QORVDeleteFileSet, IID_IQORVDeleteFileSet);
  IQORVShareFileSet* shares =
      CreateObject<IQORVShareFileSet>(CLSID_QORVShareFileSet, IID_IQORVShareFileSet);
  ASSERT_TRUE(deletes && shares);
  VARIANT_BOOL added = VARIANT_FALSE;
  ASSERT_EQ(deletes->Add(nullptr, &added), S_OK);
  EXPECT_EQ(added, VARIANT_TRUE);
  ASSERT_EQ(deletes->Add(Text("$/p/x"), nullptr), S_OK);  // no Successful: still added
  std::vector<std::string> names;
  ASSERT_EQ(ReadInputSet(deletes, &names), S_OK);
  EXPECT_EQ(names, (std::vector<std::string>{"", "$/p/x"}));

  // An object of another set interface is never read as this one.
  ASSERT_EQ(shares->Add(Text("$/p/y"), &added), S_OK);
  EXPECT_EQ(ReadInputSet(reinterpret_cast<IQORVDeleteFileSet*>(shares), &names), E_NOINTERFACE);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ReadInputSet(static_cast<IQORVDeleteFileSet*>(nullptr), &names), E_POINTER);
  deletes->Release();
  shares->Release();
}

// A result collection filled by the SDK side, seen by a caller.
class ResultCollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<OperationResultRecord> records(2);
    records[0] = {0, "Completed", "$/p/a"};
    records[1] = {30002, "Project not found", "$/p/b"};
    ASSERT_EQ(CreateResultCollection(records, &collection_), S_OK);
  }
  void TearDown() override {
    if (collection_ != nullptr) collection_->Release();
  }
  IQORVOperationResultSet* collection_ = nullptr;
};

TEST_F(ResultCollectionTest, ItemOutOfRangeIsInvalidAndLeavesTheOutValue) {
  LONG count = 0;
  ASSERT_EQ(collection_->get_Count(&count), S_OK);
  EXPECT_EQ(count, 2);
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_I2;
  item.value.iVal = 77;
  EXPECT_EQ(collection_->get_Item(-1, &item), E_INVALIDARG);
  EXPECT_EQ(collection_->get_Item(2, &item), E_INVALIDARG);
  EXPECT_EQ(item.vt, VT_I2);
  EXPECT_EQ(item.value.iVal, 77);

  IQORVOperationResultSet* empty = nullptr;
  ASSERT_EQ(CreateResultCollection(std::vector<OperationResultRecord>{}, &empty), S_OK);
  EXPECT_EQ(empty->get_Item(0, &item), E_INVALIDARG);
  empty->Release();

  ASSERT_EQ(collection_->get_Item(1, &item), S_OK);
  ASSERT_EQ(item.vt, VT_DISPATCH);
  IQORVOperationResult* result = nullptr;
  ASSERT_EQ(item.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                                reinterpret_cast<void**>(&result)),
            S_OK);
  LONG value = 0;
  BSTR name = nullptr;
  result->get_OperationResult(&value);
  result->get_ItemFullName(&name);
  EXPECT_EQ(value, 30002);
  EXPECT_EQ(TakeText(name), "$/p/b");
  result->Release();
  VariantClear(&item);
}

TEST_F(ResultCollectionTest, EnumeratorOutlivesItsCollection) {
  IUnknown* unknown = nullptr;
  ASSERT_EQ(collection_->get__NewEnum(&unknown), S_OK);
  collection_->Release();
  collection_ = nullptr;
  IEnumVARIANT* enumerator = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), S_OK);
  unknown->Release();
  std::vector<std::string> names;
  VARIANT element;
  while (enumerator->Next(1, &element, nullptr) == S_OK) {
    ASSERT_EQ(element.vt, VT_DISPATCH);
    IQORVOperationResult* result = nullptr;
    element.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                           reinterpret_cast<void**>(&result));
    BSTR name = nullptr;
    result->get_ItemFullName(&name);
    names.push_back(TakeText(name));
    result->Release();
    VariantClear(&element);
  }
  enumerator->Release();
  EXPECT_EQ(names, (std::vector<std::string>{"$/p/a", "$/p/b"}));
}

TEST_F(ResultCollectionTest, DefaultMemberAndNewEnumThroughDispatch) {
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  index.value.lVal = 0;
  DISPPARAMS one = {&index, nullptr, 1, 0};
  VARIANT result;
  // set(0) in a script: the default member, asked as method or property.
  ASSERT_EQ(collection_->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                &one, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.vt, VT_DISPATCH);
  VariantClear(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ASSERT_EQ(collection_->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                &none, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.vt, VT_UNKNOWN);
  VariantClear(&result);
  LPOLESTR name = const_cast<LPOLESTR>(u"count");
  DISPID dispid = 0;
  ASSERT_EQ(collection_->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), S_OK);
  EXPECT_EQ(dispid, 1);
}

TEST(ItemDispatch, PropertiesByNameThroughInvoke) {
  IQORVAddFile* item = CreateObject<IQORVAddFile>(CLSID_QORVAddFile, IID_IQORVAddFile);
  ASSERT_NE(item, nullptr);
  LPOLESTR name = const_cast<LPOLESTR>(u"remotefilename");
  DISPID dispid = 0;
  ASSERT_EQ(item->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), S_OK);
  EXPECT_EQ(dispid, 2);
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.value.bstrVal = Utf8ToBstr("$/p/z");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &put, 1, 1};
  ASSERT_EQ(
      item->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
      S_OK);
  VariantClear(&value);
  BSTR remote = nullptr;
  ASSERT_EQ(item->get_RemoteFileName(&remote), S_OK);
  EXPECT_EQ(TakeText(remote), "$/p/z");
  item->Release();
}

TEST(ClassTable, EveryClassAnswersItsInterfaceErrorInfoAndTheLockCount) {
  const std::vector<std::string> kWithoutErrorInfo = {
      "KeltoQorSDK.QORLatestFile.1", "KeltoQorSDK.QORVFileLink.1",
      "KeltoQorSDK.QORVSubProjectsFromParent.1", "KeltoQorSDK.QORVFilesByProjectSet.1"};
  ASSERT_EQ(RegisteredClasses().size(), 38u);  // the SDK object and 37 item classes
  const long before = platform::ModuleLockCount();
  for (const ClassRegistration& entry : RegisteredClasses()) {
    SCOPED_TRACE(entry.prog_id);
    IDispatch* object = CreateObject<IDispatch>(entry.clsid, entry.iid);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(platform::ModuleLockCount(), before + 1);
    ISupportErrorInfo* error_info = nullptr;
    HRESULT hr =
        object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&error_info));
    bool exempt = false;
    for (const std::string& name : kWithoutErrorInfo) exempt = exempt || name == entry.prog_id;
    if (exempt) {
      EXPECT_EQ(hr, E_NOINTERFACE);
    } else {
      ASSERT_EQ(hr, S_OK);
      EXPECT_EQ(error_info->InterfaceSupportsErrorInfo(entry.iid), S_OK);
      EXPECT_EQ(error_info->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
      error_info->Release();
    }
    // Items refuse to be aggregated (the SDK object accepts it: see its tests).
    if (entry.clsid == CLSID_QORVSDK) {
      object->Release();
      continue;
    }
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(entry.clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    void* aggregated = nullptr;
    EXPECT_EQ(factory->CreateInstance(object, IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    factory->Release();
    object->Release();
  }
  EXPECT_EQ(platform::ModuleLockCount(), before);
  void* none = nullptr;
  EXPECT_EQ(GetClassObject(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
}

}  // namespace
}  // namespace qorv::sdk
