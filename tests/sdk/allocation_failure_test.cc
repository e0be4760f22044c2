// Running out of memory at every allocation of a call, for each kind of
// method a caller can reach: the call always returns (no C++ exception leaves
// the component) with E_OUTOFMEMORY or the result its kind documents.
//
// This test executable replaces the global operator new: while a thread's
// countdown runs, its n-th allocation throws std::bad_alloc. A sweep fails
// the 1st, 2nd, ... allocation of the call until one run completes without
// reaching its failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "platform/component/dispatch_impl.h"
#include "qorvsdk/activation.h"
#include "qorvsdk/qorvsdk.h"
#include "qorvsdk/result_codes.h"
#include "sdk_test_util.h"
#include "support/scoped_temp.h"

namespace {

// Allocations of this thread left before the failing one; 0: none fails.
thread_local long allocations_before_failure = 0;
thread_local bool failure_happened = false;

void* Allocate(std::size_t size) {
  if (allocations_before_failure > 0 && --allocations_before_failure == 0) {
    failure_happened = true;
    throw std::bad_alloc();
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace qorv::sdk {
namespace {

// Runs `call` with its 1st, 2nd, ... allocation failing until a run reaches
// no failure; every result must be one of `allowed` (S_OK stands for a call
// that reported the failure in its own out-parameters). Returns how many
// runs had a failure, so that a test sees the sweep really reached the call.
int Sweep(const char* what, const std::function<HRESULT()>& call,
          std::initializer_list<HRESULT> allowed) {
  for (int n = 1; n < 10000; ++n) {
    failure_happened = false;
    allocations_before_failure = n;
    const HRESULT hr = call();
    allocations_before_failure = 0;
    bool known = false;
    for (HRESULT expected : allowed) known = known || hr == expected;
    EXPECT_TRUE(known) << what << ": allocation " << n << " gave " << std::hex << hr;
    if (!failure_happened) return n - 1;
  }
  ADD_FAILURE() << what << ": no run without a failure";
  return 0;
}

TEST(AllocationFailureTest, EveryKindOfMethodSurvivesAFailedAllocation) {
  testing::ScopedTempFolder temp;
  IQORVSDK* sdk = CreateObject<IQORVSDK>(CLSID_QORVSDK, IID_IQORVSDK);
  ASSERT_NE(sdk, nullptr);

  // A session method: the refused connect, or 2 "out of memory" in its
  // result value.
  Text server("127.0.0.1");
  EXPECT_GT(Sweep("ConnectToServer",
                  [&] {
                    VARIANT_BOOL connected = 0;
                    VARIANT_BOOL canceled = 0;
                    BSTR description = nullptr;
                    LONG result = -1;
                    HRESULT hr = sdk->ConnectToServer(server, 1, &connected, nullptr, &canceled,
                                                      &description, Enum_NOPROXY, nullptr, 0,
                                                      nullptr, nullptr, &result);
                    SysFreeString(description);
                    EXPECT_NE(result, kResultOk);
                    return hr;
                  },
                  {S_OK}),
            0);

  // A query method (no login: 30006), its collection included.
  Text project("$/Some/Project");
  EXPECT_GT(Sweep("GetSubProjectsFromParent",
                  [&] {
                    IQORVSubProjectsFromParentSet* set = nullptr;
                    VARIANT_BOOL canceled = 0;
                    BSTR description = nullptr;
                    LONG result = -1;
                    HRESULT hr = sdk->GetSubProjectsFromParent(project, &set, &canceled,
                                                               &description, &result);
                    SysFreeString(description);
                    if (set != nullptr) set->Release();
                    EXPECT_TRUE(result == kResultCacheNodeFailed || result == kResultOutOfMemory);
                    return hr;
                  },
                  {S_OK, E_OUTOFMEMORY}),
            0);

  // State methods.
  Text folder(temp.path().c_str());
  EXPECT_GT(Sweep("SetTempDirectory", [&] { return sdk->SetTempDirectory(folder); },
                  {S_OK, E_OUTOFMEMORY}),
            0);
  EXPECT_GT(Sweep("GetOperationResultInfo",  // the connect's first report line
                  [&] {
                    BSTR text = nullptr;
                    VARIANT_BOOL ok = 0;
                    VARIANT_BOOL found = 0;
                    HRESULT hr = sdk->GetOperationResultInfo(0, &ok, &text, &found);
                    SysFreeString(text);
                    return hr;
                  },
                  {S_OK, E_OUTOFMEMORY}),
            0);

  // A prompt's get and set through IDispatch::Invoke, by name, with the
  // answer as text that Invoke converts.
  OLECHAR name[] = u"SetPromptCheckinUnchangedFile";
  LPOLESTR names[] = {name};
  DISPID set_prompt = 0;
  ASSERT_EQ(sdk->GetIDsOfNames(IID_NULL, names, 1, 0, &set_prompt), S_OK);
  Text answer_text("                 3");  // long enough to allocate as text
  EXPECT_GT(Sweep("Invoke SetPromptCheckinUnchangedFile",
                  [&] {
                    VARIANT arguments[2];
                    arguments[0].vt = VT_BOOL;
                    arguments[0].value.boolVal = VARIANT_TRUE;
                    arguments[1].vt = VT_BSTR;
                    arguments[1].value.bstrVal = answer_text;
                    DISPPARAMS params = {arguments, nullptr, 2, 0};
                    EXCEPINFO exception{};
                    HRESULT hr = sdk->Invoke(set_prompt, IID_NULL, 0, DISPATCH_METHOD, &params,
                                             nullptr, &exception, nullptr);
                    if (hr == DISP_E_EXCEPTION) hr = exception.scode;
                    return hr;
                  },
                  {S_OK, E_OUTOFMEMORY}),
            0);
  OLECHAR get_name[] = u"SetTempDirectory";
  names[0] = get_name;
  DISPID set_temp = 0;
  ASSERT_EQ(sdk->GetIDsOfNames(IID_NULL, names, 1, 0, &set_temp), S_OK);
  EXPECT_GT(Sweep("Invoke SetTempDirectory",
                  [&] {
                    VARIANT argument;
                    argument.vt = VT_R8;  // converted to text by Invoke
                    argument.value.dblVal = 12.5;
                    DISPPARAMS params = {&argument, nullptr, 1, 0};
                    EXCEPINFO exception{};
                    HRESULT hr = sdk->Invoke(set_temp, IID_NULL, 0, DISPATCH_METHOD, &params,
                                             nullptr, &exception, nullptr);
                    if (hr == DISP_E_EXCEPTION) hr = exception.scode;
                    return hr;
                  },
                  {S_OK, E_OUTOFMEMORY}),
            0);
  Sweep("GetPromptCheckinUnchangedFile",
        [&] {
          BSTR information = nullptr;
          HRESULT hr = sdk->GetPromptCheckinUnchangedFile(&information);
          SysFreeString(information);
          return hr;
        },
        {S_OK, E_OUTOFMEMORY});
  sdk->SetTempDirectory(nullptr);
  EXPECT_EQ(sdk->Release(), 0u);

  // An item's property and a collection's Add.
  IQORVAddFile* item = CreateObject<IQORVAddFile>(CLSID_QORVAddFile, IID_IQORVAddFile);
  ASSERT_NE(item, nullptr);
  Text local("/home/someone/a long enough local file name.txt");
  EXPECT_GT(Sweep("put_LocalFileName", [&] { return item->put_LocalFileName(local); },
                  {S_OK, E_OUTOFMEMORY}),
            0);
  IQORVAddFileSet* set = CreateObject<IQORVAddFileSet>(CLSID_QORVAddFileSet, IID_IQORVAddFileSet);
  ASSERT_NE(set, nullptr);
  EXPECT_GT(Sweep("IQORVAddFileSet::Add",
                  [&] {
                    VARIANT_BOOL added = 0;
                    return set->Add(item, &added);
                  },
                  {S_OK, E_OUTOFMEMORY}),
            0);
  set->Release();
  item->Release();

  // Exported functions of the runtime that convert BSTR text.
  testing::ScopedEnvironment environment;
  environment.Set("QORV_REGISTRY", temp.Child("registry.reg"));
  EXPECT_GT(Sweep("QorvCLSIDFromProgID",
                  [&] {
                    CLSID clsid;
                    return QorvCLSIDFromProgID(u"Quorvane.NoSuchClass.1", &clsid);
                  },
                  {REGDB_E_READREGDB, CO_E_CLASSSTRING, E_OUTOFMEMORY}),
            0);
  // Creating the SDK object itself (its hidden window, its driver).
  EXPECT_GT(Sweep("CreateInstance",
                  [&] {
                    IClassFactory* factory = nullptr;
                    HRESULT hr = GetClassObject(CLSID_QORVSDK, IID_IClassFactory,
                                                reinterpret_cast<void**>(&factory));
                    if (FAILED(hr)) return hr;
                    IQORVSDK* object = nullptr;
                    hr = factory->CreateInstance(nullptr, IID_IQORVSDK,
                                                 reinterpret_cast<void**>(&object));
                    factory->Release();
                    if (object != nullptr) object->Release();
                    return hr;
                  },
                  {S_OK, E_OUTOFMEMORY}),
            0);
}

}  // namespace
}  // namespace qorv::sdk
