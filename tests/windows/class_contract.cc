#include "class_contract.h"

#include <oleauto.h>
#include <wchar.h>

#include <string>

#include "checks.h"
#include "qorvsdk_idl.h"

namespace qorv_windows_test {
namespace {

// IID_NULL of IDispatch::Invoke; an interface no class implements.
constexpr IID kNoInterface = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr IID kForeignInterface = {
    0x0badf00d, 0x1234, 0x4321, {0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}};

struct ClassEntry {
  const CLSID* clsid;
  const wchar_t* versioned;
  const wchar_t* independent;
};

// The registered classes with their ProgIDs, as the registry holds them
// (some differ from the class names; ProgIDs are at most 39 characters).
constexpr ClassEntry kClasses[] = {
    {&CLSID_QORVSDK, L"KeltoQorSDK.QorSDK.1", L"KeltoQorSDK.QorSDK"},
    {&CLSID_QORVAddFileSet, L"KeltoQorSDK.QORAddFileSet.1", L"KeltoQorSDK.QORAddFileSet"},
    {&CLSID_QORVAddFile, L"KeltoQorSDK.QORAddFile.1", L"KeltoQorSDK.QORAddFile"},
    {&CLSID_QORVCheckoutFileSet, L"KeltoQorSDK.QORCheckoutFileSet.1",
     L"KeltoQorSDK.QORCheckoutFileSet"},
    {&CLSID_QORVCheckoutFile, L"KeltoQorSDK.QORCheckoutFile.1", L"KeltoQorSDK.QORCheckoutFile"},
    {&CLSID_QORVCheckinFileSet, L"KeltoQorSDK.QORCheckinFileSet.1",
     L"KeltoQorSDK.QORCheckinFileSet"},
    {&CLSID_QORVCheckinFile, L"KeltoQorSDK.QORCheckinFile.1", L"KeltoQorSDK.QORCheckinFile"},
    {&CLSID_QORVLatestFileSet, L"KeltoQorSDK.QORLatestFileSet.1", L"KeltoQorSDK.QORLatestFileSet"},
    {&CLSID_QORVLatestFile, L"KeltoQorSDK.QORLatestFile.1", L"KeltoQorSDK.QORLatestFile"},
    {&CLSID_QORVLatestProjectSet, L"KeltoQorSDK.QORLatestProjectSet.1",
     L"KeltoQorSDK.QORLatestProjectSet"},
    {&CLSID_QORVLatestProject, L"KeltoQorSDK.QORLatestProject.1", L"KeltoQorSDK.QORLatestProject"},
    {&CLSID_QORVUndoCheckoutFileSet, L"KeltoQorSDK.QORUndoCheckoutFileSet.1",
     L"KeltoQorSDK.QORUndoCheckoutFileSet"},
    {&CLSID_QORVUndoCheckoutFile, L"KeltoQorSDK.QORUndoCheckoutFile.1",
     L"KeltoQorSDK.QORUndoCheckoutFile"},
    {&CLSID_QORVDeleteFileSet, L"KeltoQorSDK.QORDeleteFile.1", L"KeltoQorSDK.QORDeleteFile"},
    {&CLSID_QORVShareFileSet, L"KeltoQorSDK.QORShareFile.1", L"KeltoQorSDK.QORShareFile"},
    {&CLSID_QORVProjectHistorySet, L"KeltoQorSDK.QORProjectHistorySet.1",
     L"KeltoQorSDK.QORProjectHistorySet"},
    {&CLSID_QORVProjectHistory, L"KeltoQorSDK.QORProjectHistory.1",
     L"KeltoQorSDK.QORProjectHistory"},
    {&CLSID_QORVFileHistorySet, L"KeltoQorSDK.QORFileHistorySet.1",
     L"KeltoQorSDK.QORFileHistorySet"},
    {&CLSID_QORVFileHistory, L"KeltoQorSDK.QORFileHistory.1", L"KeltoQorSDK.QORFileHistory"},
    {&CLSID_QORVSubProjectsFromParent, L"KeltoQorSDK.QORSubProjectsFromParent.1",
     L"KeltoQorSDK.QORSubProjectsFromParent"},
    {&CLSID_QORVFileListSet, L"KeltoQorSDK.QORFileListSet.1", L"KeltoQorSDK.QORFileListSet"},
    {&CLSID_QORVFileList, L"KeltoQorSDK.QORFileList.1", L"KeltoQorSDK.QORFileList"},
    {&CLSID_QORVDeletedItemSet, L"KeltoQorSDK.QORDeletedItemSet.1",
     L"KeltoQorSDK.QORDeletedItemSet"},
    {&CLSID_QORVDeletedItem, L"KeltoQorSDK.QORDeletedItem.1", L"KeltoQorSDK.QORDeletedItem"},
    {&CLSID_QORVFileLinkSet, L"KeltoQorSDK.QORFileLink.1", L"KeltoQorSDK.QORFileLink"},
    {&CLSID_QORVRecoverItemSet, L"KeltoQorSDK.QORRecoverItemSet.1",
     L"KeltoQorSDK.QORRecoverItemSet"},
    {&CLSID_QORVPurgeItemSet, L"KeltoQorSDK.QORPurgeItemSet.1", L"KeltoQorSDK.QORPurgeItemSet"},
    {&CLSID_QORVCAInfoSet, L"KeltoQorSDK.QORCAInfoSet.1", L"KeltoQorSDK.QORCAInfoSet"},
    {&CLSID_QORVCAInfo, L"KeltoQorSDK.QORCAInfo.1", L"KeltoQorSDK.QORCAInfo"},
    {&CLSID_QORVFilesByProject, L"KeltoQorSDK.QORFilesByProject.1",
     L"KeltoQorSDK.QORFilesByProject"},
    {&CLSID_QORVOperationResult, L"KeltoQorSDK.QOROperatorResult.1",
     L"KeltoQorSDK.QOROperatorResult"},
    {&CLSID_QORVOperationResultSet, L"KeltoQorSDK.QOROperatorResultSet.1",
     L"KeltoQorSDK.QOROperatorResultSet"},
    {&CLSID_QORVDatabaseAliasSet, L"KeltoQorSDK.QORDatabaseAliasSet.1",
     L"KeltoQorSDK.QORDatabaseAliasSet"},
    {&CLSID_QORVKeyInfoSet, L"KeltoQorSDK.QORKeyInfoSet.1", L"KeltoQorSDK.QORKeyInfoSet"},
    {&CLSID_QORVDatabaseAlias, L"KeltoQorSDK.QORVDatabaseAlias.1",
     L"KeltoQorSDK.QORVDatabaseAlias"},
    {&CLSID_QORVSubProjectsFromParentSet, L"KeltoQorSDK.QORVSubProjectsFromParent.1",
     L"KeltoQorSDK.QORVSubProjectsFromParentSe"},
    {&CLSID_QORVFileLink, L"KeltoQorSDK.QORVFileLink.1", L"KeltoQorSDK.QORVFileLink"},
    {&CLSID_QORVFilesByProjectSet, L"KeltoQorSDK.QORVFilesByProjectSet.1",
     L"KeltoQorSDK.QORVFilesByProjectSet"},
};

// Classes whose objects do not offer ISupportErrorInfo.
constexpr const wchar_t* kWithoutErrorInfo[] = {
    L"KeltoQorSDK.QORLatestFile.1", L"KeltoQorSDK.QORVFileLink.1",
    L"KeltoQorSDK.QORVSubProjectsFromParent.1", L"KeltoQorSDK.QORVFilesByProjectSet.1"};

IUnknown* Identity(IUnknown* object) {
  IUnknown* identity = nullptr;
  if (object == nullptr ||
      FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
    return nullptr;
  }
  identity->Release();  // the object holds it; only the address is compared
  return identity;
}

// The vtable description of a class's default interface (the TKIND_INTERFACE
// half of a dual interface), or null.
ITypeInfo* DefaultInterface(ITypeLib* library, const CLSID& clsid) {
  ITypeInfo* coclass = nullptr;
  if (FAILED(library->GetTypeInfoOfGuid(clsid, &coclass))) return nullptr;
  HREFTYPE reference = 0;
  ITypeInfo* info = nullptr;
  if (SUCCEEDED(coclass->GetRefTypeOfImplType(0, &reference))) {
    coclass->GetRefTypeInfo(reference, &info);
  }
  coclass->Release();
  if (info == nullptr) return nullptr;
  TYPEATTR* attributes = nullptr;
  info->GetTypeAttr(&attributes);
  const bool dispatch_half = attributes->typekind == TKIND_DISPATCH;
  info->ReleaseTypeAttr(attributes);
  if (!dispatch_half) return info;
  ITypeInfo* vtable = nullptr;
  if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference))) {
    info->GetRefTypeInfo(reference, &vtable);
  }
  info->Release();
  return vtable;
}

// A value of the property's type, different for each round and property.
void MakeValue(VARTYPE type, int round, const std::wstring& member, VARIANT* value) {
  ::VariantInit(value);
  switch (type) {
    case VT_BSTR:
      V_VT(value) = VT_BSTR;
      V_BSTR(value) = ::SysAllocString(
          (L"$/p/\u00e9t\u00e9 " + member + (round == 0 ? L" vtable" : L" dispatch")).c_str());
      break;
    case VT_BOOL:
      V_VT(value) = VT_BOOL;
      V_BOOL(value) = round == 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_R8:
    case VT_DATE:
      V_VT(value) = type;
      V_R8(value) = round == 0 ? 45351.75 : 1.5;
      break;
    default:  // LONG and the enumerations (stored unchecked)
      V_VT(value) = VT_I4;
      V_I4(value) = round == 0 ? -7 : 99;
      break;
  }
}

bool SameValue(const VARIANT& put, const VARIANT& got) {
  if (V_VT(&put) == VT_BSTR) {
    return V_VT(&got) == VT_BSTR && V_BSTR(&got) != nullptr &&
           ::wcscmp(V_BSTR(&put), V_BSTR(&got)) == 0;
  }
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(&got), 0, V_VT(&put)))) {
    return false;
  }
  bool same = false;
  switch (V_VT(&put)) {
    case VT_BOOL:
      same = V_BOOL(&converted) == V_BOOL(&put);
      break;
    case VT_R8:
    case VT_DATE:
      same = V_R8(&converted) == V_R8(&put);
      break;
    default:
      same = V_I4(&converted) == V_I4(&put);
      break;
  }
  ::VariantClear(&converted);
  return same;
}

HRESULT PutBy(ITypeInfo* vtable, void* instance, IDispatch* dispatch, MEMBERID member,
              VARIANT* value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {value, &named, 1, 1};
  if (vtable != nullptr) {
    return vtable->Invoke(instance, member, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                          nullptr);
  }
  return dispatch->Invoke(member, kNoInterface, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                          nullptr, nullptr, nullptr);
}

HRESULT GetBy(ITypeInfo* vtable, void* instance, IDispatch* dispatch, MEMBERID member,
              VARIANT* value) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ::VariantInit(value);
  if (vtable != nullptr) {
    return vtable->Invoke(instance, member, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
  }
  return dispatch->Invoke(member, kNoInterface, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                          value, nullptr, nullptr);
}

// Every property with a put: put through the vtable, read through IDispatch;
// then put through IDispatch (another value), read through the vtable.
int CheckProperties(ITypeInfo* vtable, IDispatch* dispatch, const std::string& class_name) {
  TYPEATTR* attributes = nullptr;
  vtable->GetTypeAttr(&attributes);
  const IID iid = attributes->guid;
  const WORD functions = attributes->cFuncs;
  // ITypeInfo::Invoke of the interface half calls the vtable itself.
  Check(attributes->typekind == TKIND_INTERFACE,
        class_name + ": the default interface is described by its vtable");
  vtable->ReleaseTypeAttr(attributes);
  void* instance = nullptr;
  if (FAILED(dispatch->QueryInterface(iid, &instance))) {
    Check(false, class_name + " answers its default interface");
    return 0;
  }
  int properties = 0;
  for (WORD f = 0; f < functions; ++f) {
    FUNCDESC* function = nullptr;
    if (FAILED(vtable->GetFuncDesc(f, &function))) continue;
    if (function->invkind == INVOKE_PROPERTYPUT && function->cParams == 1) {
      const MEMBERID member = function->memid;
      const VARTYPE type = function->lprgelemdescParam[0].tdesc.vt;
      BSTR name = nullptr;
      UINT got_names = 0;
      vtable->GetNames(member, &name, 1, &got_names);
      const std::wstring member_name = name != nullptr ? name : L"?";
      const std::string what = class_name + "." + Narrow(name);
      ::SysFreeString(name);
      for (int round = 0; round < 2; ++round) {
        VARIANT put, got;
        MakeValue(type, round, member_name, &put);
        ITypeInfo* put_through = round == 0 ? vtable : nullptr;
        ITypeInfo* get_through = round == 0 ? nullptr : vtable;
        HRESULT put_hr = PutBy(put_through, instance, dispatch, member, &put);
        HRESULT get_hr = GetBy(get_through, instance, dispatch, member, &got);
        Check(SUCCEEDED(put_hr) && SUCCEEDED(get_hr) && SameValue(put, got),
              what +
                  (round == 0 ? " put by the vtable, read by IDispatch"
                              : " put by IDispatch, read by the vtable") +
                  ": put " + Hex(put_hr) + ", get " + Hex(get_hr));
        ::VariantClear(&put);
        ::VariantClear(&got);
      }
      ++properties;
    }
    vtable->ReleaseFuncDesc(function);
  }
  static_cast<IUnknown*>(instance)->Release();
  return properties;
}

// Creation by both ProgIDs, identity through QueryInterface, error info, no
// aggregation, and the module's lock while the object lives.
void CheckClass(const ClassEntry& entry, ITypeLib* library, CanUnloadNow can_unload,
                int* properties) {
  const std::string name = Narrow(entry.versioned);
  CLSID versioned{}, independent{};
  Check(SUCCEEDED(::CLSIDFromProgID(entry.versioned, &versioned)) &&
            SUCCEEDED(::CLSIDFromProgID(entry.independent, &independent)) &&
            versioned == *entry.clsid && independent == *entry.clsid,
        name + " and " + Narrow(entry.independent) + " name the class's CLSID");
  IDispatch* object = nullptr;
  IUnknown* other = nullptr;
  HRESULT hr = ::CoCreateInstance(versioned, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&object));
  HRESULT other_hr = ::CoCreateInstance(independent, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&other));
  Check(SUCCEEDED(hr) && SUCCEEDED(other_hr) && object != nullptr && other != nullptr,
        name + " is created by both ProgIDs: " + Hex(hr) + ", " + Hex(other_hr));
  if (object == nullptr || other == nullptr) {
    if (object != nullptr) object->Release();
    if (other != nullptr) other->Release();
    return;
  }
  Check(Identity(object) != nullptr && Identity(object) != Identity(other),
        name + ": two creations are two objects");
  if (can_unload != nullptr) {
    other->Release();
    other = nullptr;
    Check(can_unload() == S_FALSE, name + ": DllCanUnloadNow is S_FALSE while one object lives");
  }

  // Identity: IUnknown from any interface is one pointer; IDispatch and the
  // default interface lead back to it; a foreign interface is refused.
  ITypeInfo* vtable = DefaultInterface(library, *entry.clsid);
  Check(vtable != nullptr, name + ": the library describes its default interface");
  IUnknown* identity = Identity(object);
  IDispatch* dispatch_again = nullptr;
  IUnknown* default_interface = nullptr;
  if (vtable != nullptr) {
    TYPEATTR* attributes = nullptr;
    vtable->GetTypeAttr(&attributes);
    object->QueryInterface(attributes->guid, reinterpret_cast<void**>(&default_interface));
    vtable->ReleaseTypeAttr(attributes);
  }
  object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_again));
  Check(identity != nullptr && default_interface != nullptr && dispatch_again != nullptr &&
            Identity(default_interface) == identity && Identity(dispatch_again) == identity,
        name + ": IUnknown, IDispatch and the default interface are one object");
  IDispatch* from_default = nullptr;
  if (default_interface != nullptr) {
    default_interface->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&from_default));
  }
  Check(from_default != nullptr && Identity(from_default) == identity,
        name + ": IDispatch from the default interface");
  void* foreign = reinterpret_cast<void*>(1);
  hr = object->QueryInterface(kForeignInterface, &foreign);
  Check(hr == E_NOINTERFACE && foreign == nullptr,
        name + ": an unknown interface is E_NOINTERFACE with a null out: " + Hex(hr));
  if (from_default != nullptr) from_default->Release();
  if (dispatch_again != nullptr) dispatch_again->Release();
  if (default_interface != nullptr) default_interface->Release();

  bool exempt = false;
  for (const wchar_t* without : kWithoutErrorInfo)
    exempt = exempt || ::wcscmp(without, entry.versioned) == 0;
  ISupportErrorInfo* error_info = nullptr;
  hr = object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&error_info));
  if (exempt) {
    Check(hr == E_NOINTERFACE, name + " offers no ISupportErrorInfo: " + Hex(hr));
  } else if (error_info == nullptr || vtable == nullptr) {
    Check(false, name + " offers ISupportErrorInfo: " + Hex(hr));
  } else {
    TYPEATTR* attributes = nullptr;
    vtable->GetTypeAttr(&attributes);
    Check(error_info->InterfaceSupportsErrorInfo(attributes->guid) == S_OK &&
              error_info->InterfaceSupportsErrorInfo(IID_IDispatch) == S_FALSE,
          name + ": ISupportErrorInfo names its default interface only");
    vtable->ReleaseTypeAttr(attributes);
  }
  if (error_info != nullptr) error_info->Release();

  // Items refuse aggregation; the SDK object accepts it.
  if (*entry.clsid != CLSID_QORVSDK) {
    IUnknown* inner = nullptr;
    hr = ::CoCreateInstance(*entry.clsid, identity, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(&inner));
    Check(hr == CLASS_E_NOAGGREGATION && inner == nullptr,
          name + " refuses aggregation: " + Hex(hr));
    if (inner != nullptr) inner->Release();
  }

  if (vtable != nullptr) {
    *properties += CheckProperties(vtable, object, name);
    vtable->Release();
  }
  object->Release();
  if (other != nullptr) other->Release();
  if (can_unload != nullptr) {
    Check(can_unload() == S_OK, name + ": DllCanUnloadNow is S_OK once it is released");
  }
}

// The SDK object's second dual interface: the same object, its properties
// through the vtable and the object's one IDispatch, and a put out of range
// refused either way without a change.
void CheckTransferSettings(CanUnloadNow can_unload) {
  IDispatch* sdk = nullptr;
  IQORVTransferSettings* settings = nullptr;
  ::CoCreateInstance(CLSID_QORVSDK, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                     reinterpret_cast<void**>(&sdk));
  if (sdk != nullptr) {
    sdk->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(&settings));
  }
  Check(settings != nullptr && Identity(settings) == Identity(sdk),
        "IQORVTransferSettings is an interface of the SDK object");
  if (settings == nullptr) {
    if (sdk != nullptr) sdk->Release();
    return;
  }
  LONG value = -1;
  Check(settings->put_SizeMode(2) == S_OK, "put_SizeMode(2)");
  VARIANT got;
  HRESULT hr = GetBy(nullptr, nullptr, sdk, 103, &got);
  Check(SUCCEEDED(hr) && V_VT(&got) == VT_I4 && V_I4(&got) == 2,
        "SizeMode put by the vtable is 2 through the SDK object's IDispatch: " + Hex(hr));
  ::VariantClear(&got);
  VARIANT put;
  ::VariantInit(&put);
  V_VT(&put) = VT_I4;
  V_I4(&put) = 3;
  hr = PutBy(nullptr, nullptr, sdk, 103, &put);
  Check(hr == DISP_E_EXCEPTION || hr == E_INVALIDARG,
        "SizeMode 3 through IDispatch is refused: " + Hex(hr));
  Check(settings->put_SizeMode(-1) == E_INVALIDARG && SUCCEEDED(settings->get_SizeMode(&value)) &&
            value == 2,
        "SizeMode -1 through the vtable is E_INVALIDARG and SizeMode stays 2");
  V_I4(&put) = 30;
  hr = PutBy(nullptr, nullptr, sdk, 105, &put);
  Check(SUCCEEDED(hr) && SUCCEEDED(settings->get_ReceiveTimeout(&value)) && value == 30,
        "ReceiveTimeout put by IDispatch is 30 through the vtable: " + Hex(hr));
  Check(settings->put_ReceiveTimeout(3601) == E_INVALIDARG &&
            SUCCEEDED(settings->get_ReceiveTimeout(&value)) && value == 30,
        "ReceiveTimeout 3601 is E_INVALIDARG and it stays 30");
  Text file(L"C:\\certs\\ca.pem"), back;
  Check(settings->put_TrustedCAFile(file.get()) == S_OK &&
            SUCCEEDED(settings->get_TrustedCAFile(back.out())) &&
            back.narrow() == "C:\\certs\\ca.pem",
        "TrustedCAFile keeps its text");
  sdk->Release();
  if (can_unload != nullptr) {
    Check(can_unload() == S_FALSE, "the second interface alone holds the module");
  }
  settings->Release();
  if (can_unload != nullptr) {
    Check(can_unload() == S_OK, "DllCanUnloadNow is S_OK once the SDK object is released");
  }
}

}  // namespace

CanUnloadNow LoadCanUnloadNow() {
  wchar_t path[MAX_PATH];
  DWORD size = sizeof(path);
  LONG status = ::RegGetValueW(HKEY_CLASSES_ROOT,
                               L"CLSID\\{6CE1715C-2303-4EF8-9A56-2700C1DD305F}\\InprocServer32",
                               nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
  // The module stays loaded for the program's life, as COM keeps it.
  HMODULE module = status == ERROR_SUCCESS ? ::LoadLibraryW(path) : nullptr;
  auto function = module != nullptr ? reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(
                                          ::GetProcAddress(module, "DllCanUnloadNow")))
                                    : nullptr;
  Check(function != nullptr, "DllCanUnloadNow of the registered module: " + Narrow(path));
  return function;
}

void CheckClassContracts() {
  CanUnloadNow can_unload = LoadCanUnloadNow();
  if (can_unload != nullptr) {
    Check(can_unload() == S_OK, "DllCanUnloadNow is S_OK before any object is made");
  }
  ITypeLib* library = nullptr;
  HRESULT hr = ::LoadRegTypeLib(LIBID_QORVSDKLib, 1, 0, 0, &library);
  Check(SUCCEEDED(hr), "LoadRegTypeLib of QORVSDKLib 1.0: " + Hex(hr));
  if (FAILED(hr)) return;
  int properties = 0;
  for (const ClassEntry& entry : kClasses) CheckClass(entry, library, can_unload, &properties);
  library->Release();
  // The default interfaces hold 47 properties with a put.
  Check(properties == 47, "47 properties with a put, not " + std::to_string(properties));
  CheckTransferSettings(can_unload);

  // A locked class factory holds the module as an object does.
  IClassFactory* factory = nullptr;
  hr = ::CoGetClassObject(CLSID_QORVFileList, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                          reinterpret_cast<void**>(&factory));
  Check(SUCCEEDED(hr), "the class factory of QORVFileList: " + Hex(hr));
  if (factory != nullptr && can_unload != nullptr) {
    factory->LockServer(TRUE);
    factory->Release();
    Check(can_unload() == S_FALSE, "DllCanUnloadNow is S_FALSE while a factory locks the module");
    hr = ::CoGetClassObject(CLSID_QORVFileList, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                            reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) {
      factory->LockServer(FALSE);
      factory->Release();
    }
    Check(can_unload() == S_OK, "DllCanUnloadNow is S_OK once the factory is unlocked");
  }
}

}  // namespace qorv_windows_test
