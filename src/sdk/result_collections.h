// The 9 result collection classes: read-only ordered lists of result items
// with Item, Count and _NewEnum, filled by the SDK with CreateResultCollection
// (or Clear and Append).
#ifndef QORV_SDK_RESULT_COLLECTIONS_H_
#define QORV_SDK_RESULT_COLLECTIONS_H_

#include <new>
#include <vector>

#include "platform/component/com_object.h"
#include "platform/component/variant_enumerator.h"
#include "sdk/dual_object.h"
#include "sdk/interface_ids.h"
#include "sdk/item_classes.h"
#include "sdk/item_dispatch_tables.h"

namespace qorv::sdk {

template <class CollectionInterface, class ElementInterface, bool kSupportsErrorInfo>
class ResultCollection final
    : public DualObject<ResultCollection<CollectionInterface, ElementInterface, kSupportsErrorInfo>,
                        CollectionInterface, kSupportsErrorInfo> {
 public:
  using Element = ElementInterface;
  using Record = RecordOf<ElementInterface>;

  ResultCollection() = default;
  ~ResultCollection() { Clear(); }

  // 0-based; E_INVALIDARG (out VARIANT untouched) outside [0, Count).
  HRESULT get_Item(LONG index, VARIANT* item) override {
    if (item == nullptr) return E_POINTER;
    if (index < 0 || static_cast<size_t>(index) >= elements_.size()) return E_INVALIDARG;
    IDispatch* element = elements_[static_cast<size_t>(index)];
    element->AddRef();
    VariantInit(item);
    item->vt = VT_DISPATCH;
    item->value.pdispVal = element;
    return S_OK;
  }

  HRESULT get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<LONG>(elements_.size());
    return S_OK;
  }

  // An enumerator over a snapshot of the elements; it holds its own
  // references and outlives the collection.
  HRESULT get__NewEnum(IUnknown** enumerator) override {
    if (enumerator == nullptr) return E_POINTER;
    *enumerator = nullptr;
    std::vector<VARIANT> items;
    try {
      items.resize(elements_.size());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    // The temporary array takes no references; the enumerator's copies do.
    for (size_t i = 0; i < elements_.size(); ++i) {
      VariantInit(&items[i]);
      items[i].vt = VT_DISPATCH;
      items[i].value.pdispVal = elements_[i];
    }
    return platform::VariantEnumerator::Create(items, enumerator);
  }

  // Releases every element.
  void Clear() {
    for (IDispatch* element : elements_) element->Release();
    elements_.clear();
  }

  // Appends a new result item holding `record`; the collection keeps its one
  // reference.
  HRESULT Append(const Record& record) {
    using ItemClass = typename ItemClassFor<ElementInterface>::Type;
    ItemClass* item = nullptr;
    HRESULT hr = platform::MakeComObject(&item);
    if (FAILED(hr)) return hr;
    try {
      item->set_record(record);
      elements_.push_back(static_cast<ElementInterface*>(item));
    } catch (const std::bad_alloc&) {
      item->Release();
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  std::vector<IDispatch*> elements_;  // one reference each
};

using QORVOperationResultSet =
    ResultCollection<IQORVOperationResultSet, IQORVOperationResult, kAnswersErrorInfo>;
using QORVProjectHistorySet =
    ResultCollection<IQORVProjectHistorySet, IQORVProjectHistory, kAnswersErrorInfo>;
using QORVFileHistorySet =
    ResultCollection<IQORVFileHistorySet, IQORVFileHistory, kAnswersErrorInfo>;
using QORVSubProjectsFromParentSet =
    ResultCollection<IQORVSubProjectsFromParentSet, IQORVSubProjectsFromParent, kNoErrorInfo>;
using QORVFilesByProjectSet =
    ResultCollection<IQORVFilesByProjectSet, IQORVFilesByProject, kNoErrorInfo>;
using QORVFileListSet = ResultCollection<IQORVFileListSet, IQORVFileList, kAnswersErrorInfo>;
using QORVDeletedItemSet =
    ResultCollection<IQORVDeletedItemSet, IQORVDeletedItem, kAnswersErrorInfo>;
using QORVFileLinkSet = ResultCollection<IQORVFileLinkSet, IQORVFileLink, kAnswersErrorInfo>;
using QORVDatabaseAliasSet =
    ResultCollection<IQORVDatabaseAliasSet, IQORVDatabaseAlias, kAnswersErrorInfo>;

// The class of a collection interface.
template <class CollectionInterface>
struct ResultCollectionClassFor;
template <>
struct ResultCollectionClassFor<IQORVOperationResultSet> {
  using Type = QORVOperationResultSet;
};
template <>
struct ResultCollectionClassFor<IQORVProjectHistorySet> {
  using Type = QORVProjectHistorySet;
};
template <>
struct ResultCollectionClassFor<IQORVFileHistorySet> {
  using Type = QORVFileHistorySet;
};
template <>
struct ResultCollectionClassFor<IQORVSubProjectsFromParentSet> {
  using Type = QORVSubProjectsFromParentSet;
};
template <>
struct ResultCollectionClassFor<IQORVFilesByProjectSet> {
  using Type = QORVFilesByProjectSet;
};
template <>
struct ResultCollectionClassFor<IQORVFileListSet> {
  using Type = QORVFileListSet;
};
template <>
struct ResultCollectionClassFor<IQORVDeletedItemSet> {
  using Type = QORVDeletedItemSet;
};
template <>
struct ResultCollectionClassFor<IQORVFileLinkSet> {
  using Type = QORVFileLinkSet;
};
template <>
struct ResultCollectionClassFor<IQORVDatabaseAliasSet> {
  using Type = QORVDatabaseAliasSet;
};

template <class CollectionInterface>
using ResultRecord = typename ResultCollectionClassFor<CollectionInterface>::Type::Record;

// Creates a new collection holding one new result item per record, in order,
// and returns it through its interface with one reference for the caller.
// On failure *collection is null.
template <class CollectionInterface>
HRESULT CreateResultCollection(const std::vector<ResultRecord<CollectionInterface>>& records,
                               CollectionInterface** collection) {
  if (collection == nullptr) return E_POINTER;
  *collection = nullptr;
  using Class = typename ResultCollectionClassFor<CollectionInterface>::Type;
  Class* instance = nullptr;
  HRESULT hr = platform::MakeComObject(&instance);
  if (FAILED(hr)) return hr;
  for (const auto& record : records) {
    hr = instance->Append(record);
    if (FAILED(hr)) {
      instance->Release();
      return hr;
    }
  }
  *collection = instance;
  return S_OK;
}

}  // namespace qorv::sdk

#endif  // QORV_SDK_RESULT_COLLECTIONS_H_
