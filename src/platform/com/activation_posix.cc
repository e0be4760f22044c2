// Activation through the file-backed registry, as CoCreateInstance does it:
// ProgID -> CLSID -> InprocServer32 module -> DllGetClassObject.
#include "qorvsdk/activation.h"

#include <new>
#include <string>
#include <vector>

#include "platform/com/boundary_guard.h"
#include "platform/com/module_loader.h"
#include "platform/com/mutex.h"
#include "platform/com/registry_file.h"
#include "platform/com/text_convert.h"

namespace qorv::platform {
namespace {

constexpr char kGetClassObjectExport[] = "DllGetClassObject";
constexpr char kCanUnloadNowExport[] = "DllCanUnloadNow";

// The modules loaded by activation, kept until QorvCoFreeUnusedLibraries
// finds them unused. Like COM's own table of loaded servers it is shared by
// the whole process; the mutex lets any thread activate.
class LoadedModules {
 public:
  // The loaded module for `path`, loading it on first use; null on failure.
  ModuleHandle Get(const std::string& path) QORV_EXCLUDES(mutex_) {
    MutexLock lock(mutex_);
    for (const Entry& entry : modules_) {
      if (entry.path == path) return entry.handle;
    }
    ModuleHandle handle = LoadModuleFile(path);
    if (handle != nullptr) modules_.push_back({path, handle});
    return handle;
  }

  void FreeUnused() QORV_EXCLUDES(mutex_) {
    MutexLock lock(mutex_);
    for (size_t i = 0; i < modules_.size();) {
      auto can_unload = reinterpret_cast<DllCanUnloadNowFunc>(
          FindModuleSymbol(modules_[i].handle, kCanUnloadNowExport));
      if (can_unload != nullptr && can_unload() == S_OK) {
        UnloadModuleFile(modules_[i].handle);
        modules_.erase(modules_.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }

 private:
  struct Entry {
    std::string path;
    ModuleHandle handle;
  };
  Mutex mutex_;
  std::vector<Entry> modules_ QORV_GUARDED_BY(mutex_);
};

// Never destroyed: objects of loaded modules may outlive static destruction.
LoadedModules& Modules() {
  static LoadedModules* modules = new LoadedModules();
  return *modules;
}

std::string GuidText(REFGUID guid) {
  OLECHAR text[40];
  StringFromGUID2(guid, text, 40);
  return Utf16ToUtf8(text);
}

}  // namespace
}  // namespace qorv::platform

using qorv::platform::RegistryKey;

extern "C" {

QORV_EXPORT HRESULT QorvCLSIDFromProgID(LPCOLESTR prog_id, CLSID* clsid) {
  if (prog_id == nullptr || clsid == nullptr) return E_INVALIDARG;
  try {
    std::string name = qorv::Utf16ToUtf8(prog_id);
    // A ProgID is one key name; a "\" would walk into other keys.
    if (name.empty() || name.find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    RegistryKey root;
    HRESULT hr = qorv::platform::ReadActiveRegistry(&root);
    if (FAILED(hr)) return hr;
    const RegistryKey* key = root.Find(name + "\\CLSID");
    const std::string* value = key != nullptr ? key->Value("") : nullptr;
    if (value == nullptr) return CO_E_CLASSSTRING;
    std::u16string text = qorv::Utf8ToUtf16(*value);
    return SUCCEEDED(CLSIDFromString(text.c_str(), clsid)) ? S_OK : CO_E_CLASSSTRING;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

QORV_EXPORT HRESULT QorvCoGetClassObject(REFCLSID clsid, DWORD context, void* /*reserved*/,
                                         REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  try {
    RegistryKey root;
    HRESULT hr = qorv::platform::ReadActiveRegistry(&root);
    if (FAILED(hr)) return hr;
    const RegistryKey* server =
        root.Find("CLSID\\" + qorv::platform::GuidText(clsid) + "\\InprocServer32");
    const std::string* module_path = server != nullptr ? server->Value("") : nullptr;
    if (module_path == nullptr || module_path->empty()) return REGDB_E_CLASSNOTREG;
    qorv::platform::ModuleHandle module = qorv::platform::Modules().Get(*module_path);
    if (module == nullptr) return CO_E_DLLNOTFOUND;
    auto get_class_object = reinterpret_cast<DllGetClassObjectFunc>(
        qorv::platform::FindModuleSymbol(module, qorv::platform::kGetClassObjectExport));
    if (get_class_object == nullptr) return CO_E_ERRORINDLL;
    return get_class_object(clsid, riid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

QORV_EXPORT HRESULT QorvCoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context,
                                         REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = QorvCoGetClassObject(clsid, context, nullptr, IID_IClassFactory,
                                    reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, object);
  factory->Release();
  return hr;
}

QORV_EXPORT void QorvCoFreeUnusedLibraries(void) { qorv::platform::Modules().FreeUnused(); }

}  // extern "C"
