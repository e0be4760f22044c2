// Outgoing (event) interfaces: a connection point that keeps the connected
// sinks in connection order and raises events on them through IDispatch, and
// the enumerators a container hands out for its points and connections.
#ifndef QORV_PLATFORM_COMPONENT_CONNECTION_POINT_H_
#define QORV_PLATFORM_COMPONENT_CONNECTION_POINT_H_

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/component/com_object.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// A connection point living inside its container: AddRef and Release count
// on the container, so the point lives exactly as long as the object whose
// events it carries; QueryInterface answers IUnknown and IConnectionPoint.
class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer* container, const IID& event_interface);
  // Releases every sink still connected.
  ~ConnectionPoint();
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
  // The sink must answer the event interface or IDispatch (a script's sink
  // often answers only IDispatch); CONNECT_E_CANNOTCONNECT otherwise.
  // Cookies start at 1 and are never reused.
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;
  HRESULT EnumConnections(IEnumConnections** connections) override;

  // Calls IDispatch::Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT,
  // DISPATCH_METHOD, no arguments) on each sink in connection order, with a
  // result VARIANT that is cleared afterwards; results and errors of the
  // sinks are ignored. A sink that a handler disconnects meanwhile is still
  // held until its own call returns.
  void RaiseEvent(DISPID dispid);

  size_t connection_count() const { return sinks_.size(); }

 private:
  IConnectionPointContainer* const container_;
  const IID event_interface_;
  std::vector<std::pair<DWORD, IDispatch*>> sinks_;  // each holds one reference
  DWORD next_cookie_ = 1;
};

// The interface reference an enumerated item holds.
inline IUnknown* HeldReference(const CONNECTDATA& connection) { return connection.pUnk; }
inline IUnknown* HeldReference(IConnectionPoint* point) { return point; }

// An enumerator over a snapshot of items that each hold an interface
// reference: IEnumConnections over the connections of a point, and
// IEnumConnectionPoints over the points of a container. Items handed out by
// Next carry a reference of their own for the caller.
template <class Interface, class Item>
class ReferenceEnumerator final
    : public ComObject<ReferenceEnumerator<Interface, Item>, Interface> {
 public:
  static HRESULT Create(const std::vector<Item>& items, Interface** result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    std::shared_ptr<Snapshot> snapshot;
    try {
      snapshot = std::make_shared<Snapshot>();
      snapshot->items = items;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    for (const Item& item : snapshot->items) HeldReference(item)->AddRef();
    ReferenceEnumerator* instance = nullptr;
    HRESULT hr = MakeComObject(&instance);
    if (FAILED(hr)) return hr;
    instance->snapshot_ = std::move(snapshot);
    *result = instance;
    return S_OK;
  }

  HRESULT Next(ULONG count, Item* items, ULONG* fetched) override {
    if (fetched != nullptr) *fetched = 0;
    if (count == 0) return S_OK;
    if (items == nullptr || (fetched == nullptr && count != 1)) return E_POINTER;
    ULONG copied = 0;
    while (copied < count && position_ < snapshot_->items.size()) {
      items[copied] = snapshot_->items[position_++];
      HeldReference(items[copied])->AddRef();
      ++copied;
    }
    if (fetched != nullptr) *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
  }

  HRESULT Skip(ULONG count) override {
    size_t skipped = std::min<size_t>(count, snapshot_->items.size() - position_);
    position_ += skipped;
    return skipped == count ? S_OK : S_FALSE;
  }

  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }

  HRESULT Clone(Interface** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = nullptr;
    ReferenceEnumerator* instance = nullptr;
    HRESULT hr = MakeComObject(&instance);
    if (FAILED(hr)) return hr;
    instance->snapshot_ = snapshot_;
    instance->position_ = position_;
    *copy = instance;
    return S_OK;
  }

 private:
  struct Snapshot {
    ~Snapshot() {
      for (const Item& item : items) HeldReference(item)->Release();
    }
    std::vector<Item> items;
  };
  std::shared_ptr<const Snapshot> snapshot_;
  size_t position_ = 0;
};

using ConnectionEnumerator = ReferenceEnumerator<IEnumConnections, CONNECTDATA>;
using ConnectionPointEnumerator = ReferenceEnumerator<IEnumConnectionPoints, IConnectionPoint*>;

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_CONNECTION_POINT_H_
