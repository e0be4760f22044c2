// A Windows COM client of the registered qorvsdk.dll, as any C++ caller
// writes one: the system's headers, the interfaces from the header widl makes
// of the type library, CoCreateInstance by ProgID. Run under Wine by
// scripts/windows-test after `regsvr32 qorvsdk.dll`, against a server that
// holds the sample database:
//   com_client_test.exe HOST PORT
// Beyond the session: every class's contract (class_contract.cc) and the
// SDK object's events (events_check.cc).
// Prints one line per failed check and "N passed, N failed"; the exit code is
// 0 only when nothing failed.
#include <initguid.h>
#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <string>

#include "checks.h"
#include "class_contract.h"
#include "events_check.h"
#include "qorvsdk_idl.h"

namespace {

using qorv_windows_test::Check;
using qorv_windows_test::Hex;
using qorv_windows_test::Narrow;
using qorv_windows_test::Text;

// IID_NULL of GetIDsOfNames.
constexpr IID kNoInterface = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

std::wstring Wide(const char* text) {
  std::wstring result;
  for (; *text != '\0'; ++text) result.push_back(static_cast<wchar_t>(*text));
  return result;
}

std::string RegistryDefault(const wchar_t* key, const wchar_t* value_name = nullptr) {
  wchar_t data[512];
  DWORD size = sizeof(data);
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key, value_name, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return "(missing)";
  }
  return Narrow(data);
}

// Registration: the ProgIDs name the CLSIDs of the table, CurVer the
// versioned ProgID, and the class key the module, apartment-threaded.
void CheckRegistration() {
  CLSID independent{}, versioned{};
  Check(SUCCEEDED(::CLSIDFromProgID(L"KeltoQorSDK.QorSDK", &independent)) &&
            SUCCEEDED(::CLSIDFromProgID(L"KeltoQorSDK.QorSDK.1", &versioned)) &&
            independent == CLSID_QORVSDK && versioned == CLSID_QORVSDK,
        "both ProgIDs of the SDK object name CLSID_QORVSDK");
  Check(RegistryDefault(L"KeltoQorSDK.QorSDK\\CurVer") == "KeltoQorSDK.QorSDK.1",
        "CurVer names the versioned ProgID");
  CLSID set{}, set_short{}, item{};
  Check(SUCCEEDED(::CLSIDFromProgID(L"KeltoQorSDK.QORVSubProjectsFromParent.1", &set)) &&
            SUCCEEDED(::CLSIDFromProgID(L"KeltoQorSDK.QORVSubProjectsFromParentSe", &set_short)) &&
            SUCCEEDED(::CLSIDFromProgID(L"KeltoQorSDK.QORSubProjectsFromParent.1", &item)) &&
            set == CLSID_QORVSubProjectsFromParentSet && set_short == set &&
            item == CLSID_QORVSubProjectsFromParent,
        "the sub-projects set and item by their ProgIDs");
  const wchar_t* server = L"CLSID\\{6CE1715C-2303-4EF8-9A56-2700C1DD305F}\\InprocServer32";
  Check(RegistryDefault(server, L"ThreadingModel") == "Apartment",
        "InprocServer32 of the SDK object is apartment-threaded");
  std::string module = RegistryDefault(server);
  Check(module.size() > 11 && module.substr(module.size() - 11) == "qorvsdk.dll",
        "InprocServer32 names qorvsdk.dll, not " + module);
}

// The type library is registered and agrees with every class's IDispatch:
// each member of each coclass's default interface has the same DISPID in
// the library as the object's GetIDsOfNames gives.
void CheckTypeLibrary() {
  ITypeLib* library = nullptr;
  HRESULT hr = ::LoadRegTypeLib(LIBID_QORVSDKLib, 1, 0, 0, &library);
  Check(SUCCEEDED(hr), "LoadRegTypeLib of QORVSDKLib 1.0: " + Hex(hr));
  if (FAILED(hr)) return;
  BSTR name = nullptr, help = nullptr;
  library->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  Check(Narrow(name) == "QORVSDKLib" && Narrow(help) == "KeltoQorSDK 1.0 Type Library",
        "library name and help string: " + Narrow(name) + ", " + Narrow(help));
  ::SysFreeString(name);
  ::SysFreeString(help);

  int coclasses = 0, mismatches = 0, members = 0;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind;
    if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
    ITypeInfo* coclass = nullptr;
    library->GetTypeInfo(i, &coclass);
    TYPEATTR* attributes = nullptr;
    coclass->GetTypeAttr(&attributes);
    CLSID clsid = attributes->guid;
    coclass->ReleaseTypeAttr(attributes);
    HREFTYPE reference = 0;
    ITypeInfo* interface_info = nullptr;
    coclass->GetRefTypeOfImplType(0, &reference);
    coclass->GetRefTypeInfo(reference, &interface_info);
    BSTR class_name = nullptr;
    coclass->GetDocumentation(MEMBERID_NIL, &class_name, nullptr, nullptr, nullptr);
    ++coclasses;
    IDispatch* object = nullptr;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(&object));
    Check(SUCCEEDED(hr), "CoCreateInstance of " + Narrow(class_name) + ": " + Hex(hr));
    if (SUCCEEDED(hr) && interface_info != nullptr) {
      TYPEATTR* interface_attributes = nullptr;
      interface_info->GetTypeAttr(&interface_attributes);
      for (WORD f = 0; f < interface_attributes->cFuncs; ++f) {
        FUNCDESC* function = nullptr;
        interface_info->GetFuncDesc(f, &function);
        BSTR member = nullptr;
        UINT got = 0;
        interface_info->GetNames(function->memid, &member, 1, &got);
        DISPID dispid = DISPID_UNKNOWN;
        LPOLESTR names[] = {member};
        object->GetIDsOfNames(kNoInterface, names, 1, LOCALE_USER_DEFAULT, &dispid);
        // The IDispatch members themselves are the system's.
        if (function->memid < 0x60000000 && dispid != function->memid) {
          ++mismatches;
          std::printf("  %s.%s: library %ld, object %ld\n", Narrow(class_name).c_str(),
                      Narrow(member).c_str(), static_cast<long>(function->memid),
                      static_cast<long>(dispid));
        }
        ++members;
        ::SysFreeString(member);
        interface_info->ReleaseFuncDesc(function);
      }
      interface_info->ReleaseTypeAttr(interface_attributes);
    }
    if (object != nullptr) object->Release();
    if (interface_info != nullptr) interface_info->Release();
    ::SysFreeString(class_name);
    coclass->Release();
  }
  library->Release();
  Check(coclasses == 38, "38 coclasses in the library, not " + std::to_string(coclasses));
  Check(members > 300 && mismatches == 0,
        std::to_string(mismatches) + " of " + std::to_string(members) +
            " members differ between the library and the objects");
}

// An item class through its vtable: every put is read back.
void CheckItem() {
  IQORVAddFile* item = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_QORVAddFile, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IQORVAddFile, reinterpret_cast<void**>(&item));
  Check(SUCCEEDED(hr), "CoCreateInstance of QORVAddFile: " + Hex(hr));
  if (FAILED(hr)) return;
  Text name(L"C:\\work\\a.txt");
  item->put_LocalFileName(name.get());
  item->put_FileType(Enum_Binary);
  Text back;
  Enum_FileType type = Enum_Autodetect;
  Check(SUCCEEDED(item->get_LocalFileName(back.out())) && back.narrow() == "C:\\work\\a.txt" &&
            SUCCEEDED(item->get_FileType(&type)) && type == Enum_Binary,
        "QORVAddFile keeps what was put");
  IUnknown* outer_test = nullptr;
  hr =
      ::CoCreateInstance(CLSID_QORVAddFile, reinterpret_cast<IUnknown*>(item), CLSCTX_INPROC_SERVER,
                         IID_IUnknown, reinterpret_cast<void**>(&outer_test));
  Check(hr == CLASS_E_NOAGGREGATION, "an item class refuses aggregation: " + Hex(hr));
  item->Release();
}

// A session against the server: connect, log in, a query, a get.
void CheckSession(const std::wstring& host, LONG port) {
  IQORVSDK* sdk = nullptr;
  CLSID clsid{};
  ::CLSIDFromProgID(L"KeltoQorSDK.QorSDK", &clsid);
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVSDK,
                                  reinterpret_cast<void**>(&sdk));
  Check(SUCCEEDED(hr), "CoCreateInstance(\"KeltoQorSDK.QorSDK\"): " + Hex(hr));
  if (FAILED(hr)) return;

  Text server(host.c_str()), empty(L""), description;
  VARIANT_BOOL connected = VARIANT_FALSE, canceled = VARIANT_FALSE;
  Enum_EncryptType encryption = Enum_Unencrypted;
  LONG result = -1;
  hr = sdk->ConnectToServer(server.get(), port, &connected, &encryption, &canceled,
                            description.out(), Enum_NOPROXY, empty.get(), 0, empty.get(),
                            empty.get(), &result);
  Check(SUCCEEDED(hr) && connected == VARIANT_TRUE && result == 0,
        "ConnectToServer: " + description.narrow() + " (" + std::to_string(result) + ")");

  Text user(L"alice"), password(L"wonderland"), database(L"Demo");
  VARIANT_BOOL must_change = VARIANT_FALSE;
  LONG expire_days = 0;
  hr = sdk->Login(user.get(), password.get(), database.get(), nullptr, &must_change, &expire_days,
                  &canceled, description.out(), &result);
  Check(SUCCEEDED(hr) && result == 0,
        "Login: " + description.narrow() + " (" + std::to_string(result) + ")");

  Text project(L"$/Game/src");
  IQORVFileListSet* files = nullptr;
  hr = sdk->GetFileListFromProject(project.get(), &files, &canceled, description.out(), &result);
  Check(SUCCEEDED(hr) && result == 0 && files != nullptr,
        "GetFileListFromProject: " + description.narrow());
  if (files != nullptr) {
    LONG count = 0;
    files->get_Count(&count);
    std::string names;
    for (LONG i = 0; i < count; ++i) {
      VARIANT entry;
      ::VariantInit(&entry);
      if (SUCCEEDED(files->get_Item(i, &entry)) && V_VT(&entry) == VT_DISPATCH) {
        IQORVFileList* file = nullptr;
        V_DISPATCH(&entry)->QueryInterface(IID_IQORVFileList, reinterpret_cast<void**>(&file));
        if (file != nullptr) {
          Text name;
          file->get_FileName(name.out());
          names += name.narrow() + ";";
          file->Release();
        }
      }
      ::VariantClear(&entry);
    }
    Check(count == 2 && names.find("main.c;") != std::string::npos &&
              names.find("util.c;") != std::string::npos,
          "the files of $/Game/src: " + names);
    files->Release();
  }

  // The get: $/Game/src/main.c (110 bytes) into a temporary folder.
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"qorv_client_test";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring local = folder + L"\\main.c";
  ::DeleteFileW(local.c_str());
  IQORVLatestFile* wanted = nullptr;
  IQORVLatestFileSet* set = nullptr;
  ::CoCreateInstance(CLSID_QORVLatestFile, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVLatestFile,
                     reinterpret_cast<void**>(&wanted));
  ::CoCreateInstance(CLSID_QORVLatestFileSet, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVLatestFileSet,
                     reinterpret_cast<void**>(&set));
  if (wanted != nullptr && set != nullptr) {
    Text remote(L"$/Game/src/main.c"), local_name(local.c_str());
    wanted->put_FileToGet(remote.get());
    wanted->put_LocalFileName(local_name.get());
    VARIANT_BOOL added = VARIANT_FALSE;
    set->Add(wanted, &added);
    IQORVOperationResultSet* outcome = nullptr;
    hr = sdk->GetLatestFiles(set, VARIANT_FALSE, Enum_WritableFileHandling(0), Enum_CRLF,
                             Enum_SetLocalFileTime(0), empty.get(), empty.get(), &canceled,
                             description.out(), &outcome, &result);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    bool present = ::GetFileAttributesExW(local.c_str(), GetFileExInfoStandard, &data);
    Check(SUCCEEDED(hr) && result == 0 && present && data.nFileSizeLow >= 110,
          "GetLatestFiles of $/Game/src/main.c: " + description.narrow() + " (" +
              std::to_string(result) + "), " + std::to_string(data.nFileSizeLow) + " bytes");
    if (outcome != nullptr) outcome->Release();
  } else {
    Check(false, "the latest-file item and set can be created");
  }
  if (wanted != nullptr) wanted->Release();
  if (set != nullptr) set->Release();
  ::SetFileAttributesW(local.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(local.c_str());
  ::RemoveDirectoryW(folder.c_str());
  sdk->Release();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: com_client_test HOST PORT\n");
    return 2;
  }
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CheckRegistration();
  CheckTypeLibrary();
  CheckItem();
  qorv_windows_test::CheckClassContracts();
  const std::wstring host = Wide(argv[1]);
  const LONG port = static_cast<LONG>(std::atol(argv[2]));
  CheckSession(host, port);
  qorv_windows_test::CheckEvents(host, port);
  ::CoFreeUnusedLibraries();
  ::CoUninitialize();
  return qorv_windows_test::Summary() ? 0 : 1;
}
