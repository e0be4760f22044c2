// The item and collection interfaces of the type library QORVSDKLib.
//
// Each is a dual interface: the IUnknown and IDispatch slots, then its own
// members. A property occupies two slots, get_X then put_X, and properties
// follow in DISPID order. Input sets have the single method Add; result
// collections have get_Item, get_Count and get__NewEnum, in that order.
//
// Every property of every item is read-write. Text is a BSTR: a get returns a
// new BSTR the caller frees, a put copies the text (a null BSTR stores the
// empty text). A bool property stores any nonzero VARIANT_BOOL as true and
// reads back VARIANT_TRUE (-1) or VARIANT_FALSE (0).
//
// Collection Item is 0-based; an index outside [0, Count) returns E_INVALIDARG
// and leaves the out VARIANT untouched. _NewEnum returns an IEnumVARIANT over
// a snapshot of the elements, valid after the collection is released.
#ifndef QORVSDK_ITEMS_H_
#define QORVSDK_ITEMS_H_

#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"
#include "qorvsdk/guids.h"

#ifdef __cplusplus

// ---- Input items: one item of an input set --------------------------------------

struct IQORVAddFile : IDispatch {
  virtual HRESULT get_LocalFileName(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_LocalFileName(BSTR value) = 0;
  virtual HRESULT get_RemoteFileName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_RemoteFileName(BSTR value) = 0;
  virtual HRESULT get_FileType(Enum_FileType* value) = 0;  // DISPID 3
  virtual HRESULT put_FileType(Enum_FileType value) = 0;
};

struct IQORVCheckoutFile : IDispatch {
  virtual HRESULT get_FileToCheckout(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileToCheckout(BSTR value) = 0;
  virtual HRESULT get_LocalFileName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_LocalFileName(BSTR value) = 0;
};

struct IQORVCheckinFile : IDispatch {
  virtual HRESULT get_FileToCheckin(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileToCheckin(BSTR value) = 0;
  virtual HRESULT get_LocalFileName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_LocalFileName(BSTR value) = 0;
};

struct IQORVLatestFile : IDispatch {
  virtual HRESULT get_FileToGet(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileToGet(BSTR value) = 0;
  virtual HRESULT get_LocalFileName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_LocalFileName(BSTR value) = 0;
};

struct IQORVLatestProject : IDispatch {
  virtual HRESULT get_ProjectToGet(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_ProjectToGet(BSTR value) = 0;
  virtual HRESULT get_LocalFolder(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_LocalFolder(BSTR value) = 0;
};

struct IQORVUndoCheckoutFile : IDispatch {
  virtual HRESULT get_FileToUndo(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileToUndo(BSTR value) = 0;
  virtual HRESULT get_LocalFileName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_LocalFileName(BSTR value) = 0;
};

struct IQORVCAInfo : IDispatch {
  virtual HRESULT get_CAFileName(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_CAFileName(BSTR value) = 0;
  virtual HRESULT get_UUID(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_UUID(BSTR value) = 0;
};

// ---- Input sets: write-only ordered lists; Add copies the entry -----------------

// Taken by AddFiles.
struct IQORVAddFileSet : IDispatch {
  virtual HRESULT Add(IQORVAddFile* AddFile, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by CheckoutFiles.
struct IQORVCheckoutFileSet : IDispatch {
  virtual HRESULT Add(IQORVCheckoutFile* CheckoutFile, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by CheckInFiles.
struct IQORVCheckinFileSet : IDispatch {
  virtual HRESULT Add(IQORVCheckinFile* CheckinFile, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by GetLatestFiles.
struct IQORVLatestFileSet : IDispatch {
  virtual HRESULT Add(IQORVLatestFile* LatestFile, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by GetLatestProjects.
struct IQORVLatestProjectSet : IDispatch {
  virtual HRESULT Add(IQORVLatestProject* LatestProject, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by UndoFilesCheckout.
struct IQORVUndoCheckoutFileSet : IDispatch {
  virtual HRESULT Add(IQORVUndoCheckoutFile* UndoCheckoutFile,
                      VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by no SDK method.
struct IQORVCAInfoSet : IDispatch {
  virtual HRESULT Add(IQORVCAInfo* CAInfo, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by DeleteFiles.
struct IQORVDeleteFileSet : IDispatch {
  virtual HRESULT Add(BSTR DeleteFileName, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by ShareFilesFrom.
struct IQORVShareFileSet : IDispatch {
  virtual HRESULT Add(BSTR ShareFileName, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by RecoverItems.
struct IQORVRecoverItemSet : IDispatch {
  virtual HRESULT Add(BSTR ItemName, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by PurgeItems.
struct IQORVPurgeItemSet : IDispatch {
  virtual HRESULT Add(BSTR ItemName, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// Taken by Login.
struct IQORVKeyInfoSet : IDispatch {
  virtual HRESULT Add(BSTR KeyFileName, VARIANT_BOOL* Successful) = 0;  // DISPID 1
};

// ---- Result items: one result of an SDK method ------------------------------------

struct IQORVOperationResult : IDispatch {
  virtual HRESULT get_OperationResult(LONG* value) = 0;  // DISPID 1
  virtual HRESULT put_OperationResult(LONG value) = 0;
  virtual HRESULT get_Description(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_Description(BSTR value) = 0;
  virtual HRESULT get_ItemFullName(BSTR* value) = 0;  // DISPID 3
  virtual HRESULT put_ItemFullName(BSTR value) = 0;
};

struct IQORVProjectHistory : IDispatch {
  virtual HRESULT get_FileName(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileName(BSTR value) = 0;
  virtual HRESULT get_IsProject(VARIANT_BOOL* value) = 0;  // DISPID 2
  virtual HRESULT put_IsProject(VARIANT_BOOL value) = 0;
  virtual HRESULT get_Version(LONG* value) = 0;  // DISPID 3
  virtual HRESULT put_Version(LONG value) = 0;
  virtual HRESULT get_UserName(BSTR* value) = 0;  // DISPID 4
  virtual HRESULT put_UserName(BSTR value) = 0;
  virtual HRESULT get_DateAction(DATE* value) = 0;  // DISPID 5
  virtual HRESULT put_DateAction(DATE value) = 0;
  virtual HRESULT get_Action(BSTR* value) = 0;  // DISPID 6
  virtual HRESULT put_Action(BSTR value) = 0;
  virtual HRESULT get_Label(BSTR* value) = 0;  // DISPID 7
  virtual HRESULT put_Label(BSTR value) = 0;
  virtual HRESULT get_Comment(BSTR* value) = 0;  // DISPID 8
  virtual HRESULT put_Comment(BSTR value) = 0;
  virtual HRESULT get_LabelComment(BSTR* value) = 0;  // DISPID 9
  virtual HRESULT put_LabelComment(BSTR value) = 0;
};

struct IQORVFileHistory : IDispatch {
  virtual HRESULT get_Version(LONG* value) = 0;  // DISPID 1
  virtual HRESULT put_Version(LONG value) = 0;
  virtual HRESULT get_UserName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_UserName(BSTR value) = 0;
  virtual HRESULT get_DateAction(DATE* value) = 0;  // DISPID 3
  virtual HRESULT put_DateAction(DATE value) = 0;
  virtual HRESULT get_Action(BSTR* value) = 0;  // DISPID 4
  virtual HRESULT put_Action(BSTR value) = 0;
  virtual HRESULT get_Label(BSTR* value) = 0;  // DISPID 5
  virtual HRESULT put_Label(BSTR value) = 0;
  virtual HRESULT get_Comment(BSTR* value) = 0;  // DISPID 6
  virtual HRESULT put_Comment(BSTR value) = 0;
  virtual HRESULT get_LabelComment(BSTR* value) = 0;  // DISPID 7
  virtual HRESULT put_LabelComment(BSTR value) = 0;
  virtual HRESULT get_Pinned(VARIANT_BOOL* value) = 0;  // DISPID 8
  virtual HRESULT put_Pinned(VARIANT_BOOL value) = 0;
  virtual HRESULT get_InheritLabelFromParent(VARIANT_BOOL* value) = 0;  // DISPID 9
  virtual HRESULT put_InheritLabelFromParent(VARIANT_BOOL value) = 0;
};

struct IQORVSubProjectsFromParent : IDispatch {
  virtual HRESULT get_SubProjectName(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_SubProjectName(BSTR value) = 0;
};

struct IQORVFilesByProject : IDispatch {
  virtual HRESULT get_FileName(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileName(BSTR value) = 0;
};

struct IQORVFileList : IDispatch {
  virtual HRESULT get_FileName(BSTR* value) = 0;  // DISPID 2
  virtual HRESULT put_FileName(BSTR value) = 0;
  virtual HRESULT get_LatestVersion(DATE* value) = 0;  // DISPID 3
  virtual HRESULT put_LatestVersion(DATE value) = 0;
  virtual HRESULT get_UserName(BSTR* value) = 0;  // DISPID 4
  virtual HRESULT put_UserName(BSTR value) = 0;
  virtual HRESULT get_FileStatus(Enum_FileStatus* value) = 0;  // DISPID 5
  virtual HRESULT put_FileStatus(Enum_FileStatus value) = 0;
  virtual HRESULT get_VersionNumber(LONG* value) = 0;  // DISPID 6
  virtual HRESULT put_VersionNumber(LONG value) = 0;
};

struct IQORVDeletedItem : IDispatch {
  virtual HRESULT get_DeletedItem(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_DeletedItem(BSTR value) = 0;
  virtual HRESULT get_IsProject(VARIANT_BOOL* value) = 0;  // DISPID 2
  virtual HRESULT put_IsProject(VARIANT_BOOL value) = 0;
};

struct IQORVFileLink : IDispatch {
  virtual HRESULT get_FileLink(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_FileLink(BSTR value) = 0;
};

struct IQORVDatabaseAlias : IDispatch {
  virtual HRESULT get_DatabaseName(BSTR* value) = 0;  // DISPID 1
  virtual HRESULT put_DatabaseName(BSTR value) = 0;
};

// ---- Result collections: read-only ordered lists of result items -----------------

// Elements IQORVOperationResult; filled by every method with an OperationResultSet.
struct IQORVOperationResultSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVProjectHistory; filled by GetProjectHistory.
struct IQORVProjectHistorySet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVFileHistory; filled by GetFileHistory.
struct IQORVFileHistorySet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVSubProjectsFromParent; filled by GetSubProjectsFromParent.
struct IQORVSubProjectsFromParentSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVFilesByProject; filled by GetFilesByProject.
struct IQORVFilesByProjectSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVFileList; filled by GetFileListFromProject.
struct IQORVFileListSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVDeletedItem; filled by GetDeletedItemsInProject.
struct IQORVDeletedItemSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVFileLink; filled by GetFileLinks.
struct IQORVFileLinkSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

// Elements IQORVDatabaseAlias; filled by GetDatabaseAlias.
struct IQORVDatabaseAliasSet : IDispatch {
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;  // DISPID 0 (default member)
  virtual HRESULT get_Count(LONG* count) = 0;               // DISPID 1
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;  // DISPID -4
};

#endif  // __cplusplus

#endif  // QORVSDK_ITEMS_H_
