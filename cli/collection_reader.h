// Reading the SDK's result collections: Count, then Item(i) for each index,
// each element asked for its own interface.
#ifndef QORV_CLI_COLLECTION_READER_H_
#define QORV_CLI_COLLECTION_READER_H_

#include "cli/com_ptr.h"
#include "qorvsdk/comtypes.h"

namespace qorv::cli {

// Calls visit(Element*) for each element of `collection` in order. Returns
// the first failing HRESULT (a null collection is E_POINTER), else S_OK.
template <class Element, class Collection, class Visit>
HRESULT ForEachElement(Collection* collection, const IID& element_iid, Visit&& visit) {
  if (collection == nullptr) return E_POINTER;
  LONG count = 0;
  HRESULT hr = collection->get_Count(&count);
  if (FAILED(hr)) return hr;
  for (LONG i = 0; i < count; ++i) {
    VARIANT item;
    VariantInit(&item);
    hr = collection->get_Item(i, &item);
    if (FAILED(hr)) return hr;
    ComPtr<Element> element;
    if (item.vt == VT_DISPATCH && item.value.pdispVal != nullptr) {
      hr = item.value.pdispVal->QueryInterface(element_iid, element.ReceiveVoid());
    } else {
      hr = E_NOINTERFACE;
    }
    VariantClear(&item);
    if (FAILED(hr)) return hr;
    visit(element.get());
  }
  return S_OK;
}

}  // namespace qorv::cli

#endif  // QORV_CLI_COLLECTION_READER_H_
