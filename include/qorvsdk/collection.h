// Reading the SDK's result collections (the IQORV...Set interfaces): Count,
// then Item(i) for each index, each element asked for its own interface.
#ifndef QORVSDK_COLLECTION_H_
#define QORVSDK_COLLECTION_H_

#include "qorvsdk/com_ptr.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/variant.h"

namespace qorvsdk {

// Calls visit(Element*) for each element of `collection` in order. Returns
// the first failing HRESULT (a null collection is E_POINTER, an item that is
// no object of `element_iid` E_NOINTERFACE), else S_OK.
template <class Element, class Collection, class Visit>
HRESULT ForEachElement(Collection* collection, REFIID element_iid, Visit&& visit) {
  if (collection == nullptr) return E_POINTER;
  LONG count = 0;
  HRESULT hr = collection->get_Count(&count);
  if (FAILED(hr)) return hr;
  for (LONG i = 0; i < count; ++i) {
    Variant item;
    hr = collection->get_Item(i, item.Receive());
    if (FAILED(hr)) return hr;
    ComPtr<Element> element;
    hr = item.QueryObject(element_iid, &element);
    if (FAILED(hr)) return hr;
    visit(element.get());
  }
  return S_OK;
}

}  // namespace qorvsdk

#endif  // QORVSDK_COLLECTION_H_
