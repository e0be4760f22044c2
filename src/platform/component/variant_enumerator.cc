#include "platform/component/variant_enumerator.h"

#include <algorithm>
#include <new>

namespace qorv::platform {

VariantEnumerator::Snapshot::~Snapshot() {
  for (VARIANT& item : items) VariantClear(&item);
}

HRESULT VariantEnumerator::Create(std::span<const VARIANT> items, IUnknown** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  std::shared_ptr<Snapshot> snapshot;
  try {
    snapshot = std::make_shared<Snapshot>();
    snapshot->items.reserve(items.size());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  for (const VARIANT& item : items) {
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, &item);
    if (FAILED(hr)) return hr;        // the snapshot frees the copies made so far
    snapshot->items.push_back(copy);  // capacity reserved: cannot throw
  }
  VariantEnumerator* instance = nullptr;
  HRESULT hr = MakeComObject(&instance);
  if (FAILED(hr)) return hr;
  instance->snapshot_ = std::move(snapshot);
  *enumerator = static_cast<IEnumVARIANT*>(instance);  // the creation reference
  return S_OK;
}

HRESULT VariantEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  if (fetched != nullptr) *fetched = 0;
  if (count == 0) return S_OK;
  if (items == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_POINTER;
  const std::vector<VARIANT>& all = snapshot_->items;
  ULONG copied = 0;
  while (copied < count && position_ < all.size()) {
    VariantInit(&items[copied]);
    HRESULT hr = VariantCopy(&items[copied], &all[position_]);
    if (FAILED(hr)) {
      // Leave nothing half-returned: undo the copies of this call.
      for (ULONG i = 0; i < copied; ++i) VariantClear(&items[i]);
      position_ -= copied;
      return hr;
    }
    ++copied;
    ++position_;
  }
  if (fetched != nullptr) *fetched = copied;
  return copied == count ? S_OK : S_FALSE;
}

HRESULT VariantEnumerator::Skip(ULONG count) {
  const size_t remaining = snapshot_->items.size() - position_;
  const size_t skipped = std::min<size_t>(count, remaining);
  position_ += skipped;
  return skipped == count ? S_OK : S_FALSE;
}

HRESULT VariantEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT VariantEnumerator::Clone(IEnumVARIANT** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = nullptr;
  VariantEnumerator* instance = nullptr;
  HRESULT hr = MakeComObject(&instance);
  if (FAILED(hr)) return hr;
  instance->snapshot_ = snapshot_;
  instance->position_ = position_;
  *copy = instance;
  return S_OK;
}

}  // namespace qorv::platform
