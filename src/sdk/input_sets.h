// The 12 input set classes: write-only ordered lists filled by Add, read by
// the SDK in Add order with ReadInputSet.
//
// Add copies the entry: for an item set the item's values at the time of the
// call (read through the item's interface, so a caller's own implementation
// works too), for a text set the text. The set keeps no reference to the
// item. Successful is VARIANT_FALSE for a null item, for an item whose
// values cannot be read, and when memory is exhausted; nothing else is
// checked. Add always returns S_OK; a null Successful pointer is simply not
// written.
#ifndef QORV_SDK_INPUT_SETS_H_
#define QORV_SDK_INPUT_SETS_H_

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/text_convert.h"
#include "platform/component/interface_id.h"
#include "sdk/dual_object.h"
#include "sdk/interface_ids.h"
#include "sdk/item_classes.h"
#include "sdk/item_dispatch_tables.h"

namespace qorv::sdk {

// The module-private interface through which ReadInputSet reaches a set's
// entries. Only this module's input sets answer it; it is never registered.
struct IInputSetEntries : IUnknown {
  // The set interface the object implements, which fixes the entry type.
  virtual const IID& SetInterfaceId() = 0;
  // The std::vector of entries of that set class.
  virtual const void* EntryVector() = 0;
};

// {C3838C61-F1C7-4F90-B4E5-0726E4FC4C3E}
inline constexpr IID IID_IInputSetEntries = {
    0xC3838C61, 0xF1C7, 0x4F90, {0xB4, 0xE5, 0x07, 0x26, 0xE4, 0xFC, 0x4C, 0x3E}};

}  // namespace qorv::sdk

QORV_INTERFACE_ID(qorv::sdk::IInputSetEntries, qorv::sdk::IID_IInputSetEntries);

namespace qorv::sdk {

// A set of item entries: Add(ItemInterface*, VARIANT_BOOL*).
template <class SetInterface, class ItemInterface>
class ItemInputSet final : public DualObject<ItemInputSet<SetInterface, ItemInterface>,
                                             SetInterface, kAnswersErrorInfo, IInputSetEntries> {
 public:
  using Entry = RecordOf<ItemInterface>;

  HRESULT Add(ItemInterface* item, VARIANT_BOOL* successful) override {
    VARIANT_BOOL added = VARIANT_FALSE;
    if (item != nullptr) {
      try {
        Entry entry;
        if (SUCCEEDED(ReadItem(item, &entry))) {
          entries_.push_back(std::move(entry));
          added = VARIANT_TRUE;
        }
      } catch (const std::bad_alloc&) {
        added = VARIANT_FALSE;
      }
    }
    if (successful != nullptr) *successful = added;
    return S_OK;
  }

  const IID& SetInterfaceId() override { return platform::IidOf<SetInterface>(); }
  const void* EntryVector() override { return &entries_; }

  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// A set of texts: Add(BSTR, VARIANT_BOOL*); a null BSTR adds the empty text.
template <class SetInterface>
class TextInputSet final : public DualObject<TextInputSet<SetInterface>, SetInterface,
                                             kAnswersErrorInfo, IInputSetEntries> {
 public:
  using Entry = std::string;

  HRESULT Add(BSTR text, VARIANT_BOOL* successful) override {
    VARIANT_BOOL added = VARIANT_FALSE;
    try {
      entries_.push_back(BstrToUtf8(text));
      added = VARIANT_TRUE;
    } catch (const std::bad_alloc&) {
      added = VARIANT_FALSE;
    }
    if (successful != nullptr) *successful = added;
    return S_OK;
  }

  const IID& SetInterfaceId() override { return platform::IidOf<SetInterface>(); }
  const void* EntryVector() override { return &entries_; }

  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

using QORVAddFileSet = ItemInputSet<IQORVAddFileSet, IQORVAddFile>;
using QORVCheckoutFileSet = ItemInputSet<IQORVCheckoutFileSet, IQORVCheckoutFile>;
using QORVCheckinFileSet = ItemInputSet<IQORVCheckinFileSet, IQORVCheckinFile>;
using QORVLatestFileSet = ItemInputSet<IQORVLatestFileSet, IQORVLatestFile>;
using QORVLatestProjectSet = ItemInputSet<IQORVLatestProjectSet, IQORVLatestProject>;
using QORVUndoCheckoutFileSet = ItemInputSet<IQORVUndoCheckoutFileSet, IQORVUndoCheckoutFile>;
using QORVCAInfoSet = ItemInputSet<IQORVCAInfoSet, IQORVCAInfo>;
using QORVDeleteFileSet = TextInputSet<IQORVDeleteFileSet>;
using QORVShareFileSet = TextInputSet<IQORVShareFileSet>;
using QORVRecoverItemSet = TextInputSet<IQORVRecoverItemSet>;
using QORVPurgeItemSet = TextInputSet<IQORVPurgeItemSet>;
using QORVKeyInfoSet = TextInputSet<IQORVKeyInfoSet>;

// The class of a set interface (InputSetClassFor<IQORVAddFileSet>::Type is
// QORVAddFileSet), and its entry type.
template <class SetInterface>
struct InputSetClassFor;
template <>
struct InputSetClassFor<IQORVAddFileSet> {
  using Type = QORVAddFileSet;
};
template <>
struct InputSetClassFor<IQORVCheckoutFileSet> {
  using Type = QORVCheckoutFileSet;
};
template <>
struct InputSetClassFor<IQORVCheckinFileSet> {
  using Type = QORVCheckinFileSet;
};
template <>
struct InputSetClassFor<IQORVLatestFileSet> {
  using Type = QORVLatestFileSet;
};
template <>
struct InputSetClassFor<IQORVLatestProjectSet> {
  using Type = QORVLatestProjectSet;
};
template <>
struct InputSetClassFor<IQORVUndoCheckoutFileSet> {
  using Type = QORVUndoCheckoutFileSet;
};
template <>
struct InputSetClassFor<IQORVCAInfoSet> {
  using Type = QORVCAInfoSet;
};
template <>
struct InputSetClassFor<IQORVDeleteFileSet> {
  using Type = QORVDeleteFileSet;
};
template <>
struct InputSetClassFor<IQORVShareFileSet> {
  using Type = QORVShareFileSet;
};
template <>
struct InputSetClassFor<IQORVRecoverItemSet> {
  using Type = QORVRecoverItemSet;
};
template <>
struct InputSetClassFor<IQORVPurgeItemSet> {
  using Type = QORVPurgeItemSet;
};
template <>
struct InputSetClassFor<IQORVKeyInfoSet> {
  using Type = QORVKeyInfoSet;
};

template <class SetInterface>
using InputSetEntry = typename InputSetClassFor<SetInterface>::Type::Entry;

// Copies the entries of an input set, in Add order, into `entries` (cleared
// first); the set is left unchanged and can be passed again. E_POINTER for a
// null set; E_NOINTERFACE for an object that is not one of this module's
// sets of that interface (a caller's own implementation has no readable
// entries); E_OUTOFMEMORY.
template <class SetInterface>
HRESULT ReadInputSet(SetInterface* set, std::vector<InputSetEntry<SetInterface>>* entries) {
  entries->clear();
  if (set == nullptr) return E_POINTER;
  IInputSetEntries* source = nullptr;
  if (FAILED(set->QueryInterface(IID_IInputSetEntries, reinterpret_cast<void**>(&source))) ||
      source == nullptr) {
    return E_NOINTERFACE;
  }
  HRESULT hr = E_NOINTERFACE;
  if (source->SetInterfaceId() == platform::IidOf<SetInterface>()) {
    try {
      *entries =
          *static_cast<const std::vector<InputSetEntry<SetInterface>>*>(source->EntryVector());
      hr = S_OK;
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    }
  }
  source->Release();
  return hr;
}

}  // namespace qorv::sdk

#endif  // QORV_SDK_INPUT_SETS_H_
