// The dispatch tables of the 37 item and collection interfaces: names and
// DISPIDs as in the type library, members in vtable order.
#ifndef QORV_SDK_ITEM_DISPATCH_TABLES_H_
#define QORV_SDK_ITEM_DISPATCH_TABLES_H_

#include "platform/component/dispatch_table.h"
#include "qorvsdk/items.h"
#include "sdk/interface_ids.h"
#include "sdk/item_records.h"

// Item: a property get and a property put per property, from its list.
#define QORV_PROPERTY_MEMBERS(dispid, Name, field, Type) \
  M::PropertyGet<&I::get_##Name>(#Name, dispid), M::PropertyPut<&I::put_##Name>(#Name, dispid),
#define QORV_ITEM_DISPATCH_TABLE(Interface)                  \
  template <>                                                \
  struct qorv::platform::DispatchTableFor<Interface> {       \
    using I = Interface;                                     \
    using M = DispatchMembers<Interface>;                    \
    static constexpr DispatchMember kMembers[] = {           \
        QORV_PROPERTIES_##Interface(QORV_PROPERTY_MEMBERS)}; \
  };

// Input set: Add, DISPID 1.
#define QORV_INPUT_SET_DISPATCH_TABLE(Interface)       \
  template <>                                          \
  struct qorv::platform::DispatchTableFor<Interface> { \
    using M = DispatchMembers<Interface>;              \
    static constexpr DispatchMember kMembers[] = {     \
        M::Method<&Interface::Add>("Add", 1),          \
    };                                                 \
  };

// Result collection: Item (the default member), Count, _NewEnum.
#define QORV_COLLECTION_DISPATCH_TABLE(Interface)                             \
  template <>                                                                 \
  struct qorv::platform::DispatchTableFor<Interface> {                        \
    using M = DispatchMembers<Interface>;                                     \
    static constexpr DispatchMember kMembers[] = {                            \
        M::PropertyGet<&Interface::get_Item>("Item", DISPID_VALUE),           \
        M::PropertyGet<&Interface::get_Count>("Count", 1),                    \
        M::PropertyGet<&Interface::get__NewEnum>("_NewEnum", DISPID_NEWENUM), \
    };                                                                        \
  };

QORV_ITEM_DISPATCH_TABLE(IQORVAddFile)
QORV_ITEM_DISPATCH_TABLE(IQORVCheckoutFile)
QORV_ITEM_DISPATCH_TABLE(IQORVCheckinFile)
QORV_ITEM_DISPATCH_TABLE(IQORVLatestFile)
QORV_ITEM_DISPATCH_TABLE(IQORVLatestProject)
QORV_ITEM_DISPATCH_TABLE(IQORVUndoCheckoutFile)
QORV_ITEM_DISPATCH_TABLE(IQORVCAInfo)
QORV_ITEM_DISPATCH_TABLE(IQORVOperationResult)
QORV_ITEM_DISPATCH_TABLE(IQORVProjectHistory)
QORV_ITEM_DISPATCH_TABLE(IQORVFileHistory)
QORV_ITEM_DISPATCH_TABLE(IQORVSubProjectsFromParent)
QORV_ITEM_DISPATCH_TABLE(IQORVFilesByProject)
QORV_ITEM_DISPATCH_TABLE(IQORVFileList)
QORV_ITEM_DISPATCH_TABLE(IQORVDeletedItem)
QORV_ITEM_DISPATCH_TABLE(IQORVFileLink)
QORV_ITEM_DISPATCH_TABLE(IQORVDatabaseAlias)

QORV_INPUT_SET_DISPATCH_TABLE(IQORVAddFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVCheckoutFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVCheckinFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVLatestFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVLatestProjectSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVUndoCheckoutFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVCAInfoSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVDeleteFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVShareFileSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVRecoverItemSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVPurgeItemSet)
QORV_INPUT_SET_DISPATCH_TABLE(IQORVKeyInfoSet)

QORV_COLLECTION_DISPATCH_TABLE(IQORVOperationResultSet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVProjectHistorySet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVFileHistorySet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVSubProjectsFromParentSet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVFilesByProjectSet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVFileListSet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVDeletedItemSet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVFileLinkSet)
QORV_COLLECTION_DISPATCH_TABLE(IQORVDatabaseAliasSet)

#undef QORV_COLLECTION_DISPATCH_TABLE
#undef QORV_INPUT_SET_DISPATCH_TABLE
#undef QORV_ITEM_DISPATCH_TABLE
#undef QORV_PROPERTY_MEMBERS

#endif  // QORV_SDK_ITEM_DISPATCH_TABLES_H_
