"""qorvsdk: the SDK of the qorv source-control service, called from Python by
late binding through IDispatch, over ctypes.

    import qorvsdk
    sdk = qorvsdk.create()                       # by ProgID, through the registry
    result, connected, encryption, canceled, text = sdk.ConnectToServer(
        "127.0.0.1", 4100, 0, "", 0, "", "")

See docs/python.md for the calling rules, events and prompts.
"""

import ctypes

from . import _com, constants
from ._dispatch import Collection, ComError, Dispatch, hresult_text, wrap
from ._events import EVENTS, Connection, Sink, connect_events
from ._library import SDK_PROGID, ModuleNotFound, load_module
from ._registry import registry_path

__all__ = [
    "SDK_PROGID",
    "Collection",
    "ComError",
    "Connection",
    "Dispatch",
    "EVENTS",
    "ModuleNotFound",
    "Sink",
    "connect_events",
    "constants",
    "create",
    "register_module",
    "registry_path",
]

__version__ = "1.0.0"

# The SDK object's class (include/qorvsdk/guids.h): its methods' parameter
# directions are known (see _signatures.py).
_CLSID_QORVSDK = _com.GUID.from_text("6CE1715C-2303-4EF8-9A56-2700C1DD305F")


def _olestr(text):
    data = text.encode("utf-16-le") + b"\0\0"
    return ctypes.create_string_buffer(data, len(data))


def create(prog_id=SDK_PROGID):
    """A new object of the class registered for `prog_id` (by default the
    SDK object), created through the registry ($QORV_REGISTRY, else the
    per-user file) and called through its IDispatch."""
    library = load_module()
    clsid = _com.GUID()
    hr = library.QorvCLSIDFromProgID(_olestr(prog_id), ctypes.byref(clsid))
    if hr < 0:
        raise ComError(hr, f"the ProgID {prog_id} is not registered in {registry_path()} "
                           f"({hresult_text(hr)}); register the module with: "
                           "qorvreg /path/to/libqorvsdk.so")
    pointer = ctypes.c_void_p()
    hr = library.QorvCoCreateInstance(ctypes.byref(clsid), None, _com.CLSCTX_INPROC_SERVER,
                                      ctypes.byref(_com.IID_IDispatch), ctypes.byref(pointer))
    if hr < 0 or not pointer.value:
        raise ComError(hr, f"{prog_id} ({clsid}) cannot be created: {hresult_text(hr)}")
    try:
        return wrap(library, pointer.value, True, "IQORVSDK" if clsid == _CLSID_QORVSDK else None)
    finally:
        _com.release(pointer.value)


def register_module(path, unregister=False):
    """Registers the module file `path` in the registry in use (as qorvreg
    does); ComError when its DllRegisterServer fails."""
    library = ctypes.CDLL(path)
    function = library.QorvUnregisterModule if unregister else library.QorvRegisterModule
    function.restype = _com.HRESULT
    function.argtypes = [ctypes.c_char_p]
    hr = function(path.encode())
    if hr < 0:
        raise ComError(hr, f"{'un' if unregister else ''}registering {path}: {hresult_text(hr)}")
