"""Reading the file-backed registry (docs/registry.md) to find the module
registered for a ProgID. Activation itself reads the file again inside the
module; this reader only decides which module file to load first.
"""

import os

_HEADER = "QORV-REGISTRY 1"
_ESCAPES = {"\\": "\\", '"': '"', "n": "\n", "r": "\r"}


def registry_path(environ=None):
    """$QORV_REGISTRY, else qorvsdk/registry.reg under $XDG_CONFIG_HOME (when
    absolute), else under ~/.config."""
    environ = os.environ if environ is None else environ
    if environ.get("QORV_REGISTRY"):
        return environ["QORV_REGISTRY"]
    config = environ.get("XDG_CONFIG_HOME", "")
    if not os.path.isabs(config):
        config = os.path.join(environ.get("HOME", os.path.expanduser("~")), ".config")
    return os.path.join(config, "qorvsdk", "registry.reg")


def _unquote(text):
    """The value of a quoted string and the rest of the line after it, or
    None when `text` does not start with a well-formed one."""
    if not text.startswith('"'):
        return None
    value = []
    i = 1
    while i < len(text):
        c = text[i]
        if c == '"':
            return "".join(value), text[i + 1:]
        if c == "\\":
            if i + 1 >= len(text) or text[i + 1] not in _ESCAPES:
                return None
            value.append(_ESCAPES[text[i + 1]])
            i += 2
            continue
        value.append(c)
        i += 1
    return None


class Registry:
    """Default values of the registry's keys, by lower-case key path. A file
    that is missing or does not parse reads as empty."""

    def __init__(self, defaults):
        self._defaults = defaults

    @classmethod
    def read(cls, path):
        try:
            with open(path, encoding="utf-8") as f:
                return cls.parse(f.read())
        except (OSError, UnicodeDecodeError):
            return cls({})

    @classmethod
    def parse(cls, text):
        defaults = {}
        key = None
        seen_header = False
        for line in text.split("\n"):
            line = line.rstrip("\r")
            if not line or line.startswith(";"):
                continue
            if not seen_header:
                if line != _HEADER:
                    return cls({})
                seen_header = True
            elif line.startswith("[") and line.endswith("]"):
                key = line[1:-1].lower()
            elif line.startswith("@=") and key is not None:
                parsed = _unquote(line[2:])
                if parsed is None or parsed[1]:
                    return cls({})
                defaults[key] = parsed[0]
            elif line.startswith('"'):
                name = _unquote(line)
                if name is None or not name[1].startswith("=") or _unquote(name[1][1:]) is None:
                    return cls({})
            else:
                return cls({})
        return cls(defaults)

    def default(self, key):
        return self._defaults.get(key.lower())

    def inproc_server(self, prog_id):
        """The module file registered for the class of `prog_id`, or None."""
        clsid = self.default(prog_id + "\\CLSID")
        if not clsid:
            return None
        return self.default("CLSID\\" + clsid + "\\InprocServer32")
