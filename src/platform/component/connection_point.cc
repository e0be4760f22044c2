#include "platform/component/connection_point.h"

#include <algorithm>
#include <new>

#include "platform/component/interface_id.h"

namespace qorv::platform {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, const IID& event_interface)
    : container_(container), event_interface_(event_interface) {}

ConnectionPoint::~ConnectionPoint() {
  for (auto& [cookie, sink] : sinks_) sink->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() { return container_->AddRef(); }

ULONG ConnectionPoint::Release() { return container_->Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = event_interface_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  container_->AddRef();
  *container = container_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (sink == nullptr) return E_POINTER;
  void* found = nullptr;
  if (FAILED(sink->QueryInterface(event_interface_, &found)) &&
      FAILED(sink->QueryInterface(IID_IDispatch, &found))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  try {
    sinks_.emplace_back(next_cookie_, static_cast<IDispatch*>(found));
  } catch (const std::bad_alloc&) {
    static_cast<IDispatch*>(found)->Release();
    return E_OUTOFMEMORY;
  }
  *cookie = next_cookie_++;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  auto it = std::find_if(sinks_.begin(), sinks_.end(),
                         [cookie](const auto& entry) { return entry.first == cookie; });
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = it->second;
  sinks_.erase(it);
  sink->Release();
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections == nullptr) return E_POINTER;
  std::vector<CONNECTDATA> snapshot;
  snapshot.reserve(sinks_.size());
  for (const auto& [cookie, sink] : sinks_) snapshot.push_back(CONNECTDATA{sink, cookie});
  return ConnectionEnumerator::Create(snapshot, connections);
}

void ConnectionPoint::RaiseEvent(DISPID dispid) {
  // A handler may connect or disconnect sinks while the event runs: work on
  // a snapshot, each sink held until its call returned.
  std::vector<IDispatch*> targets;
  targets.reserve(sinks_.size());
  for (const auto& [cookie, sink] : sinks_) {
    sink->AddRef();
    targets.push_back(sink);
  }
  for (IDispatch* sink : targets) {
    DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argument_error = 0;
    sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &no_arguments, &result,
                 &exception, &argument_error);
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    sink->Release();
  }
}

}  // namespace qorv::platform
