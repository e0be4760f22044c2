// The 16 item classes (7 input items, 9 result items): property bags over a
// record, one generic implementation expanded from each interface's property
// list (item_records.h).
#ifndef QORV_SDK_ITEM_CLASSES_H_
#define QORV_SDK_ITEM_CLASSES_H_

#include "sdk/dual_object.h"
#include "sdk/interface_ids.h"
#include "sdk/item_dispatch_tables.h"
#include "sdk/item_records.h"

namespace qorv::sdk {

// An item object: its values are one Record; every property is read-write.
template <class Derived, class Interface, class Record, bool kSupportsErrorInfo>
class PropertyBag : public DualObject<Derived, Interface, kSupportsErrorInfo> {
 public:
  using RecordType = Record;

  const Record& record() const { return record_; }
  // Throws std::bad_alloc when memory is exhausted.
  void set_record(const Record& record) { record_ = record; }

 protected:
  Record record_;
};

// The item class of an item interface (ItemClassFor<IQORVAddFile>::Type is
// QORVAddFile).
template <class Interface>
struct ItemClassFor;

template <class Interface>
using RecordOf = typename ItemClassFor<Interface>::Type::RecordType;

#define QORV_PROPERTY_ACCESSORS(dispid, Name, field, Type)                                         \
  HRESULT get_##Name(Type* value) override { return PropertyOf<Type>::Get(record_.field, value); } \
  HRESULT put_##Name(Type value) override { return PropertyOf<Type>::Put(value, &record_.field); }

#define QORV_ITEM_CLASS(Class, Interface, Record, error_info)                    \
  class Class final : public PropertyBag<Class, Interface, Record, error_info> { \
   public:                                                                       \
    QORV_PROPERTIES_##Interface(QORV_PROPERTY_ACCESSORS)                         \
  };                                                                             \
  template <>                                                                    \
  struct ItemClassFor<Interface> {                                               \
    using Type = Class;                                                          \
  };

// Input items.
QORV_ITEM_CLASS(QORVAddFile, IQORVAddFile, AddFileRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVCheckoutFile, IQORVCheckoutFile, CheckoutFileRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVCheckinFile, IQORVCheckinFile, CheckinFileRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVLatestFile, IQORVLatestFile, LatestFileRecord, kNoErrorInfo)
QORV_ITEM_CLASS(QORVLatestProject, IQORVLatestProject, LatestProjectRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVUndoCheckoutFile, IQORVUndoCheckoutFile, UndoCheckoutFileRecord,
                kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVCAInfo, IQORVCAInfo, CAInfoRecord, kAnswersErrorInfo)

// Result items.
QORV_ITEM_CLASS(QORVOperationResult, IQORVOperationResult, OperationResultRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVProjectHistory, IQORVProjectHistory, ProjectHistoryRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVFileHistory, IQORVFileHistory, FileHistoryRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVSubProjectsFromParent, IQORVSubProjectsFromParent, SubProjectsFromParentRecord,
                kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVFilesByProject, IQORVFilesByProject, FilesByProjectRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVFileList, IQORVFileList, FileListRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVDeletedItem, IQORVDeletedItem, DeletedItemRecord, kAnswersErrorInfo)
QORV_ITEM_CLASS(QORVFileLink, IQORVFileLink, FileLinkRecord, kNoErrorInfo)
QORV_ITEM_CLASS(QORVDatabaseAlias, IQORVDatabaseAlias, DatabaseAliasRecord, kAnswersErrorInfo)

#undef QORV_ITEM_CLASS
#undef QORV_PROPERTY_ACCESSORS

}  // namespace qorv::sdk

#endif  // QORV_SDK_ITEM_CLASSES_H_
