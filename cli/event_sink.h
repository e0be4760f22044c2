// The client's implementation of the SDK's event interface _IQorSDKEvents: a
// plain IDispatch whose Invoke hands the event's DISPID to a function. The
// SDK calls it on the thread that owns the SDK object, with no arguments;
// the function pulls what it needs through the IQORVSDK methods.
#ifndef QORV_CLI_EVENT_SINK_H_
#define QORV_CLI_EVENT_SINK_H_

#include <functional>

#include "qorvsdk/sdk.h"

namespace qorv::cli {

class EventSink final : public _IQorSDKEvents {
 public:
  using Handler = std::function<void(DISPID event)>;

  // A new sink with one reference for the caller.
  static EventSink* Create(Handler handler) { return new EventSink(std::move(handler)); }

  // IUnknown: answers IUnknown, IDispatch and _IQorSDKEvents.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override;

  // IDispatch: no type information and no names; Invoke runs the handler for
  // DISPIDs 1 to 6 and answers DISP_E_MEMBERNOTFOUND for any other.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* dispids) override;
  HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                 UINT*) override;

 private:
  explicit EventSink(Handler handler) : handler_(std::move(handler)) {}
  ~EventSink() = default;

  ULONG references_ = 1;
  Handler handler_;
};

}  // namespace qorv::cli

#endif  // QORV_CLI_EVENT_SINK_H_
