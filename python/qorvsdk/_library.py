"""Finding and loading the SDK module (libqorvsdk.so) and declaring the
functions it exports: activation (qorvsdk/activation.h) and the BSTR and
VARIANT functions (qorvsdk/comtypes.h).

The module is, in this order:
1. the file named by $QORV_MODULE, when set and not empty;
2. the module the registry names for the SDK object's class (the
   InprocServer32 of the ProgID's CLSID), so that the functions used here and
   the objects activation creates come from one loaded copy;
3. "libqorvsdk.so.1", then "libqorvsdk.so", found by the dynamic loader's
   usual search (LD_LIBRARY_PATH, the system folders).
"""

import ctypes
import os

from . import _com
from ._registry import Registry, registry_path

SDK_PROGID = "KeltoQorSDK.QorSDK"
_DEFAULT_NAMES = ("libqorvsdk.so.1", "libqorvsdk.so")


class ModuleNotFound(OSError):
    """No SDK module could be loaded; the message lists what was tried."""


def module_candidates(environ=None):
    """The files to try, in order, each with where its name came from."""
    environ = os.environ if environ is None else environ
    named = environ.get("QORV_MODULE", "")
    if named:
        return [(named, "$QORV_MODULE")]
    candidates = []
    path = registry_path(environ)
    registered = Registry.read(path).inproc_server(SDK_PROGID)
    if registered:
        candidates.append((registered, "the registry " + path))
    candidates += [(name, "the library search path") for name in _DEFAULT_NAMES]
    return candidates


def _declare(library):
    P = ctypes.c_void_p
    UINT = ctypes.c_uint32
    GUID_P = ctypes.POINTER(_com.GUID)
    VARIANT_P = ctypes.POINTER(_com.VARIANT)
    declarations = {
        "SysAllocStringLen": (P, [P, UINT]),
        "SysFreeString": (None, [P]),
        "SysStringLen": (UINT, [P]),
        "VariantInit": (None, [VARIANT_P]),
        "VariantClear": (_com.HRESULT, [VARIANT_P]),
        "VariantCopy": (_com.HRESULT, [VARIANT_P, VARIANT_P]),
        "QorvCLSIDFromProgID": (_com.HRESULT, [P, GUID_P]),
        "QorvCoCreateInstance": (_com.HRESULT, [GUID_P, P, ctypes.c_uint32, GUID_P,
                                                ctypes.POINTER(P)]),
        "QorvRegisterModule": (_com.HRESULT, [ctypes.c_char_p]),
        "QorvUnregisterModule": (_com.HRESULT, [ctypes.c_char_p]),
    }
    for name, (restype, argtypes) in declarations.items():
        function = getattr(library, name)
        function.restype = restype
        function.argtypes = argtypes
    return library


def load_module(environ=None):
    """The loaded SDK module with its exports declared; ModuleNotFound when
    no candidate loads."""
    reasons = []
    for path, origin in module_candidates(environ):
        try:
            return _declare(ctypes.CDLL(path))
        except (OSError, AttributeError) as error:
            reasons.append(f"{path} (from {origin}): {error}")
    raise ModuleNotFound(
        "the SDK module cannot be loaded: " + "; ".join(reasons)
        + ". Register one with: qorvreg /path/to/libqorvsdk.so, or set QORV_MODULE"
    )
