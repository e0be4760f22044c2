/* A caller written in plain C that knows the component only from its
 * documented binary interface: it declares GUID, BSTR, VARIANT and the
 * IUnknown, IClassFactory and IDispatch vtables itself, includes no header of
 * the project, loads the built module with dlopen and works with items both
 * through their vtables and through IDispatch::Invoke by name.
 * Exit status 0 when every check passes. */
#include <dlfcn.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

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
  dlclose(module);
  if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
