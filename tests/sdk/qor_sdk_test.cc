// The SDK object: events raised from any thread reach the caller's sinks on
// the creating thread, re-entrant state methods, prompts, temporary folders,
// identity and aggregation.
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "local/working_folder.h"
#include "platform/file_system.h"
#include "platform/worker_threads.h"
#include "qorvsdk/qorvsdk.h"
#include "sdk/qor_sdk.h"
#include "sdk_test_util.h"
#include "support/scoped_temp.h"

namespace qorv::sdk {
namespace {

// A sink implemented by the test, as a caller would: IDispatch whose Invoke
// runs a callback with the event's DISPID.
class TestSink final : public IDispatch {
 public:
  std::function<void(DISPID)> on_event;
  int references = 1;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IQorSDKEvents) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO*, UINT*) override {
    EXPECT_TRUE(riid == IID_NULL);
    EXPECT_EQ(lcid, 0x0400u);
    EXPECT_EQ(flags, DISPATCH_METHOD);
    EXPECT_EQ(params->cArgs, 0u);
    EXPECT_NE(result, nullptr);
    if (on_event) on_event(dispid);
    return E_FAIL;  // errors of sinks are ignored
  }
};

class SdkObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sdk_ = CreateObject<IQORVSDK>(CLSID_QORVSDK, IID_IQORVSDK);
    ASSERT_NE(sdk_, nullptr);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(
        sdk_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)),
        S_OK);
    ASSERT_EQ(container->FindConnectionPoint(DIID__IQorSDKEvents, &point_), S_OK);
    container->Release();
  }
  void TearDown() override {
    if (point_ != nullptr) point_->Release();
    if (sdk_ != nullptr) {
      EXPECT_EQ(sdk_->Release(), 0u);
    }
  }

  DWORD Connect(TestSink* sink) {
    DWORD cookie = 0;
    EXPECT_EQ(point_->Advise(sink, &cookie), S_OK);
    return cookie;
  }
  OperationDriver& driver() { return static_cast<CQorSDK*>(sdk_)->driver(); }

  // The batch as the caller reads it through the interface.
  std::vector<ReportLine> ReadBatch() {
    LONG count = -1;
    EXPECT_EQ(sdk_->GetOperationResultCount(&count), S_OK);
    std::vector<ReportLine> lines;
    for (LONG i = 0; i < count; ++i) {
      VARIANT_BOOL ok = 1;
      BSTR text = nullptr;
      VARIANT_BOOL found = 0;
      EXPECT_EQ(sdk_->GetOperationResultInfo(i, &ok, &text, &found), S_OK);
      EXPECT_EQ(found, VARIANT_TRUE);
      lines.push_back(ReportLine{ok == VARIANT_TRUE ? 1 : 0, TakeText(text)});
    }
    return lines;
  }

  IQORVSDK* sdk_ = nullptr;
  IConnectionPoint* point_ = nullptr;
};

TEST_F(SdkObjectTest, WorkerNotificationRunsOnCreatingThreadAndBlocksTheWorker) {
  const std::thread::id creator = std::this_thread::get_id();
  TestSink sink;
  std::atomic<bool> handler_finished{false};
  std::vector<std::vector<ReportLine>> seen;
  sink.on_event = [&](DISPID dispid) {
    EXPECT_EQ(std::this_thread::get_id(), creator);
    EXPECT_EQ(dispid, DISPID_OnOperationResultSend);
    seen.push_back(ReadBatch());  // re-entrant state methods while the worker waits
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    handler_finished = true;
  };
  DWORD cookie = Connect(&sink);
  bool finished_when_delivery_returned = false;
  int32_t status = 0;
  std::string description;
  ASSERT_EQ(platform::RunOnWorkerThread(
                [&] {
                  driver().DeliverReportLinesLocked({{1, "Getting a.txt"}, {0, "failed"}});
                  finished_when_delivery_returned = handler_finished.load();
                },
                &status, &description),
            0);
  EXPECT_TRUE(finished_when_delivery_returned);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (std::vector<ReportLine>{{1, "Getting a.txt"}, {0, "failed"}}));
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.references, 1);
}

TEST_F(SdkObjectTest, BatchesFromTwoWorkersArriveOneAtATime) {
  TestSink sink;
  std::vector<std::vector<ReportLine>> seen;
  sink.on_event = [&](DISPID) { seen.push_back(ReadBatch()); };
  DWORD cookie = Connect(&sink);
  auto worker = [this](const std::string& name) {
    return platform::ThreadHandle::Start([this, name] {
      for (int i = 0; i < 15; ++i) {
        driver().DeliverReportLinesLocked({{1, name}, {0, name + std::to_string(i)}});
      }
    });
  };
  auto a = worker("a");
  auto b = worker("b");
  ASSERT_TRUE(a && b);
  platform::ThreadHandle* handles[] = {a.get(), b.get()};
  ASSERT_EQ(platform::WaitForWorkerThreads(handles, true, nullptr), 1);
  ASSERT_EQ(seen.size(), 30u);
  for (const auto& batch : seen) {
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[1].text.substr(0, 1), batch[0].text);  // never two deliveries mixed
  }
  point_->Unadvise(cookie);
}

TEST_F(SdkObjectTest, ReportLinesThroughTheInterface) {
  TestSink sink;
  int events = 0;
  sink.on_event = [&](DISPID) { ++events; };
  DWORD cookie = Connect(&sink);
  driver().Report("", "", true);  // an empty report still raises the event
  EXPECT_EQ(events, 1);
  EXPECT_TRUE(ReadBatch().empty());

  driver().Report("Heading", "Outcome", false);
  VARIANT_BOOL ok = 7;
  BSTR text = nullptr;
  VARIANT_BOOL found = 7;
  for (LONG index : {-1L, 2L}) {
    EXPECT_EQ(sdk_->GetOperationResultInfo(index, &ok, &text, &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_EQ(ok, 7);  // untouched
    EXPECT_EQ(text, nullptr);
  }
  EXPECT_EQ(ReadBatch(), (std::vector<ReportLine>{{1, "Heading"}, {0, "Outcome"}}));
  point_->Unadvise(cookie);
}

TEST_F(SdkObjectTest, PromptsWithAndWithoutAHandler) {
  // A fresh object without a sink: the answer stored last is 0 (cancel).
  PromptAnswer fresh = driver().AskWritableFile("local copy is writable", true);
  EXPECT_EQ(fresh.answer, 0);

  // A handler answering through IDispatch, by name, as a script would.
  TestSink sink;
  LONG answer = 0;
  std::string information;
  VARIANT_BOOL three_way = 0;
  sink.on_event = [&](DISPID dispid) {
    ASSERT_EQ(dispid, DISPID_PromptLeaveOrReplaceWriteableFile);
    BSTR text = nullptr;
    sdk_->GetPromptLeaveOrReplaceWriteableFile(&three_way, &text);
    information = TakeText(text);
    OLECHAR name[] = u"setpromptleaveorreplacewriteablefile";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    ASSERT_EQ(sdk_->GetIDsOfNames(IID_NULL, names, 1, 0x400, &id), S_OK);
    VARIANT arguments[2];  // reverse order: apply-to-all, then the answer
    arguments[0].vt = VT_BOOL;
    arguments[0].value.boolVal = VARIANT_TRUE;
    arguments[1].vt = VT_I4;
    arguments[1].value.lVal = answer;
    DISPPARAMS params = {arguments, nullptr, 2, 0};
    ASSERT_EQ(
        sdk_->Invoke(id, IID_NULL, 0x400, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
        S_OK);
  };
  DWORD cookie = Connect(&sink);
  for (LONG given : {2L, 4L, 1L, 7L}) {
    answer = given;
    PromptAnswer result = driver().AskWritableFile("x.c is writable", false);
    EXPECT_EQ(result.answer, given == 1 || given == 7 ? 0 : given) << given;
    EXPECT_TRUE(result.apply_to_all);
  }
  EXPECT_EQ(information, "x.c is writable");
  EXPECT_EQ(three_way, VARIANT_FALSE);
  point_->Unadvise(cookie);
}

TEST_F(SdkObjectTest, SetTempDirectoryCreatesAndReplacesTheWorkingFolder) {
  testing::ScopedTempFolder temp;
  const std::string tag = driver().instance_tag();
  const std::string base = temp.path();
  {
    Text with_slash((base + "/").c_str());
    sdk_->SetTempDirectory(with_slash);
  }
  const std::string folder = base + "/" + tag;
  EXPECT_TRUE(IsDirectory(folder));
  EXPECT_EQ(driver().working_temp_folder(), folder);
  EXPECT_EQ(driver().temp_directory(), base + "/");

  // The same folder without the final "/"; the first one (with a file in it)
  // is removed before.
  platform::CreateFolder(folder + "/sub");
  {
    Text without_slash(base.c_str());
    sdk_->SetTempDirectory(without_slash);
  }
  EXPECT_TRUE(IsDirectory(folder));
  EXPECT_FALSE(PathExists(folder + "/sub"));

  // A directory that does not exist: stored, nothing created, the previous
  // working folder removed.
  const std::string missing = base + "/missing";
  {
    Text text(missing.c_str());
    sdk_->SetTempDirectory(text);
  }
  EXPECT_FALSE(PathExists(folder));
  EXPECT_FALSE(PathExists(missing));
  EXPECT_EQ(driver().working_temp_folder(), missing + "/" + tag);

  // Releasing the object removes its working folder.
  Text again(base.c_str());
  sdk_->SetTempDirectory(again);
  EXPECT_TRUE(IsDirectory(folder));
  point_->Release();
  point_ = nullptr;
  EXPECT_EQ(sdk_->Release(), 0u);
  sdk_ = nullptr;
  EXPECT_FALSE(PathExists(folder));
}

TEST_F(SdkObjectTest, InterfacesIdentityAndConnectionPoints) {
  ISupportErrorInfo* error_info = nullptr;
  ASSERT_EQ(sdk_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&error_info)),
            S_OK);
  EXPECT_EQ(error_info->InterfaceSupportsErrorInfo(IID_IQORVSDK), S_OK);
  EXPECT_EQ(error_info->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  error_info->Release();

  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(
      sdk_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)),
      S_OK);
  IConnectionPoint* other = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &other), CONNECT_E_NOCONNECTION);
  IEnumConnectionPoints* points = nullptr;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* found[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, found, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  IID iid;
  found[0]->GetConnectionInterface(&iid);
  EXPECT_TRUE(iid == DIID__IQorSDKEvents);
  found[0]->Release();
  points->Release();
  container->Release();

  // Sinks are kept in connection order.
  TestSink first, second;
  std::vector<int> order;
  first.on_event = [&](DISPID) { order.push_back(1); };
  second.on_event = [&](DISPID) { order.push_back(2); };
  DWORD c1 = Connect(&first);
  DWORD c2 = Connect(&second);
  IEnumConnections* connections = nullptr;
  ASSERT_EQ(point_->EnumConnections(&connections), S_OK);
  CONNECTDATA data[3];
  ASSERT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[0].dwCookie, c1);
  EXPECT_EQ(data[1].dwCookie, c2);
  data[0].pUnk->Release();
  data[1].pUnk->Release();
  connections->Release();
  driver().SetPercentDone(42);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  LONG percent = 0;
  sdk_->GetPercentDone(&percent);
  EXPECT_EQ(percent, 42);
  point_->Unadvise(c1);
  point_->Unadvise(c2);
  EXPECT_EQ(first.references, 1);

  const platform::Window* window = static_cast<CQorSDK*>(sdk_)->notification_window();
  EXPECT_EQ(window->attributes().class_name, "Brastovik_QORVSS5.1_QorSDK");
  EXPECT_EQ(window->attributes().window_name, "Brastovik_QORVSS5.1_QorSDKWindow");
}

// Calls a method with every argument value-initialized: null texts, sets
// and out-parameters, zero numbers and enumerations.
template <class... Args>
HRESULT CallWithNeutralArguments(IQORVSDK* sdk, HRESULT (IQORVSDK::*method)(Args...)) {
  return (sdk->*method)(Args{}...);
}

// Every method of the interface is built: none answers E_NOTIMPL, and none
// fails on null arguments before any connection exists.
TEST_F(SdkObjectTest, EveryMethodIsBuilt) {
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::ConnectToServer), E_NOTIMPL)
      << "ConnectToServer";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::Login), E_NOTIMPL) << "Login";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::CreateProject), E_NOTIMPL) << "CreateProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::AddFolder), E_NOTIMPL) << "AddFolder";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetProjectByLabel), E_NOTIMPL)
      << "GetProjectByLabel";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetOldVersionFile), E_NOTIMPL)
      << "GetOldVersionFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetLatestProject), E_NOTIMPL)
      << "GetLatestProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::CheckoutProject), E_NOTIMPL)
      << "CheckoutProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::CheckInProject), E_NOTIMPL)
      << "CheckInProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::UndoProjectCheckout), E_NOTIMPL)
      << "UndoProjectCheckout";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::DeleteProject), E_NOTIMPL) << "DeleteProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::RenameFile), E_NOTIMPL) << "RenameFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::RenameProject), E_NOTIMPL) << "RenameProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::PinFile), E_NOTIMPL) << "PinFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::UnpinFile), E_NOTIMPL) << "UnpinFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::IsFileSameAsOnServer), E_NOTIMPL)
      << "IsFileSameAsOnServer";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::ShareProjectFrom), E_NOTIMPL)
      << "ShareProjectFrom";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::LabelItem), E_NOTIMPL) << "LabelItem";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::Branch), E_NOTIMPL) << "Branch";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::SetPassword), E_NOTIMPL) << "SetPassword";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::MoveItem), E_NOTIMPL) << "MoveItem";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetProjectGeneralInfo), E_NOTIMPL)
      << "GetProjectGeneralInfo";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetFileGeneralInfo), E_NOTIMPL)
      << "GetFileGeneralInfo";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetFileCountInProject), E_NOTIMPL)
      << "GetFileCountInProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::IsProjectExistingOnServer), E_NOTIMPL)
      << "IsProjectExistingOnServer";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::RequestCancel), E_NOTIMPL) << "RequestCancel";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetDatabaseAlias), E_NOTIMPL)
      << "GetDatabaseAlias";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::AddFiles), E_NOTIMPL) << "AddFiles";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::CheckoutFiles), E_NOTIMPL) << "CheckoutFiles";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::CheckInFiles), E_NOTIMPL) << "CheckInFiles";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetLatestFiles), E_NOTIMPL)
      << "GetLatestFiles";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetLatestProjects), E_NOTIMPL)
      << "GetLatestProjects";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::UndoFilesCheckout), E_NOTIMPL)
      << "UndoFilesCheckout";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::DeleteFiles), E_NOTIMPL) << "DeleteFiles";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::ShareFilesFrom), E_NOTIMPL)
      << "ShareFilesFrom";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetProjectHistory), E_NOTIMPL)
      << "GetProjectHistory";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetFileHistory), E_NOTIMPL)
      << "GetFileHistory";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetDeletedItemsInProject), E_NOTIMPL)
      << "GetDeletedItemsInProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetFileLinks), E_NOTIMPL) << "GetFileLinks";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::RecoverItems), E_NOTIMPL) << "RecoverItems";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::PurgeItems), E_NOTIMPL) << "PurgeItems";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::SetTempDirectory), E_NOTIMPL)
      << "SetTempDirectory";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetPercentDone), E_NOTIMPL)
      << "GetPercentDone";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetOperationResultCount), E_NOTIMPL)
      << "GetOperationResultCount";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetOperationResultInfo), E_NOTIMPL)
      << "GetOperationResultInfo";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetPromptLeaveOrReplaceWriteableFile),
            E_NOTIMPL)
      << "GetPromptLeaveOrReplaceWriteableFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::SetPromptLeaveOrReplaceWriteableFile),
            E_NOTIMPL)
      << "SetPromptLeaveOrReplaceWriteableFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetPromptCheckinUnchangedFile), E_NOTIMPL)
      << "GetPromptCheckinUnchangedFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::SetPromptCheckinUnchangedFile), E_NOTIMPL)
      << "SetPromptCheckinUnchangedFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetPromptUndoCheckoutChangedFile), E_NOTIMPL)
      << "GetPromptUndoCheckoutChangedFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::SetPromptUndoCheckoutChangedFile), E_NOTIMPL)
      << "SetPromptUndoCheckoutChangedFile";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetPromptRecoverOrPurgeDeletedCopy),
            E_NOTIMPL)
      << "GetPromptRecoverOrPurgeDeletedCopy";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::SetPromptRecoverOrPurgeDeletedCopy),
            E_NOTIMPL)
      << "SetPromptRecoverOrPurgeDeletedCopy";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetSubProjectsFromParent), E_NOTIMPL)
      << "GetSubProjectsFromParent";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetFilesByProject), E_NOTIMPL)
      << "GetFilesByProject";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetProjectByVersion), E_NOTIMPL)
      << "GetProjectByVersion";
  EXPECT_NE(CallWithNeutralArguments(sdk_, &IQORVSDK::GetFileListFromProject), E_NOTIMPL)
      << "GetFileListFromProject";
}

// An outer object that aggregates the SDK object.
TEST(SdkObjectAggregation, OuterObjectControlsIdentity) {
  struct Outer final : IUnknown {
    IUnknown* inner = nullptr;
    int references = 1;
    HRESULT QueryInterface(REFIID riid, void** object) override {
      if (riid == IID_IUnknown) {
        *object = this;
        AddRef();
        return S_OK;
      }
      return inner->QueryInterface(riid, object);
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
  } outer;
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(CLSID_QORVSDK, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IQORVSDK, reinterpret_cast<void**>(&outer.inner)),
            CLASS_E_NOAGGREGATION);  // an aggregated object is asked for IUnknown only
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  factory->Release();
  IQORVSDK* sdk = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IQORVSDK, reinterpret_cast<void**>(&sdk)), S_OK);
  EXPECT_EQ(outer.references, 2);  // the interface's reference counts on the outer object
  IUnknown* identity = nullptr;
  sdk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
  EXPECT_EQ(identity, &outer);
  identity->Release();
  sdk->Release();
  EXPECT_EQ(outer.inner->Release(), 0u);
}

}  // namespace
}  // namespace qorv::sdk
