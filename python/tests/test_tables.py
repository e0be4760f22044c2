"""The parts that need no server: the tables that mirror the C headers, the
registry reader that picks the module, and date conversion."""

import datetime
import re

import pytest

from conftest import SOURCE_DIR
from qorvsdk import _events, _library, constants
from qorvsdk._registry import Registry, registry_path
from qorvsdk._signatures import IQORVSDK
from qorvsdk._variant import date_from_ole, date_to_ole

HEADERS = SOURCE_DIR / "include" / "qorvsdk"


def _header_methods():
    text = (HEADERS / "sdk.h").read_text()
    body = text[text.index("struct IQORVSDK"):text.index("struct _IQorSDKEvents")]
    methods = {}
    for name, parameters in re.findall(r"virtual HRESULT (\w+)\((.*?)\) = 0;", body, re.S):
        marked = []
        for parameter in filter(None, (p.strip() for p in parameters.split(","))):
            kind, _, pname = parameter.rpartition(" ")
            # A pointer is an out-parameter except the caller-made
            # IQORVOperationResult* of GetOldVersionFile and DeleteProject.
            is_out = kind.endswith("**") or (kind.endswith("*") and not kind.startswith("IQORV"))
            marked.append(("*" if is_out else "") + pname)
        methods[name] = " ".join(marked)
    return methods


def test_parameter_table_matches_the_sdk_header():
    assert IQORVSDK == _header_methods()
    assert list(IQORVSDK) == list(_header_methods())  # DISPID order


def test_constants_and_event_identities_match_the_headers():
    enums = dict(re.findall(r"(Enum_\w+) = (-?\d+)", (HEADERS / "enums.h").read_text()))
    ours = {k: v for k, v in vars(constants).items() if k.startswith("Enum_")}
    assert ours == {k: int(v) for k, v in enums.items()}

    sdk_header = (HEADERS / "sdk.h").read_text()
    dispids = dict(re.findall(r"DISPID_(\w+) = (\d+)", sdk_header))
    assert _events.EVENTS == {k: int(v) for k, v in dispids.items()}
    guids = (HEADERS / "guids.h").read_text()
    declared = re.search(r"// \{([0-9A-F-]+)\}\ninline constexpr IID DIID__IQorSDKEvents", guids)
    assert str(_events.DIID__IQorSDKEvents) == "{" + declared.group(1) + "}"


REGISTERED = """QORV-REGISTRY 1
; written by qorvreg
[KeltoQorSDK.QorSDK]
@="QorSDK Class"
[KeltoQorSDK.QorSDK\\CLSID]
@="{6CE1715C-2303-4EF8-9A56-2700C1DD305F}"
[CLSID\\{6CE1715C-2303-4EF8-9A56-2700C1DD305F}\\InprocServer32]\r
@="/opt/q \\"x\\"\\\\lib/libqorvsdk.so"
"ThreadingModel"="Apartment"
"""


def test_registry_reader_finds_the_module_of_a_prog_id():
    registry = Registry.parse(REGISTERED)
    assert registry.inproc_server("keltoqorsdk.qorsdk") == '/opt/q "x"\\lib/libqorvsdk.so'
    assert registry.inproc_server("KeltoQorSDK.Other") is None
    # A file the module itself would refuse names no module either.
    assert Registry.parse(REGISTERED.replace("QORV-REGISTRY 1", "REGISTRY 2")).inproc_server(
        "KeltoQorSDK.QorSDK") is None
    assert Registry.parse(REGISTERED + "garbage\n").inproc_server("KeltoQorSDK.QorSDK") is None
    assert Registry.parse(REGISTERED + '@="open\n').inproc_server("KeltoQorSDK.QorSDK") is None


def test_module_is_taken_from_the_variable_then_the_registry_then_the_search(tmp_path):
    path = tmp_path / "r.reg"
    path.write_text(REGISTERED)
    environ = {"QORV_REGISTRY": str(path), "HOME": str(tmp_path)}
    assert [p for p, _ in _library.module_candidates(environ)] == [
        '/opt/q "x"\\lib/libqorvsdk.so', "libqorvsdk.so.1", "libqorvsdk.so"]
    assert _library.module_candidates(dict(environ, QORV_MODULE="/m.so")) == [
        ("/m.so", "$QORV_MODULE")]
    # No registry file: the loader's search alone.
    assert [p for p, _ in _library.module_candidates({"HOME": str(tmp_path)})] == [
        "libqorvsdk.so.1", "libqorvsdk.so"]

    assert registry_path({"XDG_CONFIG_HOME": "/x", "HOME": "/h"}) == "/x/qorvsdk/registry.reg"
    assert registry_path({"XDG_CONFIG_HOME": "rel", "HOME": "/h"}) == (
        "/h/.config/qorvsdk/registry.reg")

    with pytest.raises(_library.ModuleNotFound, match=r"/m\.so \(from \$QORV_MODULE\)"):
        _library.load_module({"QORV_MODULE": "/m.so"})


@pytest.mark.parametrize("moment, days", [
    (datetime.datetime(1899, 12, 30), 0.0),
    (datetime.datetime(2026, 12, 7, 18, 0), 46363.75),
    (datetime.datetime(1899, 12, 29, 6, 0), -1.25),  # the fraction counts away from zero
    (datetime.datetime(1800, 1, 1, 12, 0), -36522.5),
])
def test_ole_dates(moment, days):
    assert date_to_ole(moment) == pytest.approx(days)
    assert date_from_ole(days) == moment
    assert date_to_ole(moment.date()) == int(date_to_ole(moment))
