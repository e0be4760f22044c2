#include "sdk/class_table.h"

#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "platform/com/module_loader.h"
#include "platform/com/registry_file.h"
#include "platform/com/text_convert.h"
#include "platform/com/type_library.h"
#include "platform/component/class_factory.h"
#include "platform/component/module_lock.h"
#include "qorvsdk/guids.h"
#include "sdk/input_sets.h"
#include "sdk/item_classes.h"
#include "sdk/qor_sdk.h"
#include "sdk/result_collections.h"

namespace qorv::sdk {
namespace {

// Registry values every class shares.
constexpr char kThreadingModel[] = "Apartment";
// The type library: version 1.0 with its help string.
constexpr char kTypeLibVersion[] = "1.0";
constexpr char kTypeLibHelpString[] = "KeltoQorSDK 1.0 Type Library";

constexpr ClassRegistration kClasses[] = {
    {CLSID_QORVSDK, IID_IQORVSDK, "KeltoQorSDK.QorSDK.1", "KeltoQorSDK.QorSDK", "QorSDK Class",
     &platform::GetClassFactory<CQorSDK>},
    {CLSID_QORVAddFileSet, IID_IQORVAddFileSet, "KeltoQorSDK.QORAddFileSet.1",
     "KeltoQorSDK.QORAddFileSet", "QORAddFileSet Class",
     &platform::GetClassFactory<QORVAddFileSet>},
    {CLSID_QORVAddFile, IID_IQORVAddFile, "KeltoQorSDK.QORAddFile.1", "KeltoQorSDK.QORAddFile",
     "QORAddFile Class", &platform::GetClassFactory<QORVAddFile>},
    {CLSID_QORVCheckoutFileSet, IID_IQORVCheckoutFileSet, "KeltoQorSDK.QORCheckoutFileSet.1",
     "KeltoQorSDK.QORCheckoutFileSet", "QORCheckoutFileSet Class",
     &platform::GetClassFactory<QORVCheckoutFileSet>},
    {CLSID_QORVCheckoutFile, IID_IQORVCheckoutFile, "KeltoQorSDK.QORCheckoutFile.1",
     "KeltoQorSDK.QORCheckoutFile", "QORCheckoutFile Class",
     &platform::GetClassFactory<QORVCheckoutFile>},
    {CLSID_QORVCheckinFileSet, IID_IQORVCheckinFileSet, "KeltoQorSDK.QORCheckinFileSet.1",
     "KeltoQorSDK.QORCheckinFileSet", "QORCheckinFileSet Class",
     &platform::GetClassFactory<QORVCheckinFileSet>},
    {CLSID_QORVCheckinFile, IID_IQORVCheckinFile, "KeltoQorSDK.QORCheckinFile.1",
     "KeltoQorSDK.QORCheckinFile", "QORCheckinFile Class",
     &platform::GetClassFactory<QORVCheckinFile>},
    {CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet, "KeltoQorSDK.QORLatestFileSet.1",
     "KeltoQorSDK.QORLatestFileSet", "QORLatestFileSet Class",
     &platform::GetClassFactory<QORVLatestFileSet>},
    {CLSID_QORVLatestFile, IID_IQORVLatestFile, "KeltoQorSDK.QORLatestFile.1",
     "KeltoQorSDK.QORLatestFile", "QORLatestFile Class",
     &platform::GetClassFactory<QORVLatestFile>},
    {CLSID_QORVLatestProjectSet, IID_IQORVLatestProjectSet, "KeltoQorSDK.QORLatestProjectSet.1",
     "KeltoQorSDK.QORLatestProjectSet", "QORLatestProjectSet Class",
     &platform::GetClassFactory<QORVLatestProjectSet>},
    {CLSID_QORVLatestProject, IID_IQORVLatestProject, "KeltoQorSDK.QORLatestProject.1",
     "KeltoQorSDK.QORLatestProject", "QORLatestProject Class",
     &platform::GetClassFactory<QORVLatestProject>},
    {CLSID_QORVUndoCheckoutFileSet, IID_IQORVUndoCheckoutFileSet,
     "KeltoQorSDK.QORUndoCheckoutFileSet.1", "KeltoQorSDK.QORUndoCheckoutFileSet",
     "QORUndoCheckoutFileSet Class", &platform::GetClassFactory<QORVUndoCheckoutFileSet>},
    {CLSID_QORVUndoCheckoutFile, IID_IQORVUndoCheckoutFile, "KeltoQorSDK.QORUndoCheckoutFile.1",
     "KeltoQorSDK.QORUndoCheckoutFile", "QORUndoCheckoutFile Class",
     &platform::GetClassFactory<QORVUndoCheckoutFile>},
    {CLSID_QORVDeleteFileSet, IID_IQORVDeleteFileSet, "KeltoQorSDK.QORDeleteFile.1",
     "KeltoQorSDK.QORDeleteFile", "QORDeleteFile Class",
     &platform::GetClassFactory<QORVDeleteFileSet>},
    {CLSID_QORVShareFileSet, IID_IQORVShareFileSet, "KeltoQorSDK.QORShareFile.1",
     "KeltoQorSDK.QORShareFile", "QORShareFile Class",
     &platform::GetClassFactory<QORVShareFileSet>},
    {CLSID_QORVProjectHistorySet, IID_IQORVProjectHistorySet, "KeltoQorSDK.QORProjectHistorySet.1",
     "KeltoQorSDK.QORProjectHistorySet", "QORProjectHistorySet Class",
     &platform::GetClassFactory<QORVProjectHistorySet>},
    {CLSID_QORVProjectHistory, IID_IQORVProjectHistory, "KeltoQorSDK.QORProjectHistory.1",
     "KeltoQorSDK.QORProjectHistory", "QORProjectHistory Class",
     &platform::GetClassFactory<QORVProjectHistory>},
    {CLSID_QORVFileHistorySet, IID_IQORVFileHistorySet, "KeltoQorSDK.QORFileHistorySet.1",
     "KeltoQorSDK.QORFileHistorySet", "QORFileHistorySet Class",
     &platform::GetClassFactory<QORVFileHistorySet>},
    {CLSID_QORVFileHistory, IID_IQORVFileHistory, "KeltoQorSDK.QORFileHistory.1",
     "KeltoQorSDK.QORFileHistory", "QORFileHistory Class",
     &platform::GetClassFactory<QORVFileHistory>},
    {CLSID_QORVSubProjectsFromParent, IID_IQORVSubProjectsFromParent,
     "KeltoQorSDK.QORSubProjectsFromParent.1", "KeltoQorSDK.QORSubProjectsFromParent",
     "QORSubProjectsFromParent Class", &platform::GetClassFactory<QORVSubProjectsFromParent>},
    {CLSID_QORVFileListSet, IID_IQORVFileListSet, "KeltoQorSDK.QORFileListSet.1",
     "KeltoQorSDK.QORFileListSet", "QORFileListSet Class",
     &platform::GetClassFactory<QORVFileListSet>},
    {CLSID_QORVFileList, IID_IQORVFileList, "KeltoQorSDK.QORFileList.1", "KeltoQorSDK.QORFileList",
     "QORFileList Class", &platform::GetClassFactory<QORVFileList>},
    {CLSID_QORVDeletedItemSet, IID_IQORVDeletedItemSet, "KeltoQorSDK.QORDeletedItemSet.1",
     "KeltoQorSDK.QORDeletedItemSet", "QORDeletedItemSet Class",
     &platform::GetClassFactory<QORVDeletedItemSet>},
    {CLSID_QORVDeletedItem, IID_IQORVDeletedItem, "KeltoQorSDK.QORDeletedItem.1",
     "KeltoQorSDK.QORDeletedItem", "QORDeletedItem Class",
     &platform::GetClassFactory<QORVDeletedItem>},
    {CLSID_QORVFileLinkSet, IID_IQORVFileLinkSet, "KeltoQorSDK.QORFileLink.1",
     "KeltoQorSDK.QORFileLink", "QORFileLink Class", &platform::GetClassFactory<QORVFileLinkSet>},
    {CLSID_QORVRecoverItemSet, IID_IQORVRecoverItemSet, "KeltoQorSDK.QORRecoverItemSet.1",
     "KeltoQorSDK.QORRecoverItemSet", "QORRecoverItemSet Class",
     &platform::GetClassFactory<QORVRecoverItemSet>},
    {CLSID_QORVPurgeItemSet, IID_IQORVPurgeItemSet, "KeltoQorSDK.QORPurgeItemSet.1",
     "KeltoQorSDK.QORPurgeItemSet", "QORPurgeItemSet Class",
     &platform::GetClassFactory<QORVPurgeItemSet>},
    {CLSID_QORVCAInfoSet, IID_IQORVCAInfoSet, "KeltoQorSDK.QORCAInfoSet.1",
     "KeltoQorSDK.QORCAInfoSet", "QORCAInfoSet Class", &platform::GetClassFactory<QORVCAInfoSet>},
    {CLSID_QORVCAInfo, IID_IQORVCAInfo, "KeltoQorSDK.QORCAInfo.1", "KeltoQorSDK.QORCAInfo",
     "QORCAInfo Class", &platform::GetClassFactory<QORVCAInfo>},
    {CLSID_QORVFilesByProject, IID_IQORVFilesByProject, "KeltoQorSDK.QORFilesByProject.1",
     "KeltoQorSDK.QORFilesByProject", "QORFilesByProject Class",
     &platform::GetClassFactory<QORVFilesByProject>},
    {CLSID_QORVOperationResult, IID_IQORVOperationResult, "KeltoQorSDK.QOROperatorResult.1",
     "KeltoQorSDK.QOROperatorResult", "QOROperatorResult Class",
     &platform::GetClassFactory<QORVOperationResult>},
    {CLSID_QORVOperationResultSet, IID_IQORVOperationResultSet,
     "KeltoQorSDK.QOROperatorResultSet.1", "KeltoQorSDK.QOROperatorResultSet",
     "QOROperatorResultSet Class", &platform::GetClassFactory<QORVOperationResultSet>},
    {CLSID_QORVDatabaseAliasSet, IID_IQORVDatabaseAliasSet, "KeltoQorSDK.QORDatabaseAliasSet.1",
     "KeltoQorSDK.QORDatabaseAliasSet", "QORDatabaseAliasSet Class",
     &platform::GetClassFactory<QORVDatabaseAliasSet>},
    {CLSID_QORVKeyInfoSet, IID_IQORVKeyInfoSet, "KeltoQorSDK.QORKeyInfoSet.1",
     "KeltoQorSDK.QORKeyInfoSet", "QORKeyInfoSet Class",
     &platform::GetClassFactory<QORVKeyInfoSet>},
    {CLSID_QORVDatabaseAlias, IID_IQORVDatabaseAlias, "KeltoQorSDK.QORVDatabaseAlias.1",
     "KeltoQorSDK.QORVDatabaseAlias", "QORVDatabaseAlias Class",
     &platform::GetClassFactory<QORVDatabaseAlias>},
    {CLSID_QORVSubProjectsFromParentSet, IID_IQORVSubProjectsFromParentSet,
     "KeltoQorSDK.QORVSubProjectsFromParent.1", "KeltoQorSDK.QORVSubProjectsFromParentSe",
     "QORVSubProjectsFromParentSet Class",
     &platform::GetClassFactory<QORVSubProjectsFromParentSet>},
    {CLSID_QORVFileLink, IID_IQORVFileLink, "KeltoQorSDK.QORVFileLink.1",
     "KeltoQorSDK.QORVFileLink", "QORVFileLink Class", &platform::GetClassFactory<QORVFileLink>},
    {CLSID_QORVFilesByProjectSet, IID_IQORVFilesByProjectSet, "KeltoQorSDK.QORVFilesByProjectSet.1",
     "KeltoQorSDK.QORVFilesByProjectSet", "QORVFilesByProjectSet Class",
     &platform::GetClassFactory<QORVFilesByProjectSet>},
};

std::string GuidText(const GUID& guid) {
  OLECHAR text[40];
  StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
  return Utf16ToUtf8(text);
}

// Creates the key at `path` and sets its default value (when `value` is not
// null). False when the key cannot be made.
bool SetKey(platform::RegistryKey& root, const std::string& path, const char* value) {
  platform::RegistryKey* key = root.Create(path);
  if (key == nullptr) return false;
  return value == nullptr || key->SetValue("", value);
}

bool AddClass(platform::RegistryKey& root, const ClassRegistration& entry,
              const std::string& module_path, const std::string& libid) {
  const std::string clsid = GuidText(entry.clsid);
  const std::string versioned = entry.prog_id;
  const std::string independent = entry.version_independent_prog_id;
  const std::string class_key = "CLSID\\" + clsid;
  bool ok =
      SetKey(root, versioned, entry.description) &&
      SetKey(root, versioned + "\\CLSID", clsid.c_str()) &&
      SetKey(root, independent, entry.description) &&
      SetKey(root, independent + "\\CLSID", clsid.c_str()) &&
      SetKey(root, independent + "\\CurVer", entry.prog_id) &&
      SetKey(root, class_key, entry.description) &&
      SetKey(root, class_key + "\\ProgID", entry.prog_id) &&
      SetKey(root, class_key + "\\VersionIndependentProgID", entry.version_independent_prog_id) &&
      SetKey(root, class_key + "\\Programmable", nullptr) &&
      SetKey(root, class_key + "\\InprocServer32", module_path.c_str()) &&
      SetKey(root, class_key + "\\TypeLib", libid.c_str());
  if (!ok) return false;
  return root.Find(class_key + "\\InprocServer32")->SetValue("ThreadingModel", kThreadingModel);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::span<const ClassRegistration> RegisteredClasses() { return kClasses; }

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (const ClassRegistration& entry : kClasses) {
    if (entry.clsid == clsid) return entry.get_class_object(riid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return platform::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

HRESULT AddRegistration(platform::RegistryKey& root, std::string_view module_path) {
  try {
    const std::string path(module_path);
    const std::string libid = GuidText(LIBID_QORVSDKLib);
    // Classes in table order; the first that cannot be written stops it.
    for (const ClassRegistration& entry : kClasses) {
      if (!AddClass(root, entry, path, libid)) return SELFREG_E_CLASS;
    }
    // The type library has no file of its own: the module serves IDispatch
    // from its dispatch tables, so the keys record its identity only.
    const std::string version_key = "TypeLib\\" + libid + "\\" + kTypeLibVersion;
    if (!SetKey(root, version_key, kTypeLibHelpString) ||
        !SetKey(root, version_key + "\\FLAGS", "0") ||
        !SetKey(root, version_key + "\\HELPDIR", FolderOf(path).c_str())) {
      return SELFREG_E_TYPELIB;
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void RemoveRegistration(platform::RegistryKey& root) {
  for (const ClassRegistration& entry : kClasses) {
    root.Remove(entry.prog_id);
    root.Remove(entry.version_independent_prog_id);
    root.Remove("CLSID\\" + GuidText(entry.clsid));
  }
  const std::string library_key = "TypeLib\\" + GuidText(LIBID_QORVSDKLib);
  root.Remove(library_key + "\\" + kTypeLibVersion);
  const platform::RegistryKey* library = root.Find(library_key);
  if (library != nullptr && library->IsEmpty()) root.Remove(library_key);
}

// The keys this module owns below the classes root: those of its classes
// and of its type library. The registry is edited through them alone, so
// that on Windows only they are read from and written to the system's.
std::vector<std::string> OwnedKeys() {
  std::vector<std::string> keys;
  for (const ClassRegistration& entry : kClasses) {
    keys.push_back(entry.prog_id);
    keys.push_back(entry.version_independent_prog_id);
    keys.push_back("CLSID\\" + GuidText(entry.clsid));
  }
  keys.push_back("TypeLib\\" + GuidText(LIBID_QORVSDKLib));
  return keys;
}

HRESULT RegisterServer(const std::string& module_path) {
  if (module_path.empty()) return SELFREG_E_CLASS;
  HRESULT hr = platform::UpdateRegisteredKeys(
      OwnedKeys(), [&](platform::RegistryKey& root) { return AddRegistration(root, module_path); });
  if (FAILED(hr)) return hr;
  return platform::RegisterModuleTypeLibrary(module_path);
}

HRESULT UnregisterServer() {
  // The type library first: the system finds what to remove through its key.
  HRESULT hr = platform::UnregisterModuleTypeLibrary(LIBID_QORVSDKLib, 1, 0);
  if (FAILED(hr)) return hr;
  return platform::UpdateRegisteredKeys(OwnedKeys(), [](platform::RegistryKey& root) {
    try {
      RemoveRegistration(root);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  });
}

}  // namespace qorv::sdk
