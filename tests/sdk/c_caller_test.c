/* A caller written in plain C that knows the component only from its
 * documented binary interface: it declares GUID, BSTR, VARIANT and the
 * IUnknown, IClassFactory and IDispatch vtables itself, includes no header of
 * the project, loads the built module with dlopen and works with items both
 * through their vtables and through IDispatch::Invoke by name. It then
 * registers the module into a private registry file, activates the SDK object
 * by ProgID through the module's activation entry points, finds the event
 * connection point by the event interface's DIID and connects and disconnects
 * a sink it implements itself. Finally it starts the reference server as a
 * child process on a fresh data directory, connects and logs in through the
 * IQORVSDK vtable with a sink connected, and checks that the report lines
 * arrive through OnOperationResultSend on its own thread.
 * Exit status 0 when every check passes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <ftw.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
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
  HRESULT(*GetIDsOfNames)
  (void* self, const GUID* riid, OLECHAR** names, uint32_t count, uint32_t lcid, int32_t* dispids);
  HRESULT(*Invoke)
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

/* IQORVSDK: IDispatch, then the methods in DISPID order. Only the ones this
 * caller uses are typed; the 41 methods between Login (DISPID 2) and
 * GetOperationResultCount (DISPID 44) are placeholders. Enumerations are
 * 32-bit. */
typedef struct IQORVSDKVtbl {
  IDispatchVtbl dispatch;
  HRESULT(*ConnectToServer)
  (void* self, BSTR server, int32_t port, VARIANT_BOOL* connected, int32_t* encrypt_type,
   VARIANT_BOOL* canceled, BSTR* description, int32_t proxy_type, BSTR proxy, int32_t proxy_port,
   BSTR user, BSTR password, int32_t* result);
  HRESULT(*Login)
  (void* self, BSTR user, BSTR password, BSTR database, void* key_info_set,
   VARIANT_BOOL* must_change_password, int32_t* expire_days, VARIANT_BOOL* canceled,
   BSTR* description, int32_t* result);
  void* dispids_3_to_43[41];
  HRESULT (*GetOperationResultCount)(void* self, int32_t* count);
  HRESULT(*GetOperationResultInfo)
  (void* self, int32_t index, VARIANT_BOOL* operate_result, BSTR* description,
   VARIANT_BOOL* successful);
} IQORVSDKVtbl;

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
static const GUID kIidQorvSdk = {
    0xECA79881, 0x7EEE, 0x46CE, {0xA4, 0x59, 0xDB, 0xE2, 0x60, 0x55, 0xC8, 0xB2}};
enum { kDispidOnOperationResultSend = 2 };
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
static const IDispatchVtbl kSinkVtable = {{SinkQueryInterface, SinkAddRef, SinkRelease},
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

#ifdef QORV_TEST_QORVD_PATH
static const GUID kClsidQorvSdk = {
    0x6CE1715C, 0x2303, 0x4EF8, {0x9A, 0x56, 0x27, 0x00, 0xC1, 0xDD, 0x30, 0x5F}};

/* A sink that reads each report-line batch through the SDK's vtable while
 * the event runs, and notes whether it ran on the thread that called. */
typedef struct BatchSink {
  const IDispatchVtbl* vtable;
  uint32_t references;
  void* sdk;
  pthread_t caller;
  int result_sends;
  int foreign_thread_events;
  int saw_logging_in;
  int saw_failure_line;
} BatchSink;

static HRESULT BatchSinkInvoke(void* self, int32_t dispid, const GUID* riid, uint32_t lcid,
                               uint16_t flags, DISPPARAMS* params, VARIANT* result, void* exception,
                               uint32_t* arg_error) {
  (void)riid, (void)lcid, (void)flags, (void)params, (void)result, (void)exception, (void)arg_error;
  BatchSink* sink = (BatchSink*)self;
  if (!pthread_equal(pthread_self(), sink->caller)) sink->foreign_thread_events++;
  if (dispid != kDispidOnOperationResultSend) return kSOk;
  sink->result_sends++;
  const IQORVSDKVtbl* sdk = VTABLE(sink->sdk, IQORVSDKVtbl);
  int32_t count = -1;
  CHECK(sdk->GetOperationResultCount(sink->sdk, &count) == kSOk);
  for (int32_t i = 0; i < count; ++i) {
    VARIANT_BOOL ok = 0;
    BSTR text = NULL;
    VARIANT_BOOL found = 0;
    CHECK(sdk->GetOperationResultInfo(sink->sdk, i, &ok, &text, &found) == kSOk);
    CHECK(found == -1);
    if (ok == -1 && TextEquals(text, "Logging in database...")) sink->saw_logging_in = 1;
    if (ok == 0) sink->saw_failure_line = 1;
    sys_free_string(text);
  }
  return kSOk;
}
static const IDispatchVtbl kBatchSinkVtable = {{SinkQueryInterface, SinkAddRef, SinkRelease},
                                               SinkGetTypeInfoCount,
                                               SinkGetTypeInfo,
                                               SinkGetIDsOfNames,
                                               BatchSinkInvoke};

/* Runs a program with its output discarded and waits for it; its exit
 * status, or -1. */
static int RunAndWait(char* const argv[]) {
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawn(&pid, argv[0], &actions, NULL, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

static int RemoveEntry(const char* path, const struct stat* info, int type, struct FTW* walk) {
  (void)info, (void)type, (void)walk;
  remove(path);
  return 0;
}

static void LoginThroughTheVtable(void) {
  char root[] = "/tmp/qorv-c-caller-XXXXXX";
  CHECK(mkdtemp(root) != NULL);
  char data[64], config[64], home[64];
  snprintf(data, sizeof(data), "%s/data", root);
  snprintf(config, sizeof(config), "%s/config", root);
  snprintf(home, sizeof(home), "%s/home", root);
  /* The cache of the login goes below the test's own folders. */
  setenv("XDG_CONFIG_HOME", config, 1);
  setenv("HOME", home, 1);

  char* create[] = {
      QORV_TEST_QORVD_PATH, "admin", "create-db", "--data", data, "--db", "Main", NULL};
  char* add_user[] = {
      QORV_TEST_QORVD_PATH, "admin",  "add-user", "--data", data, "--db", "Main", "--user", "alice",
      "--password",         "secret", NULL};
  CHECK(RunAndWait(create) == 0);
  CHECK(RunAndWait(add_user) == 0);

  /* The server prints "listening on ADDRESS:PORT" once it accepts. */
  int pipe_ends[2];
  CHECK(pipe(pipe_ends) == 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  char* serve[] = {QORV_TEST_QORVD_PATH, "--data", data, "--port", "0", NULL};
  pid_t server = 0;
  CHECK(posix_spawn(&server, serve[0], &actions, NULL, serve, environ) == 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  FILE* output = fdopen(pipe_ends[0], "r");
  char line[256] = "";
  int port = 0;
  if (output != NULL && fgets(line, sizeof(line), output) != NULL) {
    const char* colon = strrchr(line, ':');
    if (colon != NULL) port = atoi(colon + 1);
  }
  CHECK(port > 0);

  void* factory = NULL;
  void* sdk = NULL;
  CHECK(get_class_object(&kClsidQorvSdk, &kIidIClassFactory, &factory) == kSOk);
  if (factory != NULL) {
    CHECK(VTABLE(factory, IClassFactoryVtbl)->CreateInstance(factory, NULL, &kIidQorvSdk, &sdk) ==
          kSOk);
    VTABLE(factory, IUnknownVtbl)->Release(factory);
  }
  void* container = NULL;
  void* point = NULL;
  if (sdk != NULL) {
    VTABLE(sdk, IUnknownVtbl)->QueryInterface(sdk, &kIidConnectionPointContainer, &container);
  }
  if (container != NULL) {
    VTABLE(container, IConnectionPointContainerVtbl)
        ->FindConnectionPoint(container, &kDiidSdkEvents, &point);
  }
  CHECK(point != NULL);
  if (sdk != NULL && point != NULL && port > 0) {
    BatchSink sink = {&kBatchSinkVtable, 1, sdk, pthread_self(), 0, 0, 0, 0};
    uint32_t cookie = 0;
    CHECK(VTABLE(point, IConnectionPointVtbl)->Advise(point, &sink, &cookie) == kSOk);
    const IQORVSDKVtbl* methods = VTABLE(sdk, IQORVSDKVtbl);

    BSTR host = MakeText("127.0.0.1");
    VARIANT_BOOL connected = 0, canceled = 5;
    int32_t mode = -1, result = -1;
    BSTR description = NULL;
    CHECK(methods->ConnectToServer(sdk, host, port, &connected, &mode, &canceled, &description, 0,
                                   NULL, 0, NULL, NULL, &result) == kSOk);
    CHECK(result == 0 && connected == -1 && mode == 0 && canceled == 0);
    CHECK(TextEquals(description, "Connected to server successfully"));
    sys_free_string(description);
    sys_free_string(host);
    CHECK(sink.result_sends == 2); /* "Connecting to server..." and the outcome */

    BSTR user = MakeText("alice");
    BSTR password = MakeText("secret");
    BSTR database = MakeText("Main");
    VARIANT_BOOL must_change = 5;
    int32_t expire_days = -1;
    CHECK(methods->Login(sdk, user, password, database, NULL, &must_change, &expire_days, &canceled,
                         &description, &result) == kSOk);
    CHECK(result == 0 && must_change == 0 && expire_days == 0 && canceled == 0);
    CHECK(description != NULL);
    sys_free_string(description);
    CHECK(sink.result_sends == 4);
    CHECK(sink.saw_logging_in);
    CHECK(!sink.saw_failure_line);
    CHECK(sink.foreign_thread_events == 0);

    /* A refused password: the failure line arrives the same way. */
    BSTR wrong = MakeText("wrong");
    CHECK(methods->Login(sdk, user, wrong, database, NULL, &must_change, &expire_days, &canceled,
                         &description, &result) == kSOk);
    CHECK(result != 0 && sink.saw_failure_line);
    sys_free_string(description);
    sys_free_string(wrong);
    sys_free_string(user);
    sys_free_string(password);
    sys_free_string(database);
    CHECK(VTABLE(point, IConnectionPointVtbl)->Unadvise(point, cookie) == kSOk);
  }
  if (point != NULL) VTABLE(point, IUnknownVtbl)->Release(point);
  if (container != NULL) VTABLE(container, IUnknownVtbl)->Release(container);
  if (sdk != NULL) CHECK(VTABLE(sdk, IUnknownVtbl)->Release(sdk) == 0);

  if (server > 0) {
    kill(server, SIGTERM);
    waitpid(server, NULL, 0);
  }
  if (output != NULL) fclose(output);
  nftw(root, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  unsetenv("XDG_CONFIG_HOME");
}
#endif /* QORV_TEST_QORVD_PATH */

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
#ifdef QORV_TEST_QORVD_PATH
  LoginThroughTheVtable();
  CHECK(can_unload_now() == kSOk);
#endif
  dlclose(module);
  if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
