"""Late binding through IDispatch: names looked up with GetIDsOfNames,
calls made with Invoke and DISPPARAMS.

Attribute access on a Dispatch object:
- `obj.Name` is a property get; when the name is a method (the property get
  answers DISP_E_MEMBERNOTFOUND, or DISP_E_BADPARAMCOUNT for a property that
  takes arguments), it is a callable that invokes it.
- `obj.Name = value` is a property put.
- A method in the object's parameter table (the SDK object's methods, see
  _signatures.py) takes its in-parameters only and returns its
  out-parameters: the return value (the last out-parameter, which Invoke
  hands back as its result) first, then the other out-parameters in declared
  order, as a tuple; a single value when there is only one; None when there
  is none.
- Any other method is called with the arguments given, in order, and
  returns Invoke's result.
"""

import collections.abc
import ctypes

from . import _com
from ._signatures import IQORVSDK
from ._variant import from_variant, text_from_bstr, to_variant

_OUT = object()  # marks an out-parameter in the argument list of one call
_PARAMETER_TABLES = {"IQORVSDK": IQORVSDK}


class ComError(Exception):
    """A failed call: `hresult` is what the call returned; for
    DISP_E_EXCEPTION `scode` is the failure of the member itself;
    `argument` is the index of the argument that could not be converted
    (in the order the caller passed them), or None."""

    def __init__(self, hresult, message, scode=None, argument=None):
        super().__init__(message)
        self.hresult = hresult
        self.scode = scode
        self.argument = argument


def hresult_text(hresult):
    return f"0x{hresult & 0xFFFFFFFF:08X}"


def _parse_table(table):
    """name (lower case) -> (method name, [(parameter, is_out)])."""
    parsed = {}
    for name, text in table.items():
        parameters = [(p.lstrip("*"), p.startswith("*")) for p in text.split()]
        parsed[name.lower()] = (name, parameters)
    return parsed


_PARSED_TABLES = {key: _parse_table(table) for key, table in _PARAMETER_TABLES.items()}


class Dispatch:
    """An IDispatch pointer called by name. Holds one reference, released
    when the object is collected (after disconnecting its event handlers)."""

    def __init__(self, library, pointer, parameters=None):
        object.__setattr__(self, "_library", library)
        object.__setattr__(self, "_pointer", pointer)
        object.__setattr__(self, "_dispids", {})
        object.__setattr__(self, "_parameters", _PARSED_TABLES.get(parameters, {}))
        object.__setattr__(self, "_connections", [])

    def __del__(self):
        pointer = self.__dict__.get("_pointer")
        if not pointer:
            return
        for connection in list(self._connections):
            connection.disconnect()
        object.__setattr__(self, "_pointer", None)
        _com.release(pointer)

    def __repr__(self):
        return f"<{type(self).__name__} 0x{self._pointer or 0:x}>"

    # ---- names -------------------------------------------------------------

    def _dispid(self, name):
        """The DISPID of `name`; AttributeError when the object does not know it."""
        key = name.lower()
        if key in self._dispids:
            return self._dispids[key]
        data = name.encode("utf-16-le") + b"\0\0"
        buffer = ctypes.create_string_buffer(data, len(data))
        names = (ctypes.c_void_p * 1)(ctypes.addressof(buffer))
        dispid = _com.DISPID(_com.DISPID_UNKNOWN)
        hr = _com.slot(self._pointer, _com.SLOT_GETIDSOFNAMES, _com.GETIDSOFNAMES)(
            self._pointer, ctypes.byref(_com.IID_NULL), names, 1, _com.LOCALE_USER_DEFAULT,
            ctypes.byref(dispid),
        )
        if hr != _com.S_OK:
            raise AttributeError(f"the object has no member {name!r} ({hresult_text(hr)})")
        self._dispids[key] = dispid.value
        return dispid.value

    def _has_member(self, name):
        try:
            self._dispid(name)
            return True
        except AttributeError:
            return False

    # ---- Invoke ------------------------------------------------------------

    def _invoke(self, name, flags, arguments, put=False, convert=None):
        """Invoke with `arguments` in caller order (_OUT marks a by-reference
        out-argument); returns (the converted result, [the converted outs])."""
        library = self._library
        dispid = self._dispid(name)
        count = len(arguments)
        rgvarg = (_com.VARIANT * max(count, 1))()
        cells = []
        named = _com.DISPID(_com.DISPID_PROPERTYPUT)
        try:
            for index, value in enumerate(arguments):
                variant = rgvarg[count - 1 - index]
                if value is _OUT:
                    cell = _com.VARIANT()
                    cells.append(cell)
                    variant.vt = _com.VT_BYREF | _com.VT_VARIANT
                    variant.value.byref = ctypes.addressof(cell)
                else:
                    to_variant(library, value, variant)
            params = _com.DISPPARAMS(ctypes.cast(rgvarg, ctypes.POINTER(_com.VARIANT)),
                                     ctypes.pointer(named) if put else None, count,
                                     1 if put else 0)
            result = _com.VARIANT()
            exception = _com.EXCEPINFO()
            bad_argument = ctypes.c_uint32(0xFFFFFFFF)
            hr = _com.slot(self._pointer, _com.SLOT_INVOKE, _com.INVOKE)(
                self._pointer, dispid, ctypes.byref(_com.IID_NULL), _com.LOCALE_USER_DEFAULT,
                flags, ctypes.byref(params), None if put else ctypes.byref(result),
                ctypes.byref(exception), ctypes.byref(bad_argument),
            )
            try:
                self._raise_handler_error()
                if hr < 0:
                    raise self._error(name, hr, exception, bad_argument.value, count)
                value = (convert or from_variant)(library, result)
                return value, [from_variant(library, cell) for cell in cells]
            finally:
                library.VariantClear(ctypes.byref(result))
                for field in ("bstrSource", "bstrDescription", "bstrHelpFile"):
                    library.SysFreeString(getattr(exception, field))
        finally:
            for index in range(count):
                library.VariantClear(ctypes.byref(rgvarg[index]))
            for cell in cells:
                library.VariantClear(ctypes.byref(cell))

    def _error(self, name, hr, exception, bad_argument, count):
        argument = count - 1 - bad_argument if bad_argument < count else None
        scode = exception.scode if hr == _com.DISP_E_EXCEPTION else None
        text = f"{name}: {hresult_text(hr)}"
        if scode is not None:
            text += f" (the member failed with {hresult_text(scode)})"
        description = text_from_bstr(self._library, exception.bstrDescription)
        if description:
            text += ": " + description
        if argument is not None and hr in (_com.DISP_E_TYPEMISMATCH, _com.DISP_E_OVERFLOW):
            text += f" at argument {argument + 1}"
        return ComError(hr, text, scode, argument)

    def _raise_handler_error(self):
        """An exception an event handler raised while the call ran is raised
        from the call."""
        for connection in self._connections:
            error = connection.take_error()
            if error is not None:
                raise error

    # ---- attribute access ---------------------------------------------------

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        if name.lower() in self._parameters:
            return _Method(self, self._parameters[name.lower()][0])
        self._dispid(name)
        try:
            return self._invoke(name, _com.DISPATCH_PROPERTYGET, [])[0]
        except ComError as error:
            if error.hresult in (_com.DISP_E_MEMBERNOTFOUND, _com.DISP_E_BADPARAMCOUNT):
                return _Method(self, name)
            raise

    def __setattr__(self, name, value):
        if name.startswith("_"):
            object.__setattr__(self, name, value)
            return
        self._invoke(name, _com.DISPATCH_PROPERTYPUT, [value], put=True)

    def _call(self, name, args, kwargs):
        entry = self._parameters.get(name.lower())
        if entry is None:
            if kwargs:
                raise TypeError(f"{name} takes no keyword arguments (its parameter names are "
                                "not known)")
            return self._invoke(name, _com.DISPATCH_METHOD | _com.DISPATCH_PROPERTYGET,
                                list(args))[0]
        return _call_with_table(self, entry, args, kwargs)


def _call_with_table(target, entry, args, kwargs):
    name, parameters = entry
    inputs = [p for p, is_out in parameters if not is_out]
    if len(args) > len(inputs):
        raise TypeError(f"{name} takes {len(inputs)} arguments ({', '.join(inputs)}); "
                        f"{len(args)} given")
    values = dict(zip(inputs, args))
    for key, value in kwargs.items():
        if key not in inputs:
            raise TypeError(f"{name} has no in-parameter {key!r}")
        if key in values:
            raise TypeError(f"{name} got {key!r} twice")
        values[key] = value
    missing = [p for p in inputs if p not in values]
    if missing:
        raise TypeError(f"{name} is missing {', '.join(missing)}")
    returns_last = bool(parameters) and parameters[-1][1]
    listed = parameters[:-1] if returns_last else parameters
    arguments = [_OUT if is_out else values[p] for p, is_out in listed]
    try:
        result, outs = target._invoke(name, _com.DISPATCH_METHOD, arguments)
    except ComError as error:
        # Invoke counts the out-arguments too; the caller passed only ins.
        if error.argument is not None and error.argument < len(listed):
            parameter = listed[error.argument][0]
            error.argument = inputs.index(parameter) if parameter in inputs else None
            error.args = (f"{error.args[0]} ({parameter})",)
        raise
    values_out = ([result] if returns_last else []) + outs
    if not values_out:
        return None
    return values_out[0] if len(values_out) == 1 else tuple(values_out)


class _Method:
    """A method of a Dispatch object, bound to it."""

    def __init__(self, target, name):
        self._target = target
        self._name = name

    def __call__(self, *args, **kwargs):
        return self._target._call(self._name, args, kwargs)

    def __repr__(self):
        return f"<method {self._name} of {self._target!r}>"


class Collection(Dispatch, collections.abc.Sequence):
    """A result collection as a Python sequence: len() is Count, [i] is
    Item(i) (0-based, negative from the end, a slice gives a list), and
    iteration walks _NewEnum's snapshot."""

    def __len__(self):
        return self._invoke("Count", _com.DISPATCH_PROPERTYGET, [])[0]

    def __getitem__(self, index):
        if isinstance(index, slice):
            return [self[i] for i in range(*index.indices(len(self)))]
        count = len(self)
        if index < 0:
            index += count
        if not 0 <= index < count:
            raise IndexError("collection index out of range")
        return self._invoke("Item", _com.DISPATCH_METHOD | _com.DISPATCH_PROPERTYGET,
                            [index])[0]

    def __iter__(self):
        enumerator = self._invoke("_NewEnum", _com.DISPATCH_METHOD | _com.DISPATCH_PROPERTYGET,
                                  [], convert=_enumerator_of)[0]
        try:
            next_ = _com.slot(enumerator, _com.SLOT_ENUMVARIANT_NEXT, _com.ENUM_NEXT)
            while True:
                item = _com.VARIANT()
                fetched = ctypes.c_uint32(0)
                hr = next_(enumerator, 1, ctypes.byref(item), ctypes.byref(fetched))
                if hr != _com.S_OK or fetched.value != 1:
                    break
                try:
                    value = from_variant(self._library, item)
                finally:
                    self._library.VariantClear(ctypes.byref(item))
                yield value
        finally:
            _com.release(enumerator)


def _enumerator_of(library, variant):
    """The IEnumVARIANT of a _NewEnum result (a new reference)."""
    if variant.vt not in (_com.VT_UNKNOWN, _com.VT_DISPATCH) or not variant.value.punkVal:
        raise ComError(_com.E_FAIL, "_NewEnum returned no enumerator")
    enumerator = _com.query_interface(variant.value.punkVal, _com.IID_IEnumVARIANT)
    if enumerator is None:
        raise ComError(_com.E_NOINTERFACE, "_NewEnum's object is no IEnumVARIANT")
    return enumerator


def wrap(library, pointer, is_dispatch, parameters=None):
    """A Dispatch (or Collection) holding a new reference to the object of
    `pointer`; None when it has no IDispatch. `parameters` names the
    parameter table of its methods."""
    if is_dispatch:
        _com.add_ref(pointer)
        dispatch = pointer
    else:
        dispatch = _com.query_interface(pointer, _com.IID_IDispatch)
        if dispatch is None:
            return None
    probe = Dispatch(library, dispatch, parameters)
    if probe._has_member("Count") and probe._has_member("Item"):
        object.__setattr__(probe, "_pointer", None)  # handed over to the collection
        return Collection(library, dispatch, parameters)
    return probe
