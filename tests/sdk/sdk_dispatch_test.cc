// The IQORVSDK dispatch table serves all 57 methods: names and DISPIDs, and
// calls with many arguments of every kind (script-style VARIANT references,
// a collection out-parameter, a caller-owned result object) on a stand-in
// SDK object.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/component/com_object.h"
#include "platform/component/dispatch_impl.h"
#include "qorvsdk/sdk.h"
#include "sdk/item_classes.h"
#include "sdk/result_collections.h"
#include "sdk/sdk_dispatch_table.h"
#include "sdk_test_util.h"

namespace qorv::sdk {
namespace {

TEST(SdkDispatchTable, FiftySevenMethodsWithTheirDispids) {
  platform::DispatchTable table = SdkDispatchTable();
  ASSERT_EQ(table.size(), 57u);
  std::set<std::string> names;
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].dispid, static_cast<DISPID>(i + 1));
    EXPECT_EQ(table[i].kind, platform::DispatchKind::kMethod);
    names.insert(table[i].name);
  }
  EXPECT_EQ(names.size(), 57u);
  LPOLESTR name = const_cast<LPOLESTR>(u"getLATESTfiles");
  DISPID dispid = 0;
  ASSERT_EQ(platform::DispatchGetIDsOfNames(table, IID_NULL, &name, 1, &dispid), S_OK);
  EXPECT_EQ(dispid, 31);
}

// Records what the three methods under test receive; every other method is
// not built here.
class FakeSdk final : public platform::ComObject<FakeSdk, platform::DispatchImpl<IQORVSDK>> {
 public:
  HRESULT CheckInProject(BSTR ProjectToCheckin, BSTR LocalDirectory, BSTR Comment,
                         VARIANT_BOOL Recursive, VARIANT_BOOL KeepCheckout,
                         VARIANT_BOOL RemoveLocalCopy, Enum_EOL EOL,
                         Enum_SetLocalFileTime SetLocalFileTime,
                         Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                         VARIANT_BOOL ReadOnlyIfNotCheckedout, BSTR MergeTool, BSTR TwoWayMergeArgs,
                         VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                         IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) override {
    texts = {BstrToUtf8(ProjectToCheckin), BstrToUtf8(LocalDirectory), BstrToUtf8(Comment),
             BstrToUtf8(MergeTool), BstrToUtf8(TwoWayMergeArgs)};
    flags = {Recursive, KeepCheckout, RemoveLocalCopy, ReadOnlyIfNotCheckedout};
    numbers = {EOL, SetLocalFileTime, CheckinUnchangedFileHandling};
    *Canceled = VARIANT_TRUE;
    *ResultDescription = Utf8ToBstr("Canceled");
    std::vector<OperationResultRecord> results = {{30016, "Canceled", "$/p/a.txt"}};
    *ResultValue = 30016;
    return CreateResultCollection(results, OperationResultSet);
  }

  HRESULT GetFileHistory(BSTR FileName, VARIANT_BOOL* Pinned, IQORVFileHistorySet** FileHistorySet,
                         BSTR UserName, DATE DateFrom, DATE DateTo, VARIANT_BOOL* Canceled,
                         BSTR* ResultDescription, LONG* ResultValue) override {
    texts = {BstrToUtf8(FileName), BstrToUtf8(UserName)};
    dates = {DateFrom, DateTo};
    *Pinned = VARIANT_TRUE;
    *Canceled = VARIANT_FALSE;
    *ResultDescription = Utf8ToBstr("Completed");
    *ResultValue = 0;
    FileHistoryRecord version;
    version.version = 3;
    version.user_name = "ann";
    return CreateResultCollection(std::vector<FileHistoryRecord>{version}, FileHistorySet);
  }

  HRESULT GetOldVersionFile(BSTR, BSTR, LONG Version, BSTR, VARIANT_BOOL, Enum_WritableFileHandling,
                            Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL* Canceled,
                            BSTR* ResultDescription, IQORVOperationResult* OperationResult,
                            LONG* ResultValue) override {
    *Canceled = VARIANT_FALSE;
    *ResultDescription = Utf8ToBstr("Completed");
    *ResultValue = 0;
    if (OperationResult == nullptr) return S_OK;
    return WriteItem(OperationResultRecord{Version, "Completed", "$/p/old.txt"}, OperationResult);
  }

  HRESULT ConnectToServer(BSTR, LONG, VARIANT_BOOL*, Enum_EncryptType*, VARIANT_BOOL*, BSTR*,
                          Enum_ProxyType, BSTR, LONG, BSTR, BSTR, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT Login(BSTR, BSTR, BSTR, IQORVKeyInfoSet*, VARIANT_BOOL*, LONG*, VARIANT_BOOL*, BSTR*,
                LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT CreateProject(BSTR, BSTR, BSTR, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT AddFolder(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                    Enum_FileType, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                    LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetProjectByLabel(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, Enum_WritableFileHandling,
                            Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                            IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetLatestProject(BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, Enum_WritableFileHandling,
                           Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                           IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT CheckoutProject(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, Enum_WritableFileHandling,
                          Enum_EOL, Enum_SetLocalFileTime, VARIANT_BOOL*, BSTR*,
                          IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT UndoProjectCheckout(BSTR, BSTR, VARIANT_BOOL, Enum_EOL, Enum_SetLocalFileTime,
                              Enum_UndoCheckOutLocalFileHandling,
                              Enum_UndoCheckOutChangedFileHandling, VARIANT_BOOL, VARIANT_BOOL*,
                              BSTR*, IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT DeleteProject(BSTR, VARIANT_BOOL, VARIANT_BOOL*, BSTR*, IQORVOperationResult*,
                        LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT RenameFile(BSTR, BSTR, BSTR, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT RenameProject(BSTR, BSTR, BSTR, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT PinFile(BSTR, LONG, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT UnpinFile(BSTR, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT IsFileSameAsOnServer(BSTR, BSTR, Enum_EOL, LONG, VARIANT_BOOL*, VARIANT_BOOL*, BSTR*,
                               LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT ShareProjectFrom(BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, VARIANT_BOOL*, BSTR*,
                           LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT LabelItem(BSTR, BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT Branch(BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT SetPassword(BSTR, VARIANT_BOOL*, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT MoveItem(BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) override { return E_NOTIMPL; }
  HRESULT GetProjectGeneralInfo(BSTR, LONG*, LONG*, LONG*, LONG*, LONG*, DATE*, BSTR*,
                                VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetFileGeneralInfo(BSTR, BSTR*, LONG*, DATE*, LONG*, BSTR*, VARIANT_BOOL*, BSTR*,
                             LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetFileCountInProject(BSTR, LONG*, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT IsProjectExistingOnServer(BSTR, VARIANT_BOOL*, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT RequestCancel() override { return E_NOTIMPL; }
  HRESULT GetDatabaseAlias(IQORVDatabaseAliasSet**, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT AddFiles(IQORVAddFileSet*, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                   Enum_AddFileDeletedCopyHandling, BSTR, VARIANT_BOOL*, BSTR*,
                   IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT CheckoutFiles(IQORVCheckoutFileSet*, BSTR, VARIANT_BOOL, Enum_WritableFileHandling,
                        Enum_EOL, Enum_SetLocalFileTime, VARIANT_BOOL*, BSTR*,
                        IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT CheckInFiles(IQORVCheckinFileSet*, VARIANT_BOOL, BSTR, Enum_EOL, Enum_SetLocalFileTime,
                       Enum_CheckinUnchangedFileHandling, VARIANT_BOOL, VARIANT_BOOL, BSTR, BSTR,
                       VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetLatestFiles(IQORVLatestFileSet*, VARIANT_BOOL, Enum_WritableFileHandling, Enum_EOL,
                         Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                         IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetLatestProjects(IQORVLatestProjectSet*, VARIANT_BOOL, VARIANT_BOOL,
                            Enum_WritableFileHandling, Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR,
                            VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT UndoFilesCheckout(IQORVUndoCheckoutFileSet*, Enum_EOL, Enum_SetLocalFileTime,
                            Enum_UndoCheckOutLocalFileHandling,
                            Enum_UndoCheckOutChangedFileHandling, VARIANT_BOOL, VARIANT_BOOL*,
                            BSTR*, IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT DeleteFiles(IQORVDeleteFileSet*, VARIANT_BOOL, VARIANT_BOOL*, BSTR*,
                      IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT ShareFilesFrom(BSTR, IQORVShareFileSet*, VARIANT_BOOL, BSTR, VARIANT_BOOL*, BSTR*,
                         IQORVOperationResultSet**, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetProjectHistory(BSTR, VARIANT_BOOL, VARIANT_BOOL, IQORVProjectHistorySet**, BSTR, DATE,
                            DATE, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetDeletedItemsInProject(BSTR, IQORVDeletedItemSet**, VARIANT_BOOL*, BSTR*,
                                   LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetFileLinks(BSTR, IQORVFileLinkSet**, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT RecoverItems(IQORVRecoverItemSet*, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                       LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT PurgeItems(IQORVPurgeItemSet*, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                     LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT SetTempDirectory(BSTR) override { return E_NOTIMPL; }
  HRESULT GetPercentDone(LONG*) override { return E_NOTIMPL; }
  HRESULT GetOperationResultCount(LONG*) override { return E_NOTIMPL; }
  HRESULT GetOperationResultInfo(LONG, VARIANT_BOOL*, BSTR*, VARIANT_BOOL*) override {
    return E_NOTIMPL;
  }
  HRESULT GetPromptLeaveOrReplaceWriteableFile(VARIANT_BOOL*, BSTR*) override { return E_NOTIMPL; }
  HRESULT SetPromptLeaveOrReplaceWriteableFile(Enum_WritableFileHandling, VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT GetPromptCheckinUnchangedFile(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetPromptCheckinUnchangedFile(Enum_CheckinUnchangedFileHandling, VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT GetPromptUndoCheckoutChangedFile(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetPromptUndoCheckoutChangedFile(Enum_UndoCheckOutChangedFileHandling,
                                           VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT GetPromptRecoverOrPurgeDeletedCopy(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetPromptRecoverOrPurgeDeletedCopy(Enum_AddFileDeletedCopyHandling,
                                             VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT GetSubProjectsFromParent(BSTR, IQORVSubProjectsFromParentSet**, VARIANT_BOOL*, BSTR*,
                                   LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetFilesByProject(BSTR, IQORVFilesByProjectSet**, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetProjectByVersion(BSTR, BSTR, LONG, VARIANT_BOOL, VARIANT_BOOL,
                              Enum_WritableFileHandling, Enum_EOL, Enum_SetLocalFileTime, BSTR,
                              BSTR, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                              LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT GetFileListFromProject(BSTR, IQORVFileListSet**, VARIANT_BOOL*, BSTR*, LONG*) override {
    return E_NOTIMPL;
  }

  std::vector<std::string> texts;
  std::vector<VARIANT_BOOL> flags;
  std::vector<LONG> numbers;
  std::vector<DATE> dates;
};

// VARIANT arguments in declaration order; Params() reverses them.
class ScriptArguments {
 public:
  ~ScriptArguments() {
    for (VARIANT& v : values_) VariantClear(&v);
    for (VARIANT& v : outs_) VariantClear(&v);
  }
  ScriptArguments& Text(const char* text) {
    VARIANT& v = Add(VT_BSTR);
    v.value.bstrVal = Utf8ToBstr(text);
    return *this;
  }
  ScriptArguments& Short(SHORT value) {
    Add(VT_I2).value.iVal = value;
    return *this;
  }
  ScriptArguments& Long(LONG value) {
    Add(VT_I4).value.lVal = value;
    return *this;
  }
  ScriptArguments& Object(IDispatch* object) {
    Add(VT_DISPATCH).value.pdispVal = object;
    object->AddRef();
    return *this;
  }
  // A script variable passed by reference; `slot` names it for Out().
  ScriptArguments& Variable(size_t slot) {
    Add(static_cast<VARTYPE>(VT_BYREF | VT_VARIANT)).value.pvarVal = &outs_[slot];
    return *this;
  }
  VARIANT& Out(size_t slot) { return outs_[slot]; }
  DISPPARAMS Params() {
    reversed_.assign(values_.rbegin(), values_.rend());
    return {reversed_.data(), nullptr, static_cast<UINT>(reversed_.size()), 0};
  }

 private:
  VARIANT& Add(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    values_.push_back(v);
    return values_.back();
  }
  std::vector<VARIANT> values_;
  std::vector<VARIANT> reversed_;
  VARIANT outs_[4] = {};
};

class SdkDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(platform::MakeComObject(&sdk_), S_OK); }
  void TearDown() override { sdk_->Release(); }

  HRESULT Call(const char16_t* method, DISPPARAMS* params, VARIANT* result) {
    LPOLESTR name = const_cast<LPOLESTR>(method);
    DISPID dispid = 0;
    EXPECT_EQ(sdk_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid), S_OK);
    return sdk_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, result,
                        nullptr, nullptr);
  }

  FakeSdk* sdk_ = nullptr;
};

TEST_F(SdkDispatchTest, SixteenParametersFromAScript) {
  ScriptArguments args;
  args.Text("$/p").Text("/w").Text("note").Long(1).Short(0).Text("true");
  args.Short(Enum_LF).Text("2").Long(Enum_CheckinUnchangedFileHandlingAsk).Long(0);
  args.Text("merge").Text("%1 %2").Variable(0).Variable(1).Variable(2);
  DISPPARAMS params = args.Params();  // ResultValue left to the result
  VARIANT result;
  ASSERT_EQ(Call(u"CheckInProject", &params, &result), S_OK);

  EXPECT_EQ(sdk_->texts, (std::vector<std::string>{"$/p", "/w", "note", "merge", "%1 %2"}));
  EXPECT_EQ(sdk_->flags,
            (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE, VARIANT_FALSE}));
  EXPECT_EQ(sdk_->numbers, (std::vector<LONG>{Enum_LF, 2, Enum_CheckinUnchangedFileHandlingAsk}));
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.value.lVal, 30016);
  EXPECT_EQ(args.Out(0).vt, VT_BOOL);
  EXPECT_EQ(args.Out(0).value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(args.Out(1).vt, VT_BSTR);
  EXPECT_EQ(BstrToUtf8(args.Out(1).value.bstrVal), "Canceled");
  ASSERT_EQ(args.Out(2).vt, VT_DISPATCH);
  IQORVOperationResultSet* results = nullptr;
  ASSERT_EQ(args.Out(2).value.pdispVal->QueryInterface(IID_IQORVOperationResultSet,
                                                       reinterpret_cast<void**>(&results)),
            S_OK);
  LONG count = 0;
  results->get_Count(&count);
  EXPECT_EQ(count, 1);
  results->Release();
}

TEST_F(SdkDispatchTest, OutParametersBetweenInParametersAndDatesAsText) {
  ScriptArguments args;
  args.Text("$/p/a.txt").Variable(0).Variable(1).Text("ann").Text("2024-01-01");
  args.Text("2024-12-31 23:59:59").Variable(2).Variable(3);
  DISPPARAMS params = args.Params();
  VARIANT result;
  ASSERT_EQ(Call(u"GetFileHistory", &params, &result), S_OK);
  EXPECT_EQ(sdk_->texts, (std::vector<std::string>{"$/p/a.txt", "ann"}));
  ASSERT_EQ(sdk_->dates.size(), 2u);
  EXPECT_EQ(sdk_->dates[0], 45292.0);
  EXPECT_NEAR(sdk_->dates[1], 45657.99998843, 1e-8);
  EXPECT_EQ(args.Out(0).value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(args.Out(1).vt, VT_DISPATCH);
  VARIANT item;
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  DISPPARAMS item_params = {&index, nullptr, 1, 0};
  ASSERT_EQ(args.Out(1).value.pdispVal->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET,
                                               &item_params, &item, nullptr, nullptr),
            S_OK);
  IQORVFileHistory* history = nullptr;
  ASSERT_EQ(
      item.value.pdispVal->QueryInterface(IID_IQORVFileHistory, reinterpret_cast<void**>(&history)),
      S_OK);
  LONG version = 0;
  history->get_Version(&version);
  EXPECT_EQ(version, 3);
  history->Release();
  VariantClear(&item);
  EXPECT_EQ(result.value.lVal, 0);
}

TEST_F(SdkDispatchTest, CallerOwnedResultObjectIsFilledInPlace) {
  IQORVOperationResult* mine =
      CreateObject<IQORVOperationResult>(CLSID_QORVOperationResult, IID_IQORVOperationResult);
  ASSERT_NE(mine, nullptr);
  ScriptArguments args;
  args.Text("$/p").Text("old.txt").Long(4).Text("/w/old.txt").Long(0).Long(2).Long(2).Long(0);
  args.Text("").Text("").Variable(0).Variable(1).Object(mine);
  DISPPARAMS params = args.Params();
  VARIANT result;
  ASSERT_EQ(Call(u"GetOldVersionFile", &params, &result), S_OK);
  LONG value = -1;
  BSTR name = nullptr;
  mine->get_OperationResult(&value);
  mine->get_ItemFullName(&name);
  EXPECT_EQ(value, 4);
  EXPECT_EQ(TakeText(name), "$/p/old.txt");
  mine->Release();

  // A method not built here fails explicitly.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXCEPINFO exception = {};
  EXPECT_EQ(sdk_->Invoke(26, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &exception, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_NOTIMPL);
}

// An event sink whose dispatch members are its own functions.
class EventSink final
    : public platform::ComObject<EventSink, platform::DispatchImpl<_IQorSDKEvents, EventSink>> {
 public:
  HRESULT OnPercentDone() {
    ++percent_events;
    return S_OK;
  }
  HRESULT PromptLeaveOrReplaceWriteableFile() {
    ++prompts;
    return S_OK;
  }
  int percent_events = 0;
  int prompts = 0;
};

}  // namespace
}  // namespace qorv::sdk

template <>
struct qorv::platform::DispatchTableFor<qorv::sdk::EventSink> {
  using M = DispatchMembers<qorv::sdk::EventSink>;
  static constexpr DispatchMember kMembers[] = {
      M::Method<&qorv::sdk::EventSink::OnPercentDone>("OnPercentDone", DISPID_OnPercentDone),
      M::Method<&qorv::sdk::EventSink::PromptLeaveOrReplaceWriteableFile>(
          "PromptLeaveOrReplaceWriteableFile", DISPID_PromptLeaveOrReplaceWriteableFile),
  };
};

namespace qorv::sdk {
namespace {

TEST(EventSink, RaisedAsTheSdkObjectRaisesEvents) {
  EventSink* sink = nullptr;
  ASSERT_EQ(platform::MakeComObject(&sink), S_OK);
  IDispatch* events = nullptr;
  ASSERT_EQ(sink->QueryInterface(DIID__IQorSDKEvents, reinterpret_cast<void**>(&events)), S_OK);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  for (DISPID dispid :
       {DISPID_OnPercentDone, DISPID_OnPercentDone, DISPID_PromptLeaveOrReplaceWriteableFile}) {
    EXPECT_EQ(events->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                             nullptr, nullptr),
              S_OK);
    VariantClear(&result);
  }
  EXPECT_EQ(events->Invoke(DISPID_OnOperationResultSend, IID_NULL, LOCALE_USER_DEFAULT,
                           DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(sink->percent_events, 2);
  EXPECT_EQ(sink->prompts, 1);
  events->Release();
  sink->Release();
}

}  // namespace
}  // namespace qorv::sdk
