// qorvreg: registers or unregisters an in-process server module, as regsvr32
// does: loads the module and calls its DllRegisterServer (or, with /u,
// DllUnregisterServer). The registry written is the one activation reads
// ($QORV_REGISTRY, else the per-user file; see docs/registry.md).
//
//   qorvreg [/u] [/s] path/to/libqorvsdk.so
//   qorvreg --help | --version
//
// /u unregisters, /s prints nothing on success (also -u, -s). Exit status 0
// on success, 1 when the module cannot be loaded or its entry point fails
// (or anything else goes wrong), 2 for a usage error (an unknown option such
// as --frobnicate is never taken for a module).
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "platform/com/activation_problem.h"
#include "qorvsdk/activation.h"
#include "qorvsdk/comtypes.h"

#ifndef QORV_VERSION
#define QORV_VERSION "unknown"
#endif

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: qorvreg [/u] [/s] path/to/module.so\n"
    "Registers an in-process server module (calls its DllRegisterServer) in the\n"
    "registry activation reads ($QORV_REGISTRY, else the per-user file; the\n"
    "system-wide one is written with QORV_REGISTRY set to its path).\n"
    "  /u, -u   unregister instead (DllUnregisterServer)\n"
    "  /s, -s   print nothing on success\n"
    "  --help   show this help\n"
    "  --version  show the version\n";

bool IsHelp(const char* argument) {
  return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 ||
         std::strcmp(argument, "/?") == 0 || std::strcmp(argument, "-?") == 0;
}

bool IsOption(const char* argument, char letter) {
  return (argument[0] == '/' || argument[0] == '-') &&
         (argument[1] == letter || argument[1] == letter - 'a' + 'A') && argument[2] == '\0';
}

const char* Explain(HRESULT hr) {
  switch (hr) {
    case CO_E_DLLNOTFOUND:
      return "the module could not be loaded";
    case CO_E_ERRORINDLL:
      return "the module has no such entry point";
    case REGDB_E_READREGDB:
      return "the registry file could not be read";
    case REGDB_E_WRITEREGDB:
      return "the registry file could not be written";
    case SELFREG_E_CLASS:
      return "a class could not be registered";
    case SELFREG_E_TYPELIB:
      return "the type library could not be registered";
    default:
      return "the entry point failed";
  }
}

}  // namespace

int main(int argc, char** argv) try {
  bool unregister = false;
  bool silent = false;
  const char* module = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (IsHelp(argv[i])) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("qorvreg " QORV_VERSION "\n", stdout);
      return 0;
    }
  }
  for (int i = 1; i < argc; ++i) {
    if (IsOption(argv[i], 'u')) {
      unregister = true;
    } else if (IsOption(argv[i], 's')) {
      silent = true;
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "qorvreg: unknown option %s\n%s", argv[i], kUsage);
      return kExitUsage;
    } else if (module == nullptr) {
      module = argv[i];
    } else {
      module = nullptr;
      break;
    }
  }
  if (module == nullptr) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  HRESULT hr = unregister ? QorvUnregisterModule(module) : QorvRegisterModule(module);
  if (FAILED(hr)) {
    // The loader's reason names what is missing (the file, a library it
    // needs, a symbol).
    const std::string reason =
        hr == CO_E_DLLNOTFOUND ? ": " + qorv::platform::ModuleLoadProblem(module) : "";
    std::fprintf(stderr, "qorvreg: %s in %s failed: %s%s (0x%08X)\n", entry, module, Explain(hr),
                 reason.c_str(), static_cast<unsigned>(hr));
    return kExitFailed;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", entry, module);
  return 0;
} catch (const std::exception& error) {
  std::fprintf(stderr, "qorvreg: internal error: %s\n", error.what());
  return kExitFailed;
}
