"""`pip install --no-build-isolation` of the package, offline, from a copy of
python/ (pip builds in the source folder)."""

import importlib.util
import shutil
import subprocess
import sys

import pytest

from conftest import SOURCE_DIR


def test_pip_installs_the_package_without_downloading(tmp_path):
    missing = [m for m in ("pip", "setuptools", "wheel") if importlib.util.find_spec(m) is None]
    if missing:
        pytest.skip(f"{sys.executable} lacks {', '.join(missing)}")
    source = tmp_path / "source"
    shutil.copytree(SOURCE_DIR / "python", source, ignore=shutil.ignore_patterns("tests"))
    target = tmp_path / "site"
    subprocess.run(
        [sys.executable, "-m", "pip", "install", "--quiet", "--no-build-isolation", "--no-deps",
         "--no-index", "--target", str(target), str(source)],
        check=True, timeout=300)
    shown = subprocess.run(
        [sys.executable, "-c", "import qorvsdk, qorvsdk.constants as c; "
                               "print(qorvsdk.__file__, qorvsdk.__version__, c.Enum_LF)"],
        cwd=tmp_path, env={"PYTHONPATH": str(target), "PATH": "/usr/bin:/bin"},
        capture_output=True, text=True, check=True)
    path, version, lf = shown.stdout.split()
    assert path == str(target / "qorvsdk" / "__init__.py")
    assert (version, lf) == ("1.0.0", "1")
