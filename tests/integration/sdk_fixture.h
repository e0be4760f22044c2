// The SDK driven through its COM-compatible interface against a reference
// server started in-process on an ephemeral loopback port, with a fresh data
// directory (database "Main", users alice and bob), application-data and
// home folders (so the cache and the registry are the test's own) and a
// working folder.
#ifndef QORV_TESTS_INTEGRATION_SDK_FIXTURE_H_
#define QORV_TESTS_INTEGRATION_SDK_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "qorvsdk/qorvsdk.h"
#include "sdk/sdk_test_util.h"
#include "server/server.h"
#include "support/scoped_temp.h"

namespace qorv::integration {

using sdk::TakeText;
using sdk::Text;

// An operation's result value and description, and each item of its result
// set as {result, description}.
struct SetOutcome {
  LONG result = -1;
  std::string description;
  std::vector<std::pair<LONG, std::string>> items;
};

// Takes the description and releases the set (either may be null).
inline SetOutcome CollectSet(LONG result, BSTR description, IQORVOperationResultSet* set) {
  SetOutcome outcome;
  outcome.result = result;
  outcome.description = TakeText(description);
  LONG count = 0;
  if (set != nullptr) set->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    VARIANT element;
    set->get_Item(i, &element);
    IQORVOperationResult* item = nullptr;
    element.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                           reinterpret_cast<void**>(&item));
    VariantClear(&element);
    LONG value = -1;
    BSTR text = nullptr;
    item->get_OperationResult(&value);
    item->get_Description(&text);
    outcome.items.emplace_back(value, TakeText(text));
    item->Release();
  }
  if (set != nullptr) set->Release();
  return outcome;
}

// A report line as the caller reads it.
struct Line {
  bool ok = false;
  std::string text;
  bool operator==(const Line&) const = default;
};
using Batches = std::vector<std::vector<Line>>;

inline std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << "{" << line.ok << ", \"" << line.text << "\"}";
}

// A caller's event sink: records every event with the thread it ran on and
// the report-line batch of each OnOperationResultSend, read through the SDK
// object's methods as a handler would.
class EventSink final : public IDispatch {
 public:
  explicit EventSink(IQORVSDK* sdk) : sdk_(sdk) {}

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IQorSDKEvents) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override { return --references_; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    events.push_back(dispid);
    threads.push_back(std::this_thread::get_id());
    if (dispid == DISPID_OnOperationResultSend) batches.push_back(ReadBatch());
    if (on_event) on_event(dispid);
    return S_OK;
  }

  std::vector<Line> ReadBatch() {
    LONG count = 0;
    sdk_->GetOperationResultCount(&count);
    std::vector<Line> lines;
    for (LONG i = 0; i < count; ++i) {
      VARIANT_BOOL ok = VARIANT_FALSE;
      BSTR text = nullptr;
      VARIANT_BOOL found = VARIANT_FALSE;
      sdk_->GetOperationResultInfo(i, &ok, &text, &found);
      lines.push_back(Line{ok == VARIANT_TRUE, TakeText(text)});
    }
    return lines;
  }
  void Clear() {
    events.clear();
    threads.clear();
    batches.clear();
  }
  int CountOf(DISPID dispid) const {
    int count = 0;
    for (DISPID event : events) count += event == dispid ? 1 : 0;
    return count;
  }

  std::vector<DISPID> events;
  std::vector<std::thread::id> threads;
  Batches batches;
  std::function<void(DISPID)> on_event;

 private:
  IQORVSDK* sdk_;
  ULONG references_ = 1;
};

// One SDK object with a connected sink, released at the end.
class SdkClient {
 public:
  SdkClient();
  ~SdkClient();
  SdkClient(const SdkClient&) = delete;
  SdkClient& operator=(const SdkClient&) = delete;

  IQORVSDK* operator->() const { return sdk_; }
  IQORVSDK* get() const { return sdk_; }
  EventSink& sink() { return *sink_; }

  struct Outcome {
    LONG result = -1;
    std::string description;
    bool canceled = true;
  };
  // ConnectToServer without a proxy; *connected and *mode as written.
  Outcome Connect(const std::string& host, uint16_t port, bool* connected = nullptr,
                  LONG* mode = nullptr);
  // Login with the key files given (none: no set at all); *expire_days
  // starts at -7 so that a value left unwritten shows.
  Outcome Login(const std::string& user, const std::string& password,
                const std::vector<std::string>& key_files = {}, LONG* expire_days = nullptr);

 private:
  IQORVSDK* sdk_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  std::unique_ptr<EventSink> sink_;
  DWORD cookie_ = 0;
};

class SdkTest : public ::testing::Test {
 protected:
  SdkTest();
  ~SdkTest() override;

  // (Re)starts the server in channel mode `mode` on the test's data
  // directory.
  void StartServer(int32_t mode = 0);
  // (Re)starts the server in mode 2 with these PEM files, on `port` (0: any
  // free one).
  void StartSslServer(const std::string& certificate, const std::string& key, const std::string& ca,
                      uint16_t port = 0);
  uint16_t port() const { return server_->port(); }
  server::Database& db() { return *db_; }
  server::Actor Actor(const std::string& user);

  // A client connected to the server and logged in as alice.
  std::unique_ptr<SdkClient> LoggedInClient(const std::string& user = "alice",
                                            const std::string& password = "secret");

  // Tree building through the server's administration API.
  void MustCreateProject(const std::string& path, const std::string& comment = "");
  void MustAddFile(const std::string& path, const std::string& body,
                   const std::string& comment = "");

  // The path of the cache file of this server, database and user.
  std::string CacheFilePath(const std::string& server, const std::string& user) const;

  testing::ScopedTempFolder temp_;
  testing::ScopedEnvironment environment_;
  std::string data_directory_;
  std::string work_folder_;
  std::unique_ptr<server::Server> server_;
  server::ServerConfig next_config_;  // the files and port of StartSslServer
  std::shared_ptr<server::Database> db_;
};

}  // namespace qorv::integration

#endif  // QORV_TESTS_INTEGRATION_SDK_FIXTURE_H_
