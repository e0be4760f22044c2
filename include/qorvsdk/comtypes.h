// COM-compatible base types with the Windows x86-64 binary layout.
//
// A caller on this platform uses the SDK exactly as a COM client would on
// Windows: interface pointers whose first word is a vtable of function
// pointers in the Windows slot order, BSTR text, VARIANT values and HRESULTs.
// The layouts below are fixed by static assertions; a caller that declares
// the same structures itself (from the documented IIDs and method order) can
// use the SDK without this header.
//
// The plain data types and the exported functions are usable from C; the
// interface declarations are C++ (abstract classes without data members, so
// that their vtable is exactly the COM vtable).
#ifndef QORVSDK_COMTYPES_H_
#define QORVSDK_COMTYPES_H_

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define QORV_EXPORT __attribute__((visibility("default")))
#else
#define QORV_EXPORT
#endif

#ifdef __cplusplus
#define QORV_EXTERN_C extern "C"
#else
#define QORV_EXTERN_C
#endif

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef float FLOAT;
typedef double DOUBLE;
typedef LONG DISPID;
typedef DWORD LCID;
typedef uint16_t VARTYPE;

#ifdef __cplusplus
typedef char16_t OLECHAR;
#else
typedef uint16_t OLECHAR;
#endif
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
// A BSTR points at UTF-16 text that is preceded by a 4-byte byte count and
// followed by a 16-bit zero. A null BSTR is a valid empty text.
typedef OLECHAR* BSTR;

// VARIANT_BOOL is 16-bit: -1 is true, 0 is false.
typedef SHORT VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

// OLE Automation date: days since 1899-12-30, the fraction is the time of day.
typedef double DATE;

typedef struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;

#ifdef __cplusplus
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
inline bool operator==(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         a.Data4[0] == b.Data4[0] && a.Data4[1] == b.Data4[1] && a.Data4[2] == b.Data4[2] &&
         a.Data4[3] == b.Data4[3] && a.Data4[4] == b.Data4[4] && a.Data4[5] == b.Data4[5] &&
         a.Data4[6] == b.Data4[6] && a.Data4[7] == b.Data4[7];
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
#else
typedef const GUID* REFGUID;
typedef const IID* REFIID;
typedef const CLSID* REFCLSID;
#endif

// ---- HRESULT values ----------------------------------------------------------
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_ABORT ((HRESULT)0x80004004L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define REGDB_E_READREGDB ((HRESULT)0x80040150L)
#define REGDB_E_WRITEREGDB ((HRESULT)0x80040151L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8L)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#define SELFREG_E_TYPELIB ((HRESULT)0x80040200L)
#define SELFREG_E_CLASS ((HRESULT)0x80040201L)
#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200L)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201L)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202L)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000FL)
#define TYPE_E_ELEMENTNOTFOUND ((HRESULT)0x8002802BL)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
// HRESULT_FROM_WIN32: a positive system error code becomes 0x8007xxxx.
#define HRESULT_FROM_WIN32(x) \
  ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x)&0x0000FFFF) | (7 << 16) | 0x80000000)))

// ---- VARIANT -----------------------------------------------------------------
enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF
};

#ifdef __cplusplus
struct IUnknown;
struct IDispatch;
#else
typedef struct IUnknown IUnknown;
typedef struct IDispatch IDispatch;
#endif

typedef union tagCY {
  struct {
    uint32_t Lo;
    int32_t Hi;
  } s;
  LONGLONG int64;
} CY;

typedef struct tagVARIANT VARIANT;
typedef VARIANT VARIANTARG;

// 24 bytes: the type at offset 0, three reserved words, the value at offset 8.
struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    void* parray;
    char cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    LONGLONG* pllVal;
    FLOAT* pfltVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    void* byref;
    INT* pintVal;
    UINT* puintVal;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } brecVal;
  } value;
};

// Accessors in the spelling COM callers know (V_VT(&v), V_BSTR(&v) ...).
#define V_VT(X) ((X)->vt)
#define V_I4(X) ((X)->value.lVal)
#define V_I2(X) ((X)->value.iVal)
#define V_R8(X) ((X)->value.dblVal)
#define V_DATE(X) ((X)->value.date)
#define V_BOOL(X) ((X)->value.boolVal)
#define V_BSTR(X) ((X)->value.bstrVal)
#define V_DISPATCH(X) ((X)->value.pdispVal)
#define V_UNKNOWN(X) ((X)->value.punkVal)
#define V_BYREF(X) ((X)->value.byref)
#define V_VARIANTREF(X) ((X)->value.pvarVal)

typedef struct tagDISPPARAMS {
  VARIANTARG* rgvarg;  // arguments in reverse order: the last one first
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
} DISPPARAMS;

typedef struct tagEXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(struct tagEXCEPINFO*);
  SCODE scode;
} EXCEPINFO;

typedef struct tagCONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
} CONNECTDATA;

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPID_NEWENUM (-4)

#define LOCALE_USER_DEFAULT 0x0400
#define CLSCTX_INPROC_SERVER 0x1

// ---- Exported BSTR and VARIANT functions --------------------------------------
QORV_EXTERN_C QORV_EXPORT BSTR SysAllocString(const OLECHAR* text);
QORV_EXTERN_C QORV_EXPORT BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
QORV_EXTERN_C QORV_EXPORT BSTR SysAllocStringByteLen(const char* bytes, UINT length);
QORV_EXTERN_C QORV_EXPORT void SysFreeString(BSTR text);
QORV_EXTERN_C QORV_EXPORT UINT SysStringLen(BSTR text);
QORV_EXTERN_C QORV_EXPORT UINT SysStringByteLen(BSTR text);
QORV_EXTERN_C QORV_EXPORT void VariantInit(VARIANT* v);
QORV_EXTERN_C QORV_EXPORT HRESULT VariantClear(VARIANT* v);
QORV_EXTERN_C QORV_EXPORT HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);

// GUID text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case, 38
// characters). StringFromGUID2 returns the characters written including the
// terminating zero, or 0 when the buffer is too small.
QORV_EXTERN_C QORV_EXPORT int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);
QORV_EXTERN_C QORV_EXPORT HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
QORV_EXTERN_C QORV_EXPORT HRESULT IIDFromString(LPCOLESTR text, IID* iid);

// ---- Interfaces ----------------------------------------------------------------
#ifdef __cplusplus

// IID values of the standard interfaces (defined by COM).
extern "C" QORV_EXPORT const IID IID_NULL;
extern "C" QORV_EXPORT const IID IID_IUnknown;
extern "C" QORV_EXPORT const IID IID_IDispatch;
extern "C" QORV_EXPORT const IID IID_IClassFactory;
extern "C" QORV_EXPORT const IID IID_IEnumVARIANT;
extern "C" QORV_EXPORT const IID IID_ISupportErrorInfo;
extern "C" QORV_EXPORT const IID IID_IConnectionPointContainer;
extern "C" QORV_EXPORT const IID IID_IConnectionPoint;
extern "C" QORV_EXPORT const IID IID_IEnumConnections;
extern "C" QORV_EXPORT const IID IID_IEnumConnectionPoints;

// Interfaces are abstract classes without data and without a virtual
// destructor, so each object's first word points at a table of exactly the
// slots below, in this order.
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

// Type information is not offered: GetTypeInfoCount answers 0.
struct ITypeInfo;

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                DISPID* dispids) = 0;
  virtual HRESULT Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, UINT* arg_error) = 0;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

struct IEnumVARIANT : IUnknown {
  virtual HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumVARIANT** copy) = 0;
};

struct ISupportErrorInfo : IUnknown {
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

struct IConnectionPoint;
struct IConnectionPointContainer;

struct IEnumConnections : IUnknown {
  virtual HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** copy) = 0;
};

struct IEnumConnectionPoints : IUnknown {
  virtual HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** copy) = 0;
};

struct IConnectionPoint : IUnknown {
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};

struct IConnectionPointContainer : IUnknown {
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;
};

// Entry points of an in-process server module.
typedef HRESULT (*DllGetClassObjectFunc)(REFCLSID clsid, REFIID riid, void** object);
typedef HRESULT (*DllCanUnloadNowFunc)(void);
typedef HRESULT (*DllRegisterServerFunc)(void);
typedef HRESULT (*DllUnregisterServerFunc)(void);

#endif  // __cplusplus

// Layout checks: these are what make the types interchangeable with a caller
// that declares them itself.
#ifdef __cplusplus
static_assert(sizeof(VARIANT) == 24, "VARIANT is 24 bytes");
static_assert(offsetof(VARIANT, vt) == 0, "VARIANT type at offset 0");
static_assert(offsetof(VARIANT, value) == 8, "VARIANT value at offset 8");
static_assert(sizeof(VARIANT_BOOL) == 2, "VARIANT_BOOL is 16-bit");
static_assert(sizeof(LONG) == 4, "LONG is 32-bit");
static_assert(sizeof(HRESULT) == 4, "HRESULT is 32-bit");
static_assert(sizeof(OLECHAR) == 2, "OLECHAR is UTF-16");
static_assert(sizeof(DATE) == 8, "DATE is a double");
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");
static_assert(sizeof(DISPPARAMS) == 24, "DISPPARAMS layout");
static_assert(sizeof(EXCEPINFO) == 64, "EXCEPINFO layout");
static_assert(sizeof(IUnknown) == sizeof(void*), "interfaces carry only a vtable pointer");
#else
_Static_assert(sizeof(VARIANT) == 24, "VARIANT is 24 bytes");
_Static_assert(offsetof(VARIANT, value) == 8, "VARIANT value at offset 8");
_Static_assert(sizeof(VARIANT_BOOL) == 2, "VARIANT_BOOL is 16-bit");
#endif

#endif  // QORVSDK_COMTYPES_H_
