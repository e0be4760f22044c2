/* A caller written in plain C that knows the component only from its
 * documented binary interface: it declares GUID, BSTR, VARIANT and the
 * IUnknown, IClassFactory and IDispatch vtables itself, includes no header of
 * the project, loads the built module with dlopen and works with items both
 * through their vtables and through IDispatch::Invoke by name. It then
 * registers the module into a private registry file, activates the SDK object
 * by ProgID through the module's activation entry points, finds the event
 * connection point by the event interface's DIID and connects and disconnects
 * a sink it implements itself.
 * Exit status 0 when every check passes. */
#include <dlfcn.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int32_t HRESULT;
typedef uint16_t OLECHAR;
typedef OLECHAR* BSTR;
typedef int16_t VARIANT_BOOL;

typedef struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

/* 24 bytes: type, three reserved words, an 8-byte value and a second word. */
typedef struct VARIANT {
  uint16_t vt;
  uint16_t reserved[3];
  union {
    int32_t lVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    void* pointer;
    double date;
    struct {
      void* first;
      void* second;
    } record;
  } value;
} VARIANT;

typedef struct DISPPARAMS {
  VARIANT* rgvarg;
  int32_t* rgdispidNamedArgs;
  uint32_t cArgs;
  uint32_t cNamedArgs;
} DISPPARAMS;

/* The object's first word points at its vtable; `self` is passed first. */
typedef struct IUnknownVtbl {
  HRESULT (*QueryInterface)(void* self, const GUID* riid, void** object);
  uint32_t (*AddRef)(void* self);
  uint32_t (*Release)(void* self);
} IUnknownVtbl;

typedef struct IClassFactoryVtbl {
  IUnknownVtbl unknown;
  HRESULT (*CreateInstance)(void* self, void* outer, const GUID* riid, void** object);
  HRESULT (*LockServer)(void* self, int32_t lock);
} IClassFactoryVtbl;

typedef struct IDispatchVtbl {
  IUnknownVtbl unknown;
  HRESULT (*GetTypeInfoCount)(void* self, uint32_t* count);
  HRESULT (*GetTypeInfo)(void* self, uint32_t index, uint32_t lcid, void** info);
  HRESULT (*GetIDsOfNames)
  (void* self, const GUID* riid, OLECHAR** names, uint32_t count, uint32_t lcid, int32_t* dispids);
  HRESULT (*Invoke)
  (void* self, int32_t dispid, const GUID* riid, uint32_t lcid, uint16_t flags, DISPPARAMS* params,
   VARIANT* result, void* exception, uint32_t* arg_error);
} IDispatchVtbl;

/* IQORVAddFile: IDispatch, then get/put LocalFileName, RemoteFileName,
 * FileType. */
typedef struct IQORVAddFileVtbl {
  IDispatchVtbl dispatch;
  HRESULT (*get_LocalFileName)(void* self, BSTR* value);
  HRESULT (*put_LocalFileName)(void* self, BSTR value);
  HRESULT (*get_RemoteFileName)(void* self, BSTR* value);
  HRESULT (*put_RemoteFileName)(void* self, BSTR value);
  HRESULT (*get_FileType)(void* self, int32_t* value);
  HRESULT (*put_FileType)(void* self, int32_t value);
} IQORVAddFileVtbl;

/* IQORVAddFileSet: IDispatch, then Add. */
typedef struct IQORVAddFileSetVtbl {
  IDispatchVtbl dispatch;
  HRESULT (*Add)(void* self, void* item, VARIANT_BOOL* successful);
} IQORVAddFileSetVtbl;

/* IConnectionPointContainer: EnumConnectionPoints, FindConnectionPoint. */
typedef struct IConnectionPointContainerVtbl {
  IUnknownVtbl unknown;
  HRESULT (*EnumConnectionPoints)(void* self, void** points);
  HRESULT (*FindConnectionPoint)(void* self, const GUID* riid, void** point);
} IConnectionPointContainerVtbl;

/* IConnectionPoint: GetConnectionInterface, GetConnectionPointContainer,
 * Advise, Unadvise, EnumConnections. */
typedef struct IConnectionPointVtbl {
  IUnknownVtbl unknown;
  HRESULT (*GetConnectionInterface)(void* self, GUID* iid);
  HRESULT (*GetConnectionPointContainer)(void* self, void** container);
  HRESULT (*Advise)(void* self, void* sink, uint32_t* cookie);
  HRESULT (*Unadvise)(void* self, uint32_t cookie);
  HRESULT (*EnumConnections)(void* self, void** connections);
} IConnectionPointVtbl;

typedef struct Object {
  const void* vtable;
} Object;

#define VTABLE(object, type) ((const type*)((Object*)(object))->vtable)

enum {
  kVtEmpty = 0,
  kVtI4 = 3,
  kVtBstr = 8,
  kDispatchPropertyGet = 2,
  kDispatchPropertyPut = 4,
  kDispidPropertyPut = -3
};
static const HRESULT kSOk = 0;
static const HRESULT kSFalse = 1;
static const HRESULT kClassENoAggregation = (HRESULT)0x80040110u;

static const HRESULT kENoInterface = (HRESULT)0x80004002u;
static const GUID kIidIUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID kIidIDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID kIidConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
static const GUID kDiidSdkEvents = {
    0x2342C081, 0x181A, 0x4C91, {0x8A, 0x46, 0xB0, 0xAC, 0x5E, 0xD8, 0xC8, 0x44}};
static const GUID kIidNull = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
static const GUID kIidIClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID kClsidAddFile = {
    0xBD57D7BB, 0x3BBD, 0x4E20, {0xA9, 0x65, 0x09, 0xB9, 0xA0, 0x22, 0x1D, 0x93}};
static const GUID kIidAddFile = {
    0x31F7B31D, 0x4885, 0x499E, {0x8A, 0xAD, 0x66, 0xA6, 0xA5, 0xCC, 0xA3, 0x6F}};
static const GUID kClsidAddFileSet = {
    0xC0C55B50, 0x61EB, 0x4941, {0x94, 0xA8, 0xE1, 0xC3, 0x56, 0x1D, 0xBC, 0xBA}};
static const GUID kIidAddFileSet = {
    0x302F24DA, 0xE394, 0x49F5, {0xB0, 0x4F, 0x83, 0xAE, 0xC4, 0xB5, 0x73, 0x0B}};

typedef HRESULT (*GetClassObjectFn)(const GUID* clsid, const GUID* riid, void** object);
typedef HRESULT (*CanUnloadNowFn)(void);
typedef BSTR (*SysAllocStringFn)(const OLECHAR* text);
typedef void (*SysFreeStringFn)(BSTR text);
typedef uint32_t (*SysStringLenFn)(BSTR text);
typedef HRESULT (*VariantClearFn)(VARIANT* value);
typedef HRESULT (*RegisterServerFn)(void);
typedef HRESULT (*ClsidFromProgIdFn)(const OLECHAR* prog_id, GUID* clsid);
typedef HRESULT (*CoCreateInstanceFn)(const GUID* clsid, void* outer, uint32_t context,
                                      const GUID* riid, void** object);

static GetClassObjectFn get_class_object;
static CanUnloadNowFn can_unload_now;
static SysAllocStringFn sys_alloc_string;
static SysFreeStringFn sys_free_string;
static SysStringLenFn sys_string_len;
static VariantClearFn variant_clear;
static int failures;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

/* ASCII to a new BSTR. */
static BSTR MakeText(const char* text) {
  OLECHAR wide[128];
  size_t i = 0;
  for (; text[i] != '\0' && i + 1 < sizeof(wide) / sizeof(wide[0]); ++i) wide[i] = (OLECHAR)text[i];
  wide[i] = 0;
  return sys_alloc_string(wide);
}

/* Compares a BSTR with ASCII text. */
static int TextEquals(BSTR value, const char* text) {
  size_t length = strlen(text);
  if (value == NULL || sys_string_len(value) != length) return 0;
  for (size_t i = 0; i < length; ++i) {
    if (value[i] != (OLECHAR)text[i]) return 0;
  }
  return 1;
}

static void* Create(const GUID* clsid, const GUID* iid) {
  void* factory = NULL;
  void* object = NULL;
  CHECK(get_class_object(clsid, &kIidIClassFactory, &factory) == kSOk);
  if (factory == NULL) return NULL;
  CHECK(VTABLE(factory, IClassFactoryVtbl)->CreateInstance(factory, NULL, iid, &object) == kSOk);
  /* Items cannot be aggregated. */
  void* aggregated = NULL;
  CHECK(VTABLE(factory, IClassFactoryVtbl)->CreateInstance(factory, object, iid, &aggregated) ==
        kClassENoAggregation);
  VTABLE(factory, IUnknownVtbl)->Release(factory);
  return object;
}

static int32_t DispatchIdOf(void* object, const char* name) {
  BSTR text = MakeText(name);
  int32_t dispid = 12345;
  CHECK(VTABLE(object, IDispatchVtbl)->GetIDsOfNames(object, &kIidNull, &text, 1, 0x400, &dispid) ==
        kSOk);
  sys_free_string(text);
  return dispid;
}

static void ThroughVtable(void* item) {
  const IQORVAddFileVtbl* vtbl = VTABLE(item, IQORVAddFileVtbl);
  BSTR text = MakeText("C:/work/a.txt");
  CHECK(vtbl->put_LocalFileName(item, text) == kSOk);
  sys_free_string(text);
  BSTR read = NULL;
  CHECK(vtbl->get_LocalFileName(item, &read) == kSOk);
  CHECK(TextEquals(read, "C:/work/a.txt"));
  sys_free_string(read);
  CHECK(vtbl->put_FileType(item, 2) == kSOk);
  int32_t type = -1;
  CHECK(vtbl->get_FileType(item, &type) == kSOk);
  CHECK(type == 2);
}

static void ThroughDispatch(void* item) {
  const IDispatchVtbl* dispatch = VTABLE(item, IDispatchVtbl);
  int32_t remote = DispatchIdOf(item, "remotefilename");
  CHECK(remote == 2);
  CHECK(DispatchIdOf(item, "FileType") == 3);

  VARIANT value;
  memset(&value, 0, sizeof(value));
  value.vt = kVtBstr;
  value.value.bstrVal = MakeText("$/proj/a.txt");
  int32_t named = kDispidPropertyPut;
  DISPPARAMS put = {&value, &named, 1, 1};
  uint32_t arg_error = 0;
  CHECK(dispatch->Invoke(item, remote, &kIidNull, 0x400, kDispatchPropertyPut, &put, NULL, NULL,
                         &arg_error) == kSOk);
  variant_clear(&value);

  DISPPARAMS none = {NULL, NULL, 0, 0};
  VARIANT result;
  memset(&result, 0xAB, sizeof(result)); /* an [out] VARIANT need not be initialised */
  CHECK(dispatch->Invoke(item, remote, &kIidNull, 0x400, kDispatchPropertyGet, &none, &result, NULL,
                         &arg_error) == kSOk);
  CHECK(result.vt == kVtBstr && TextEquals(result.value.bstrVal, "$/proj/a.txt"));
  variant_clear(&result);

  /* The value put through IDispatch is the one the vtable reads. */
  BSTR read = NULL;
  CHECK(VTABLE(item, IQORVAddFileVtbl)->get_RemoteFileName(item, &read) == kSOk);
  CHECK(TextEquals(read, "$/proj/a.txt"));
  sys_free_string(read);

  CHECK(dispatch->Invoke(item, 3, &kIidNull, 0x400, kDispatchPropertyGet, &none, &result, NULL,
                         &arg_error) == kSOk);
  CHECK(result.vt == kVtI4 && result.value.lVal == 2);
}

/* An event sink of our own: IDispatch whose Invoke counts the calls. */
typedef struct Sink {
  const IDispatchVtbl* vtable;
  uint32_t references;
  int invocations;
} Sink;

static int SameGuid(const GUID* a, const GUID* b) { return memcmp(a, b, sizeof(GUID)) == 0; }

static HRESULT SinkQueryInterface(void* self, const GUID* riid, void** object) {
  if (SameGuid(riid, &kIidIUnknown) || SameGuid(riid, &kIidIDispatch) ||
      SameGuid(riid, &kDiidSdkEvents)) {
    ((Sink*)self)->references++;
    *object = self;
    return kSOk;
  }
  *object = NULL;
  return kENoInterface;
}
static uint32_t SinkAddRef(void* self) { return ++((Sink*)self)->references; }
static uint32_t SinkRelease(void* self) { return --((Sink*)self)->references; }
static HRESULT SinkGetTypeInfoCount(void* self, uint32_t* count) {
  (void)self;
  *count = 0;
  return kSOk;
}
static HRESULT SinkGetTypeInfo(void* self, uint32_t index, uint32_t lcid, void** info) {
  (void)self, (void)index, (void)lcid;
  *info = NULL;
  return (HRESULT)0x8002000Bu;
}
static HRESULT SinkGetIDsOfNames(void* self, const GUID* riid, OLECHAR** names, uint32_t count,
                                 uint32_t lcid, int32_t* dispids) {
  (void)self, (void)riid, (void)names, (void)count, (void)lcid, (void)dispids;
  return (HRESULT)0x80020006u;
}
static HRESULT SinkInvoke(void* self, int32_t dispid, const GUID* riid, uint32_t lcid,
                          uint16_t flags, DISPPARAMS* params, VARIANT* result, void* exception,
                          uint32_t* arg_error) {
  (void)dispid, (void)riid, (void)lcid, (void)flags, (void)params, (void)result, (void)exception,
      (void)arg_error;
  ((Sink*)self)->invocations++;
  return kSOk;
}
static const IDispatchVtbl kSinkVtable = {
    {SinkQueryInterface, SinkAddRef, SinkRelease},
    SinkGetTypeInfoCount,
    SinkGetTypeInfo,
    SinkGetIDsOfNames,
    SinkInvoke};

/* Registers the module into a private registry, creates the SDK object by
 * ProgID and connects a sink to its event connection point. */
static void SdkObjectAndEvents(void* module) {
  RegisterServerFn register_server = (RegisterServerFn)dlsym(module, "DllRegisterServer");
  RegisterServerFn unregister_server = (RegisterServerFn)dlsym(module, "DllUnregisterServer");
  ClsidFromProgIdFn clsid_from_prog_id = (ClsidFromProgIdFn)dlsym(module, "QorvCLSIDFromProgID");
  CoCreateInstanceFn co_create_instance = (CoCreateInstanceFn)dlsym(module, "QorvCoCreateInstance");
  CHECK(register_server && unregister_server && clsid_from_prog_id && co_create_instance);
  if (!register_server || !unregister_server || !clsid_from_prog_id || !co_create_instance) return;

  char registry[] = "/tmp/qorv-c-caller-registry-XXXXXX";
  int fd = mkstemp(registry);
  CHECK(fd >= 0);
  if (fd < 0) return;
  close(fd);
  unlink(registry); /* an empty registry: the file does not exist yet */
  setenv("QORV_REGISTRY", registry, 1);
  CHECK(register_server() == kSOk);

  OLECHAR prog_id[32];
  const char* name = "KeltoQorSDK.QorSDK";
  size_t i = 0;
  for (; name[i] != '\0'; ++i) prog_id[i] = (OLECHAR)name[i];
  prog_id[i] = 0;
  GUID clsid;
  CHECK(clsid_from_prog_id(prog_id, &clsid) == kSOk);
  void* container = NULL;
  CHECK(co_create_instance(&clsid, NULL, 1, &kIidConnectionPointContainer, &container) == kSOk);
  if (container != NULL) {
    void* point = NULL;
    CHECK(VTABLE(container, IConnectionPointContainerVtbl)
              ->FindConnectionPoint(container, &kDiidSdkEvents, &point) == kSOk);
    if (point != NULL) {
      Sink sink = {&kSinkVtable, 1, 0};
      uint32_t cookie = 0;
      CHECK(VTABLE(point, IConnectionPointVtbl)->Advise(point, &sink, &cookie) == kSOk);
      CHECK(cookie != 0);
      CHECK(sink.references == 2); /* the point holds one reference */
      CHECK(VTABLE(point, IConnectionPointVtbl)->Unadvise(point, cookie) == kSOk);
      CHECK(sink.references == 1);
      CHECK(VTABLE(point, IConnectionPointVtbl)->Unadvise(point, cookie) != kSOk);
      VTABLE(point, IUnknownVtbl)->Release(point);
    }
    VTABLE(container, IUnknownVtbl)->Release(container);
  }
  CHECK(unregister_server() == kSOk);
  unlink(registry);
  char lock[sizeof(registry) + 8];
  snprintf(lock, sizeof(lock), "%s.lock", registry);
  unlink(lock);
  unsetenv("QORV_REGISTRY");
}

int main(void) {
  void* module = dlopen(QORV_TEST_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (module == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", QORV_TEST_MODULE_PATH, dlerror());
    return 1;
  }
  get_class_object = (GetClassObjectFn)dlsym(module, "DllGetClassObject");
  can_unload_now = (CanUnloadNowFn)dlsym(module, "DllCanUnloadNow");
  sys_alloc_string = (SysAllocStringFn)dlsym(module, "SysAllocString");
  sys_free_string = (SysFreeStringFn)dlsym(module, "SysFreeString");
  sys_string_len = (SysStringLenFn)dlsym(module, "SysStringLen");
  variant_clear = (VariantClearFn)dlsym(module, "VariantClear");
  if (!get_class_object || !can_unload_now || !sys_alloc_string || !sys_free_string ||
      !sys_string_len || !variant_clear) {
    fprintf(stderr, "an entry point is missing\n");
    return 1;
  }
  CHECK(sizeof(VARIANT) == 24);
  /* A host with its own event loop hooks into the SDK's waits through it. */
  CHECK(dlsym(module, "QorvSetWaitCallback") != NULL);

  void* item = Create(&kClsidAddFile, &kIidAddFile);
  void* set = Create(&kClsidAddFileSet, &kIidAddFileSet);
  CHECK(item != NULL && set != NULL);
  if (item != NULL && set != NULL) {
    ThroughVtable(item);
    ThroughDispatch(item);
    VARIANT_BOOL added = 0;
    CHECK(VTABLE(set, IQORVAddFileSetVtbl)->Add(set, item, &added) == kSOk);
    CHECK(added == -1);
    CHECK(can_unload_now() == kSFalse);
    VTABLE(item, IUnknownVtbl)->Release(item);
    CHECK(can_unload_now() == kSFalse); /* the set still lives */
    VTABLE(set, IUnknownVtbl)->Release(set);
    CHECK(can_unload_now() == kSOk);
  }
  SdkObjectAndEvents(module);
  CHECK(can_unload_now() == kSOk);
  dlclose(module);
  if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
