"""Events: a COM object made with ctypes (an IDispatch vtable whose Invoke
calls Python callables by DISPID), connected to the SDK object's connection
point for its event interface _IQorSDKEvents.

The SDK raises each event on the thread that made the call, while the call
runs, with DISPATCH_METHOD and no arguments; the handler pulls the event's
data through the SDK object's methods. connect_events does that pulling, so
a Python handler receives the data as arguments:

  OnPercentDone(percent)                        GetPercentDone
  OnOperationResultSend(lines)                  [(succeeded, text), ...]
  PromptCheckinUnchangedFile(information)       -> SetPromptCheckinUnchangedFile
  PromptUndoCheckoutChangedFile(information)    -> SetPromptUndoCheckoutChangedFile
  PromptRecoverOrPurgeDeletedCopy(information)  -> SetPromptRecoverOrPurgeDeletedCopy
  PromptLeaveOrReplaceWriteableFile(information, three_way_merge)
                                                -> SetPromptLeaveOrReplaceWriteableFile

A prompt handler's return value is the answer: a number (an Enum_... value,
for this file only), or (number, apply_to_all); None is 0, the Canceled
answer, which ends the operation as canceled.
"""

import ctypes
import weakref

from . import _com
from ._dispatch import ComError, hresult_text
from ._variant import from_variant

# The SDK's outgoing interface (include/qorvsdk/guids.h).
DIID__IQorSDKEvents = _com.GUID.from_text("2342C081-181A-4C91-8A46-B0AC5ED8C844")

# DISPIDs of _IQorSDKEvents (include/qorvsdk/sdk.h).
EVENTS = {
    "OnPercentDone": 1,
    "OnOperationResultSend": 2,
    "PromptCheckinUnchangedFile": 3,
    "PromptUndoCheckoutChangedFile": 4,
    "PromptRecoverOrPurgeDeletedCopy": 5,
    "PromptLeaveOrReplaceWriteableFile": 6,
}


class Sink:
    """An IDispatch implemented in Python: Invoke calls handlers[dispid]
    with the call's arguments converted to Python values (first argument
    first). It answers IUnknown, IDispatch and the interfaces in `iids`.

    The COM reference count keeps the Python object alive: while a caller
    holds a reference the sink refers to itself."""

    def __init__(self, library, handlers, names, iids=()):
        self._library = library
        self._handlers = dict(handlers)
        self._names = {name.lower(): dispid for name, dispid in names.items()}
        self._iids = [bytes(i) for i in (_com.IID_IUnknown, _com.IID_IDispatch, *iids)]
        self._references = 0
        self._keep_alive = None
        self.error = None  # the first exception a handler raised, until taken
        self._functions = [
            _com.QUERYINTERFACE(self._query_interface),
            _com.ADDREF(self._add_ref),
            _com.RELEASE(self._release),
            _com.GETTYPEINFOCOUNT(self._get_type_info_count),
            _com.GETTYPEINFO(self._get_type_info),
            _com.GETIDSOFNAMES(self._get_ids_of_names),
            _com.INVOKE(self._invoke),
        ]
        self._vtable = (ctypes.c_void_p * len(self._functions))(
            *[ctypes.cast(f, ctypes.c_void_p) for f in self._functions])
        self._object = ctypes.c_void_p(ctypes.addressof(self._vtable))
        self.pointer = ctypes.addressof(self._object)

    @property
    def references(self):
        return self._references

    def _query_interface(self, this, riid, result):
        if not result:
            return _com.E_POINTER
        if bytes(riid.contents) in self._iids:
            result[0] = self.pointer
            self._add_ref(this)
            return _com.S_OK
        result[0] = None
        return _com.E_NOINTERFACE

    def _add_ref(self, this):
        self._references += 1
        self._keep_alive = self
        return self._references

    def _release(self, this):
        self._references -= 1
        if self._references == 0:
            self._keep_alive = None
        return self._references

    def _get_type_info_count(self, this, count):
        if not count:
            return _com.E_POINTER
        count[0] = 0
        return _com.S_OK

    def _get_type_info(self, this, index, lcid, info):
        if info:
            info[0] = None
        return _com.E_NOTIMPL

    def _get_ids_of_names(self, this, riid, names, count, lcid, dispids):
        hr = _com.S_OK
        for i in range(count):
            name = _utf16_at(names[i])
            dispid = self._names.get(name.lower(), _com.DISPID_UNKNOWN) if i == 0 else -1
            dispids[i] = dispid
            if dispid == _com.DISPID_UNKNOWN:
                hr = _com.DISP_E_UNKNOWNNAME
        return hr

    def _invoke(self, this, dispid, riid, lcid, flags, params, result, exception, bad_argument):
        handler = self._handlers.get(dispid)
        if handler is None:
            return _com.DISP_E_MEMBERNOTFOUND
        if result:
            self._library.VariantInit(result)
        try:
            arguments = []
            if params:
                p = params.contents
                arguments = [from_variant(self._library, p.rgvarg[p.cArgs - 1 - i])
                             for i in range(p.cArgs)]
            handler(*arguments)
        except BaseException as error:  # kept for the SDK call that raised the event
            if self.error is None:
                self.error = error
            return _com.DISP_E_EXCEPTION
        return _com.S_OK


def _utf16_at(address):
    """The zero-terminated UTF-16 text at `address`."""
    units = ctypes.cast(address, ctypes.POINTER(ctypes.c_uint16))
    length = 0
    while units[length] != 0:
        length += 1
    return ctypes.string_at(address, length * 2).decode("utf-16-le", "surrogatepass")


class Connection:
    """One sink advised on an object's connection point; disconnect() (or
    the object's collection) unadvises it."""

    def __init__(self, target, sink, iid):
        self._target = weakref.ref(target)
        self._sink = sink
        self._point = None
        self._cookie = 0
        container = _com.query_interface(target._pointer, _com.IID_IConnectionPointContainer)
        if container is None:
            raise ComError(_com.E_NOINTERFACE, "the object raises no events")
        try:
            point = ctypes.c_void_p()
            hr = _com.slot(container, _com.SLOT_FINDCONNECTIONPOINT, _com.FIND_CONNECTION_POINT)(
                container, ctypes.byref(iid), ctypes.byref(point))
            if hr < 0:
                raise ComError(hr, f"FindConnectionPoint {iid}: {hresult_text(hr)}")
        finally:
            _com.release(container)
        cookie = ctypes.c_uint32(0)
        hr = _com.slot(point.value, _com.SLOT_ADVISE, _com.ADVISE)(
            point.value, sink.pointer, ctypes.byref(cookie))
        if hr < 0:
            _com.release(point.value)
            raise ComError(hr, f"Advise: {hresult_text(hr)}")
        self._point = point.value
        self._cookie = cookie.value
        target._connections.append(self)

    @property
    def connected(self):
        return self._point is not None

    def take_error(self):
        error, self._sink.error = self._sink.error, None
        return error

    def disconnect(self):
        if self._point is None:
            return
        point, self._point = self._point, None
        try:
            _com.slot(point, _com.SLOT_UNADVISE, _com.UNADVISE)(point, self._cookie)
        finally:
            _com.release(point)
            target = self._target()
            if target is not None and self in target._connections:
                target._connections.remove(self)


def _answer(set_method, answer):
    # The SDK keeps the last answer it was given; no answer must not reuse it.
    if answer is None:
        answer = 0  # the Canceled value of each of the four enumerations
    if isinstance(answer, tuple):
        handling, apply_to_all = answer
    else:
        handling, apply_to_all = answer, False
    set_method(int(handling), bool(apply_to_all))


def _event_handlers(sdk, callables):
    """Handlers by DISPID that pull each event's data from `sdk` and call
    the Python callable with it."""
    # The sink outlives no call of the SDK object's wrapper and must not keep
    # it alive: the wrapper disconnects the sink when it is collected.
    sdk = weakref.proxy(sdk)
    handlers = {}

    def on(name, run):
        function = callables.get(name)
        if function is not None:
            handlers[EVENTS[name]] = lambda: run(function)

    on("OnPercentDone", lambda f: f(sdk.GetPercentDone()))

    def result_lines(f):
        lines = []
        for index in range(sdk.GetOperationResultCount()):
            found, succeeded, text = sdk.GetOperationResultInfo(index)
            if found:
                lines.append((succeeded, text))
        f(lines)

    on("OnOperationResultSend", result_lines)
    for kind in ("CheckinUnchangedFile", "UndoCheckoutChangedFile", "RecoverOrPurgeDeletedCopy"):
        getter = getattr(sdk, "GetPrompt" + kind)
        setter = getattr(sdk, "SetPrompt" + kind)
        on("Prompt" + kind, lambda f, g=getter, s=setter: _answer(s, f(g())))

    def writable_file(f):
        information, three_way_merge = sdk.GetPromptLeaveOrReplaceWriteableFile()
        _answer(sdk.SetPromptLeaveOrReplaceWriteableFile, f(information, three_way_merge))

    on("PromptLeaveOrReplaceWriteableFile", writable_file)
    return handlers


def connect_events(sdk, handler=None, **callables):
    """Connects Python callables to the SDK object's events and returns the
    Connection. `handler` is any object whose attributes named like the
    events (OnPercentDone ...) are the callables; keyword arguments name them
    one by one and win over the handler's. An exception a callable raises is
    raised from the SDK call during which the event came."""
    chosen = {}
    for name in EVENTS:
        function = callables.pop(name, None) or getattr(handler, name, None)
        if function is not None:
            chosen[name] = function
    if callables:
        raise TypeError("no such events: " + ", ".join(sorted(callables)))
    sink = Sink(sdk._library, _event_handlers(sdk, chosen), EVENTS, [DIID__IQorSDKEvents])
    return Connection(sdk, sink, DIID__IQorSDKEvents)
