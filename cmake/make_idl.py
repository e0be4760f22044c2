#!/usr/bin/env python3
"""Writes the IDL of the type library QORVSDKLib from the public headers.

The headers (include/qorvsdk/) are the one source of the interfaces, their
DISPIDs and parameter names, the enumerations and the identities; the IDL is
made from them at build time, and widl makes the type library from the IDL,
so the two cannot differ. Anything in a header this script does not
understand stops it with the line, rather than leaving a member out.

    make_idl.py <include/qorvsdk folder> <output .idl>
"""
import re
import sys

HEADERS = ["guids.h", "enums.h", "items.h", "transfer_settings.h", "sdk.h"]
SIMPLE_TYPES = {"BSTR", "LONG", "VARIANT_BOOL", "DATE", "VARIANT", "IUnknown", "IDispatch"}


def fail(message):
    sys.exit("make_idl.py: " + message)


def read(folder, name):
    with open(f"{folder}/{name}", encoding="utf-8") as f:
        return f.read()


def guid_text(body):
    numbers = [int(n, 16) for n in re.findall(r"0x([0-9A-Fa-f]+)", body)]
    if len(numbers) != 11:
        fail("a GUID without 11 parts: " + body)
    d1, d2, d3, *d4 = numbers
    tail = "".join(f"{b:02X}" for b in d4)
    return f"{d1:08X}-{d2:04X}-{d3:04X}-{tail[:4]}-{tail[4:]}"


def parse_guids(text):
    guids = {}
    for name, body in re.findall(
        r"inline constexpr (?:GUID|IID|CLSID) (\w+) = \{(.*?)\};", text, re.S
    ):
        guids[name] = guid_text(body)
    return guids


def parse_enums(text):
    enums = []
    for name, body in re.findall(r"enum (Enum_\w+) QORV_ENUM_TYPE \{(.*?)\};", text, re.S):
        body = re.sub(r"//[^\n]*", "", body)
        values = []
        for item in body.split(","):
            item = item.strip()
            if not item:
                continue
            match = re.fullmatch(r"(\w+) = (-?\w+)", item)
            if not match:
                fail(f"enumerator not understood in {name}: {item}")
            values.append((match.group(1), match.group(2)))
        enums.append((name, values))
    return enums


class Member:
    def __init__(self, name, params, dispid):
        self.name = name
        self.params = params  # [(type, name)]
        self.dispid = dispid


def parse_interfaces(text):
    """Interfaces in header order: name -> list of Member."""
    interfaces = []
    for name, body in re.findall(r"struct (\w+) : IDispatch \{\n(.*?)\n\};", text, re.S):
        members = []
        pending_dispid = None
        statement = ""
        for line in body.split("\n"):
            code, _, comment = line.partition("//")
            found = re.search(r"DISPID (-?\d+)", comment)
            if not code.strip():
                if found:
                    pending_dispid = int(found.group(1))
                continue
            statement += " " + code.strip()
            if found:
                pending_dispid = int(found.group(1))
            if not statement.rstrip().endswith("= 0;"):
                continue
            match = re.fullmatch(r"\s*virtual HRESULT (\w+)\((.*)\) = 0;\s*", statement)
            if not match:
                fail(f"member of {name} not understood: {statement.strip()}")
            statement = ""
            member_name, param_text = match.groups()
            params = []
            for param in filter(None, (p.strip() for p in param_text.split(","))):
                found_param = re.fullmatch(r"(\w+)\s*(\**)\s*(\w+)", param)
                if not found_param:
                    fail(f"parameter of {name}::{member_name} not understood: {param}")
                params.append((found_param.group(1) + found_param.group(2), found_param.group(3)))
            if member_name.startswith("put_"):
                previous = members[-1] if members else None
                if previous is None or previous.name != "get_" + member_name[4:]:
                    fail(f"{name}::{member_name} does not follow its get")
                dispid = previous.dispid
            else:
                if pending_dispid is None:
                    fail(f"{name}::{member_name} has no DISPID comment")
                dispid = pending_dispid
            pending_dispid = None
            members.append(Member(member_name, params, dispid))
        interfaces.append((name, members))
    return interfaces


def idl_type(type_text, known):
    base = type_text.rstrip("*")
    if base not in SIMPLE_TYPES and base not in known:
        fail("type not known to the type library: " + type_text)
    return type_text.replace("*", " *").replace("  ", " ")


def member_idl(member, known):
    name = member.name
    if name.startswith("get_") or name.startswith("put_"):
        kind = "propget" if name.startswith("get_") else "propput"
        name = name[4:]
        attributes = [kind, f"id({member.dispid})"]
        if member.dispid == -4:
            attributes.append("restricted")
        params = []
        for i, (t, n) in enumerate(member.params):
            is_last = i == len(member.params) - 1
            if kind == "propget" and is_last:
                direction = "[out, retval]"
            else:
                direction = "[in]"
            params.append(f"{direction} {idl_type(t, known)} {n}")
    else:
        attributes = [f"id({member.dispid})"]
        params = []
        for t, n in member.params:
            # A pointer to a non-interface type is an out-parameter; a pointer
            # to an interface is an object passed in (the caller's
            # IQORVOperationResult), two stars one handed back.
            stars = t.count("*")
            base = t.rstrip("*")
            is_interface = base.startswith("I")
            out = stars == 2 or (stars == 1 and not is_interface)
            params.append(f"{'[out]' if out else '[in]'} {idl_type(t, known)} {n}")
    return f"    [{', '.join(attributes)}] HRESULT {name}({', '.join(params)});"


def main():
    if len(sys.argv) != 3:
        fail("usage: make_idl.py <include/qorvsdk folder> <output .idl>")
    folder, output = sys.argv[1:]
    texts = {name: read(folder, name) for name in HEADERS}
    guids = parse_guids(texts["guids.h"])
    enums = parse_enums(texts["enums.h"])
    interfaces = []
    for name in ("items.h", "transfer_settings.h", "sdk.h"):
        interfaces += parse_interfaces(texts[name])
    names = [name for name, _ in interfaces]
    known = set(names) | {name for name, _ in enums}

    events = re.search(r"enum QorvSdkEventDispid \{(.*?)\};", texts["sdk.h"], re.S)
    if not events:
        fail("the event DISPIDs are missing from sdk.h")
    event_members = re.findall(r"DISPID_(\w+) = (\d+)", events.group(1))
    help_match = re.search(r'help string "([^"]+)"', texts["guids.h"])
    version_match = re.search(r"The type library: version (\d+)\.(\d+)", texts["guids.h"])
    if not help_match or not version_match:
        fail("guids.h does not give the library's version and help string")

    out = []
    out.append("// Made by cmake/make_idl.py from include/qorvsdk/*.h; do not edit.")
    out.append("import \"oaidl.idl\";")
    out.append("import \"ocidl.idl\";")
    out.append("")
    out.append(f"[uuid({guids['LIBID_QORVSDKLib']}), "
               f"version({version_match.group(1)}.{version_match.group(2)}), "
               f"helpstring(\"{help_match.group(1)}\")]")
    out.append("library QORVSDKLib")
    out.append("{")
    out.append("  importlib(\"stdole2.tlb\");")
    out.append("")
    for name, values in enums:
        out.append("  typedef enum {")
        out.append(",\n".join(f"    {n} = {v}" for n, v in values))
        out.append(f"  }} {name};")
    out.append("")
    for name in names:
        out.append(f"  interface {name};")
    out.append("")
    for name, members in interfaces:
        iid = guids.get("IID_" + name)
        if iid is None:
            fail(f"{name} has no IID in guids.h")
        out.append(f"  [object, uuid({iid}), dual, oleautomation, pointer_default(unique)]")
        out.append(f"  interface {name} : IDispatch")
        out.append("  {")
        for member in members:
            out.append(member_idl(member, known))
        out.append("  };")
        out.append("")
    out.append(f"  [uuid({guids['DIID__IQorSDKEvents']})]")
    out.append("  dispinterface _IQorSDKEvents")
    out.append("  {")
    out.append("  properties:")
    out.append("  methods:")
    for event, dispid in event_members:
        out.append(f"    [id({dispid})] void {event}();")
    out.append("  };")
    out.append("")
    for guid_name, clsid in guids.items():
        if not guid_name.startswith("CLSID_"):
            continue
        coclass = guid_name[len("CLSID_"):]
        interface = "I" + coclass
        if interface not in names:
            fail(f"coclass {coclass} has no interface {interface}")
        out.append(f"  [uuid({clsid})]")
        out.append(f"  coclass {coclass}")
        out.append("  {")
        out.append(f"    [default] interface {interface};")
        if coclass == "QORVSDK":
            out.append("    interface IQORVTransferSettings;")
            out.append("    [default, source] dispinterface _IQorSDKEvents;")
        out.append("  };")
    out.append("};")
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
