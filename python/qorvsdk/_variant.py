"""Conversions between Python values and VARIANTs.

Python to VARIANT (arguments): None is VT_EMPTY, bool VT_BOOL, int VT_I4
(VT_I8 beyond 32 bits), float VT_R8, str VT_BSTR, datetime.datetime and
datetime.date VT_DATE, a Dispatch object VT_DISPATCH. Other values raise
TypeError: the SDK's interfaces take no arrays.

VARIANT to Python (results): VT_EMPTY and VT_NULL are None, the integer types
int, VT_R4/VT_R8 float, VT_CY float, VT_BOOL bool, VT_BSTR str, VT_DATE a
naive datetime (the SDK's dates are the server's local time), VT_ERROR the
SCODE as int, VT_DISPATCH a Dispatch object (a Collection when it has Count
and Item), VT_UNKNOWN a Dispatch object when it answers IDispatch. A
reference (VT_BYREF) reads what it points at.
"""

import ctypes
import datetime
import math

from . import _com

_OLE_EPOCH = datetime.datetime(1899, 12, 30)
_MILLISECONDS_PER_DAY = 86400000
_I4_RANGE = range(-(1 << 31), 1 << 31)


def date_to_ole(value):
    """An OLE Automation date: days since 1899-12-30; before that day the
    fraction (the time of day) still counts away from zero."""
    if not isinstance(value, datetime.datetime):
        value = datetime.datetime(value.year, value.month, value.day)
    delta = value.replace(tzinfo=None) - _OLE_EPOCH
    fraction = (delta - datetime.timedelta(days=delta.days)) / datetime.timedelta(days=1)
    return delta.days + fraction if delta.days >= 0 else delta.days - fraction


def date_from_ole(value):
    """The datetime of an OLE Automation date, to the millisecond."""
    days = math.trunc(value)
    milliseconds = round(abs(value - days) * _MILLISECONDS_PER_DAY)
    return _OLE_EPOCH + datetime.timedelta(days=days, milliseconds=milliseconds)


def bstr_from_text(library, text):
    """A new BSTR holding `text` (the caller frees it)."""
    data = text.encode("utf-16-le", "surrogatepass")
    buffer = ctypes.create_string_buffer(data, len(data) + 2)
    bstr = library.SysAllocStringLen(buffer, len(data) // 2)
    if not bstr:
        raise MemoryError("SysAllocStringLen")
    return bstr


def text_from_bstr(library, bstr):
    if not bstr:
        return ""
    length = library.SysStringLen(bstr)
    return ctypes.string_at(bstr, length * 2).decode("utf-16-le", "surrogatepass")


def to_variant(library, value, variant):
    """Stores `value` into the empty `variant`; the VARIANT owns what it holds
    (a new BSTR, a reference), so VariantClear frees it."""
    from ._dispatch import Dispatch

    v = variant.value
    if value is None:
        variant.vt = _com.VT_EMPTY
    elif isinstance(value, bool):
        variant.vt = _com.VT_BOOL
        v.boolVal = _com.VARIANT_TRUE if value else _com.VARIANT_FALSE
    elif isinstance(value, int):
        if value in _I4_RANGE:
            variant.vt = _com.VT_I4
            v.lVal = value
        else:
            variant.vt = _com.VT_I8
            v.llVal = value
    elif isinstance(value, float):
        variant.vt = _com.VT_R8
        v.dblVal = value
    elif isinstance(value, str):
        v.bstrVal = bstr_from_text(library, value)
        variant.vt = _com.VT_BSTR
    elif isinstance(value, (datetime.datetime, datetime.date)):
        variant.vt = _com.VT_DATE
        v.date = date_to_ole(value)
    elif isinstance(value, Dispatch):
        _com.add_ref(value._pointer)
        v.punkVal = value._pointer
        variant.vt = _com.VT_DISPATCH
    else:
        raise TypeError(f"a {type(value).__name__} cannot be passed to the SDK")


_BY_VALUE = {
    _com.VT_I1: "cVal",
    _com.VT_UI1: "bVal",
    _com.VT_I2: "iVal",
    _com.VT_UI2: "uiVal",
    _com.VT_I4: "lVal",
    _com.VT_UI4: "ulVal",
    _com.VT_INT: "lVal",
    _com.VT_UINT: "ulVal",
    _com.VT_I8: "llVal",
    _com.VT_UI8: "ullVal",
    _com.VT_ERROR: "scode",
    _com.VT_R4: "fltVal",
    _com.VT_R8: "dblVal",
}

# What a VT_BYREF of each type points at, read as a VARIANT value field.
_REFERENCED = {
    _com.VT_I2: ctypes.c_int16,
    _com.VT_I4: ctypes.c_int32,
    _com.VT_R8: ctypes.c_double,
    _com.VT_DATE: ctypes.c_double,
    _com.VT_BOOL: ctypes.c_int16,
    _com.VT_BSTR: ctypes.c_void_p,
    _com.VT_DISPATCH: ctypes.c_void_p,
    _com.VT_UNKNOWN: ctypes.c_void_p,
}


def from_variant(library, variant):
    """The Python value of `variant`; the VARIANT keeps what it holds."""
    from ._dispatch import wrap

    vt = variant.vt
    v = variant.value
    if vt & _com.VT_BYREF:
        base = vt & ~_com.VT_BYREF
        if not v.byref:
            return None
        if base == _com.VT_VARIANT:
            return from_variant(library, ctypes.cast(v.byref, ctypes.POINTER(_com.VARIANT))[0])
        if base not in _REFERENCED:
            raise TypeError(f"unsupported VARIANT type 0x{vt:04X}")
        copy = _com.VARIANT()
        copy.vt = base
        field = ctypes.cast(v.byref, ctypes.POINTER(_REFERENCED[base]))[0]
        ctypes.memmove(ctypes.addressof(copy.value), ctypes.addressof(field),
                       ctypes.sizeof(field))
        return from_variant(library, copy)
    if vt in (_com.VT_EMPTY, _com.VT_NULL):
        return None
    if vt in _BY_VALUE:
        return getattr(v, _BY_VALUE[vt])
    if vt == _com.VT_BOOL:
        return v.boolVal != 0
    if vt == _com.VT_CY:
        return v.llVal / 10000
    if vt == _com.VT_DATE:
        return date_from_ole(v.date)
    if vt == _com.VT_BSTR:
        return text_from_bstr(library, v.bstrVal)
    if vt in (_com.VT_DISPATCH, _com.VT_UNKNOWN):
        if not v.punkVal:
            return None
        return wrap(library, v.punkVal, vt == _com.VT_DISPATCH)
    raise TypeError(f"unsupported VARIANT type 0x{vt:04X}")
