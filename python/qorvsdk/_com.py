"""The COM binary layouts the SDK module uses (include/qorvsdk/comtypes.h),
declared with ctypes, and calls through an interface's vtable.

An interface pointer points at one word, the address of a table of function
pointers in the Windows slot order: IUnknown (QueryInterface, AddRef,
Release), then IDispatch (GetTypeInfoCount, GetTypeInfo, GetIDsOfNames,
Invoke), then the interface's own members. On x86-64 Linux the slots use the
ordinary C calling convention with the object pointer first.
"""

import ctypes
import uuid

HRESULT = ctypes.c_int32
DISPID = ctypes.c_int32
VARTYPE = ctypes.c_uint16

# HRESULT values (as signed 32-bit numbers, the way ctypes returns them).


def _signed(value):
    return value - (1 << 32) if value & 0x80000000 else value


S_OK = 0
S_FALSE = 1
E_NOTIMPL = _signed(0x80004001)
E_NOINTERFACE = _signed(0x80004002)
E_POINTER = _signed(0x80004003)
E_FAIL = _signed(0x80004005)
E_INVALIDARG = _signed(0x80070057)
DISP_E_MEMBERNOTFOUND = _signed(0x80020003)
DISP_E_PARAMNOTFOUND = _signed(0x80020004)
DISP_E_TYPEMISMATCH = _signed(0x80020005)
DISP_E_UNKNOWNNAME = _signed(0x80020006)
DISP_E_EXCEPTION = _signed(0x80020009)
DISP_E_OVERFLOW = _signed(0x8002000A)
DISP_E_BADPARAMCOUNT = _signed(0x8002000E)
CO_E_CLASSSTRING = _signed(0x800401F3)

# VARENUM
VT_EMPTY = 0
VT_NULL = 1
VT_I2 = 2
VT_I4 = 3
VT_R4 = 4
VT_R8 = 5
VT_CY = 6
VT_DATE = 7
VT_BSTR = 8
VT_DISPATCH = 9
VT_ERROR = 10
VT_BOOL = 11
VT_VARIANT = 12
VT_UNKNOWN = 13
VT_I1 = 16
VT_UI1 = 17
VT_UI2 = 18
VT_UI4 = 19
VT_I8 = 20
VT_UI8 = 21
VT_INT = 22
VT_UINT = 23
VT_ARRAY = 0x2000
VT_BYREF = 0x4000
VT_TYPEMASK = 0x0FFF

VARIANT_TRUE = -1
VARIANT_FALSE = 0

DISPATCH_METHOD = 0x1
DISPATCH_PROPERTYGET = 0x2
DISPATCH_PROPERTYPUT = 0x4

DISPID_UNKNOWN = -1
DISPID_VALUE = 0
DISPID_PROPERTYPUT = -3
DISPID_NEWENUM = -4

LOCALE_USER_DEFAULT = 0x0400
CLSCTX_INPROC_SERVER = 0x1


class GUID(ctypes.Structure):
    _fields_ = [
        ("Data1", ctypes.c_uint32),
        ("Data2", ctypes.c_uint16),
        ("Data3", ctypes.c_uint16),
        ("Data4", ctypes.c_uint8 * 8),
    ]

    @classmethod
    def from_text(cls, text):
        """A GUID from its text form, with or without braces."""
        return cls.from_buffer_copy(uuid.UUID(text.strip("{}")).bytes_le)

    def __str__(self):
        return "{" + str(uuid.UUID(bytes_le=bytes(self))).upper() + "}"

    def __eq__(self, other):
        return isinstance(other, GUID) and bytes(self) == bytes(other)

    def __hash__(self):
        return hash(bytes(self))


class _CY(ctypes.Structure):
    _fields_ = [("Lo", ctypes.c_uint32), ("Hi", ctypes.c_int32)]


class _Record(ctypes.Structure):
    _fields_ = [("pvRecord", ctypes.c_void_p), ("pRecInfo", ctypes.c_void_p)]


class _VariantValue(ctypes.Union):
    _fields_ = [
        ("llVal", ctypes.c_int64),
        ("ullVal", ctypes.c_uint64),
        ("lVal", ctypes.c_int32),
        ("ulVal", ctypes.c_uint32),
        ("iVal", ctypes.c_int16),
        ("uiVal", ctypes.c_uint16),
        ("cVal", ctypes.c_int8),
        ("bVal", ctypes.c_uint8),
        ("fltVal", ctypes.c_float),
        ("dblVal", ctypes.c_double),
        ("boolVal", ctypes.c_int16),
        ("scode", ctypes.c_int32),
        ("cyVal", _CY),
        ("date", ctypes.c_double),
        ("bstrVal", ctypes.c_void_p),
        ("punkVal", ctypes.c_void_p),
        ("byref", ctypes.c_void_p),
        ("brecVal", _Record),
    ]


class VARIANT(ctypes.Structure):
    """24 bytes: the type at offset 0, three reserved words, the value at 8."""

    _fields_ = [
        ("vt", VARTYPE),
        ("wReserved1", ctypes.c_uint16),
        ("wReserved2", ctypes.c_uint16),
        ("wReserved3", ctypes.c_uint16),
        ("value", _VariantValue),
    ]


class DISPPARAMS(ctypes.Structure):
    _fields_ = [
        ("rgvarg", ctypes.POINTER(VARIANT)),  # the last argument first
        ("rgdispidNamedArgs", ctypes.POINTER(DISPID)),
        ("cArgs", ctypes.c_uint32),
        ("cNamedArgs", ctypes.c_uint32),
    ]


class EXCEPINFO(ctypes.Structure):
    _fields_ = [
        ("wCode", ctypes.c_uint16),
        ("wReserved", ctypes.c_uint16),
        ("bstrSource", ctypes.c_void_p),
        ("bstrDescription", ctypes.c_void_p),
        ("bstrHelpFile", ctypes.c_void_p),
        ("dwHelpContext", ctypes.c_uint32),
        ("pvReserved", ctypes.c_void_p),
        ("pfnDeferredFillIn", ctypes.c_void_p),
        ("scode", ctypes.c_int32),
    ]


assert ctypes.sizeof(VARIANT) == 24
assert VARIANT.value.offset == 8
assert ctypes.sizeof(DISPPARAMS) == 24
assert ctypes.sizeof(EXCEPINFO) == 64
assert ctypes.sizeof(GUID) == 16

# The standard interfaces, as COM defines them.
IID_NULL = GUID()
IID_IUnknown = GUID.from_text("00000000-0000-0000-C000-000000000046")
IID_IDispatch = GUID.from_text("00020400-0000-0000-C000-000000000046")
IID_IEnumVARIANT = GUID.from_text("00020404-0000-0000-C000-000000000046")
IID_IConnectionPointContainer = GUID.from_text("B196B284-BAB4-101A-B69C-00AA00341D07")
IID_IConnectionPoint = GUID.from_text("B196B286-BAB4-101A-B69C-00AA00341D07")

# Vtable slots.
SLOT_QUERYINTERFACE = 0
SLOT_ADDREF = 1
SLOT_RELEASE = 2
SLOT_GETIDSOFNAMES = 5
SLOT_INVOKE = 6
SLOT_ENUMVARIANT_NEXT = 3
SLOT_FINDCONNECTIONPOINT = 4  # IConnectionPointContainer
SLOT_ADVISE = 5  # IConnectionPoint
SLOT_UNADVISE = 6

_P = ctypes.c_void_p
QUERYINTERFACE = ctypes.CFUNCTYPE(HRESULT, _P, ctypes.POINTER(GUID), ctypes.POINTER(_P))
ADDREF = ctypes.CFUNCTYPE(ctypes.c_uint32, _P)
RELEASE = ctypes.CFUNCTYPE(ctypes.c_uint32, _P)
GETTYPEINFOCOUNT = ctypes.CFUNCTYPE(HRESULT, _P, ctypes.POINTER(ctypes.c_uint32))
GETTYPEINFO = ctypes.CFUNCTYPE(HRESULT, _P, ctypes.c_uint32, ctypes.c_uint32, ctypes.POINTER(_P))
# The names are LPOLESTR (UTF-16) pointers, passed as plain addresses.
GETIDSOFNAMES = ctypes.CFUNCTYPE(
    HRESULT, _P, ctypes.POINTER(GUID), ctypes.POINTER(_P), ctypes.c_uint32, ctypes.c_uint32,
    ctypes.POINTER(DISPID),
)
INVOKE = ctypes.CFUNCTYPE(
    HRESULT, _P, DISPID, ctypes.POINTER(GUID), ctypes.c_uint32, ctypes.c_uint16,
    ctypes.POINTER(DISPPARAMS), ctypes.POINTER(VARIANT), ctypes.POINTER(EXCEPINFO),
    ctypes.POINTER(ctypes.c_uint32),
)
ENUM_NEXT = ctypes.CFUNCTYPE(
    HRESULT, _P, ctypes.c_uint32, ctypes.POINTER(VARIANT), ctypes.POINTER(ctypes.c_uint32)
)
FIND_CONNECTION_POINT = ctypes.CFUNCTYPE(HRESULT, _P, ctypes.POINTER(GUID), ctypes.POINTER(_P))
ADVISE = ctypes.CFUNCTYPE(HRESULT, _P, _P, ctypes.POINTER(ctypes.c_uint32))
UNADVISE = ctypes.CFUNCTYPE(HRESULT, _P, ctypes.c_uint32)


def slot(pointer, index, prototype):
    """The function in slot `index` of the vtable of the interface `pointer`."""
    vtable = ctypes.cast(pointer, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p)))[0]
    return prototype(vtable[index])


def query_interface(pointer, iid):
    """A new reference to interface `iid` of the object, or None."""
    result = ctypes.c_void_p()
    hr = slot(pointer, SLOT_QUERYINTERFACE, QUERYINTERFACE)(
        pointer, ctypes.byref(iid), ctypes.byref(result)
    )
    return result.value if hr == S_OK and result.value else None


def add_ref(pointer):
    return slot(pointer, SLOT_ADDREF, ADDREF)(pointer)


def release(pointer):
    return slot(pointer, SLOT_RELEASE, RELEASE)(pointer)
