// The values of the item objects as plain records, and the conversions
// between them and the item interfaces.
//
// An input set's entries are records copied from its items at Add time; the
// SDK reads them with ReadInputSet (input_sets.h). A result collection's
// elements are result items made from records (result_collections.h). Text
// is kept as UTF-8.
//
// Each item interface's properties are listed once below as
// X(dispid, PropertyName, record_field, C type); the item classes, their
// dispatch tables and the record conversions are all expanded from these
// lists, so a property is named in exactly one place.
#ifndef QORV_SDK_ITEM_RECORDS_H_
#define QORV_SDK_ITEM_RECORDS_H_

#include <new>
#include <string>

#include "platform/com/text_convert.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"
#include "qorvsdk/items.h"

// ---- Property lists ------------------------------------------------------------

#define QORV_PROPERTIES_IQORVAddFile(X)        \
  X(1, LocalFileName, local_file_name, BSTR)   \
  X(2, RemoteFileName, remote_file_name, BSTR) \
  X(3, FileType, file_type, Enum_FileType)

#define QORV_PROPERTIES_IQORVCheckoutFile(X)   \
  X(1, FileToCheckout, file_to_checkout, BSTR) \
  X(2, LocalFileName, local_file_name, BSTR)

#define QORV_PROPERTIES_IQORVCheckinFile(X)  \
  X(1, FileToCheckin, file_to_checkin, BSTR) \
  X(2, LocalFileName, local_file_name, BSTR)

#define QORV_PROPERTIES_IQORVLatestFile(X) \
  X(1, FileToGet, file_to_get, BSTR)       \
  X(2, LocalFileName, local_file_name, BSTR)

#define QORV_PROPERTIES_IQORVLatestProject(X) \
  X(1, ProjectToGet, project_to_get, BSTR)    \
  X(2, LocalFolder, local_folder, BSTR)

#define QORV_PROPERTIES_IQORVUndoCheckoutFile(X) \
  X(1, FileToUndo, file_to_undo, BSTR)           \
  X(2, LocalFileName, local_file_name, BSTR)

#define QORV_PROPERTIES_IQORVCAInfo(X) \
  X(1, CAFileName, ca_file_name, BSTR) \
  X(2, UUID, uuid, BSTR)

#define QORV_PROPERTIES_IQORVOperationResult(X) \
  X(1, OperationResult, operation_result, LONG) \
  X(2, Description, description, BSTR)          \
  X(3, ItemFullName, item_full_name, BSTR)

#define QORV_PROPERTIES_IQORVProjectHistory(X) \
  X(1, FileName, file_name, BSTR)              \
  X(2, IsProject, is_project, VARIANT_BOOL)    \
  X(3, Version, version, LONG)                 \
  X(4, UserName, user_name, BSTR)              \
  X(5, DateAction, date_action, DATE)          \
  X(6, Action, action, BSTR)                   \
  X(7, Label, label, BSTR)                     \
  X(8, Comment, comment, BSTR)                 \
  X(9, LabelComment, label_comment, BSTR)

#define QORV_PROPERTIES_IQORVFileHistory(X) \
  X(1, Version, version, LONG)              \
  X(2, UserName, user_name, BSTR)           \
  X(3, DateAction, date_action, DATE)       \
  X(4, Action, action, BSTR)                \
  X(5, Label, label, BSTR)                  \
  X(6, Comment, comment, BSTR)              \
  X(7, LabelComment, label_comment, BSTR)   \
  X(8, Pinned, pinned, VARIANT_BOOL)        \
  X(9, InheritLabelFromParent, inherit_label_from_parent, VARIANT_BOOL)

#define QORV_PROPERTIES_IQORVSubProjectsFromParent(X) X(1, SubProjectName, sub_project_name, BSTR)

#define QORV_PROPERTIES_IQORVFilesByProject(X) X(1, FileName, file_name, BSTR)

#define QORV_PROPERTIES_IQORVFileList(X)         \
  X(2, FileName, file_name, BSTR)                \
  X(3, LatestVersion, latest_version, DATE)      \
  X(4, UserName, user_name, BSTR)                \
  X(5, FileStatus, file_status, Enum_FileStatus) \
  X(6, VersionNumber, version_number, LONG)

#define QORV_PROPERTIES_IQORVDeletedItem(X) \
  X(1, DeletedItem, deleted_item, BSTR)     \
  X(2, IsProject, is_project, VARIANT_BOOL)

#define QORV_PROPERTIES_IQORVFileLink(X) X(1, FileLink, file_link, BSTR)

#define QORV_PROPERTIES_IQORVDatabaseAlias(X) X(1, DatabaseName, database_name, BSTR)

namespace qorv::sdk {

// ---- Records -------------------------------------------------------------------

// The values of an IQORVAddFile.
struct AddFileRecord {
  std::string local_file_name;
  std::string remote_file_name;
  Enum_FileType file_type = static_cast<Enum_FileType>(0);
};

// The values of an IQORVCheckoutFile.
struct CheckoutFileRecord {
  std::string file_to_checkout;
  std::string local_file_name;
};

// The values of an IQORVCheckinFile.
struct CheckinFileRecord {
  std::string file_to_checkin;
  std::string local_file_name;
};

// The values of an IQORVLatestFile.
struct LatestFileRecord {
  std::string file_to_get;
  std::string local_file_name;
};

// The values of an IQORVLatestProject.
struct LatestProjectRecord {
  std::string project_to_get;
  std::string local_folder;
};

// The values of an IQORVUndoCheckoutFile.
struct UndoCheckoutFileRecord {
  std::string file_to_undo;
  std::string local_file_name;
};

// The values of an IQORVCAInfo.
struct CAInfoRecord {
  std::string ca_file_name;
  std::string uuid;
};

// The values of an IQORVOperationResult.
struct OperationResultRecord {
  LONG operation_result = 0;
  std::string description;
  std::string item_full_name;
};

// The values of an IQORVProjectHistory.
struct ProjectHistoryRecord {
  std::string file_name;
  bool is_project = false;
  LONG version = 0;
  std::string user_name;
  DATE date_action = 0.0;
  std::string action;
  std::string label;
  std::string comment;
  std::string label_comment;
};

// The values of an IQORVFileHistory.
struct FileHistoryRecord {
  LONG version = 0;
  std::string user_name;
  DATE date_action = 0.0;
  std::string action;
  std::string label;
  std::string comment;
  std::string label_comment;
  bool pinned = false;
  bool inherit_label_from_parent = false;
};

// The values of an IQORVSubProjectsFromParent.
struct SubProjectsFromParentRecord {
  std::string sub_project_name;
};

// The values of an IQORVFilesByProject.
struct FilesByProjectRecord {
  std::string file_name;
};

// The values of an IQORVFileList.
struct FileListRecord {
  std::string file_name;
  DATE latest_version = 0.0;
  std::string user_name;
  Enum_FileStatus file_status = static_cast<Enum_FileStatus>(0);
  LONG version_number = 0;
};

// The values of an IQORVDeletedItem.
struct DeletedItemRecord {
  std::string deleted_item;
  bool is_project = false;
};

// The values of an IQORVFileLink.
struct FileLinkRecord {
  std::string file_link;
};

// The values of an IQORVDatabaseAlias.
struct DatabaseAliasRecord {
  std::string database_name;
};

// ---- Property storage ------------------------------------------------------------

// How a property of interface type `Type` is stored in a record and moved in
// and out: Get/Put serve the item's own accessors, Read/Write go through
// another object's interface (an item a caller made).
template <class Type>
struct PropertyOf;

// Text: a get returns a new BSTR, a put stores the text (null = empty).
template <>
struct PropertyOf<BSTR> {
  static HRESULT Get(const std::string& stored, BSTR* value) {
    if (value == nullptr) return E_POINTER;
    BSTR result = nullptr;
    try {
      result = Utf8ToBstr(stored);
    } catch (const std::bad_alloc&) {
      result = nullptr;
    }
    if (result == nullptr) return E_OUTOFMEMORY;
    *value = result;
    return S_OK;
  }
  static HRESULT Put(BSTR value, std::string* stored) {
    try {
      *stored = BstrToUtf8(value);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
  template <class Getter>
  static HRESULT Read(Getter get, std::string* stored) {
    BSTR value = nullptr;
    HRESULT hr = get(&value);
    if (SUCCEEDED(hr)) hr = Put(value, stored);
    SysFreeString(value);
    return hr;
  }
  template <class Setter>
  static HRESULT Write(Setter put, const std::string& stored) {
    BSTR value = nullptr;
    HRESULT hr = Get(stored, &value);
    if (SUCCEEDED(hr)) hr = put(value);
    SysFreeString(value);
    return hr;
  }
};

// Bool: stored as true for any nonzero VARIANT_BOOL, read as -1 or 0.
template <>
struct PropertyOf<VARIANT_BOOL> {
  static HRESULT Get(bool stored, VARIANT_BOOL* value) {
    if (value == nullptr) return E_POINTER;
    *value = stored ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  static HRESULT Put(VARIANT_BOOL value, bool* stored) {
    *stored = value != 0;
    return S_OK;
  }
  template <class Getter>
  static HRESULT Read(Getter get, bool* stored) {
    VARIANT_BOOL value = VARIANT_FALSE;
    HRESULT hr = get(&value);
    if (SUCCEEDED(hr)) *stored = value != 0;
    return hr;
  }
  template <class Setter>
  static HRESULT Write(Setter put, bool stored) {
    return put(stored ? VARIANT_TRUE : VARIANT_FALSE);
  }
};

// Long, enumeration, date: stored unchanged, with no range check.
template <class Type>
struct PropertyOf {
  static HRESULT Get(Type stored, Type* value) {
    if (value == nullptr) return E_POINTER;
    *value = stored;
    return S_OK;
  }
  static HRESULT Put(Type value, Type* stored) {
    *stored = value;
    return S_OK;
  }
  template <class Getter>
  static HRESULT Read(Getter get, Type* stored) {
    Type value{};
    HRESULT hr = get(&value);
    if (SUCCEEDED(hr)) *stored = value;
    return hr;
  }
  template <class Setter>
  static HRESULT Write(Setter put, Type stored) {
    return put(stored);
  }
};

// ---- Reading and writing an item through its interface ----------------------------

// ReadItem(item, &record) reads every property of an item (ours or a
// caller's own implementation) through its interface; WriteItem(record,
// item) puts every property. Both stop at the first failing accessor and
// return its HRESULT.
#define QORV_READ_PROPERTY(dispid, Name, field, Type)                                    \
  if (SUCCEEDED(hr)) {                                                                   \
    hr = PropertyOf<Type>::Read([item](Type* value) { return item->get_##Name(value); }, \
                                &record->field);                                         \
  }
#define QORV_WRITE_PROPERTY(dispid, Name, field, Type)                                   \
  if (SUCCEEDED(hr)) {                                                                   \
    hr = PropertyOf<Type>::Write([item](Type value) { return item->put_##Name(value); }, \
                                 record.field);                                          \
  }
#define QORV_DEFINE_ITEM_IO(Interface, Record)                      \
  inline HRESULT ReadItem(Interface* item, Record* record) {        \
    HRESULT hr = S_OK;                                              \
    QORV_PROPERTIES_##Interface(QORV_READ_PROPERTY) return hr;      \
  }                                                                 \
  inline HRESULT WriteItem(const Record& record, Interface* item) { \
    HRESULT hr = S_OK;                                              \
    QORV_PROPERTIES_##Interface(QORV_WRITE_PROPERTY) return hr;     \
  }

QORV_DEFINE_ITEM_IO(IQORVAddFile, AddFileRecord)
QORV_DEFINE_ITEM_IO(IQORVCheckoutFile, CheckoutFileRecord)
QORV_DEFINE_ITEM_IO(IQORVCheckinFile, CheckinFileRecord)
QORV_DEFINE_ITEM_IO(IQORVLatestFile, LatestFileRecord)
QORV_DEFINE_ITEM_IO(IQORVLatestProject, LatestProjectRecord)
QORV_DEFINE_ITEM_IO(IQORVUndoCheckoutFile, UndoCheckoutFileRecord)
QORV_DEFINE_ITEM_IO(IQORVCAInfo, CAInfoRecord)
QORV_DEFINE_ITEM_IO(IQORVOperationResult, OperationResultRecord)
QORV_DEFINE_ITEM_IO(IQORVProjectHistory, ProjectHistoryRecord)
QORV_DEFINE_ITEM_IO(IQORVFileHistory, FileHistoryRecord)
QORV_DEFINE_ITEM_IO(IQORVSubProjectsFromParent, SubProjectsFromParentRecord)
QORV_DEFINE_ITEM_IO(IQORVFilesByProject, FilesByProjectRecord)
QORV_DEFINE_ITEM_IO(IQORVFileList, FileListRecord)
QORV_DEFINE_ITEM_IO(IQORVDeletedItem, DeletedItemRecord)
QORV_DEFINE_ITEM_IO(IQORVFileLink, FileLinkRecord)
QORV_DEFINE_ITEM_IO(IQORVDatabaseAlias, DatabaseAliasRecord)

#undef QORV_DEFINE_ITEM_IO
#undef QORV_WRITE_PROPERTY
#undef QORV_READ_PROPERTY

}  // namespace qorv::sdk

#endif  // QORV_SDK_ITEM_RECORDS_H_
