"""Fixtures: the built programs, a private registry with the built module
registered by qorvreg, and a reference server (`qorv serve --sample`) on a
free loopback port with the sample database (users alice/wonderland and
bob/builder, database Demo).

$QORV_BUILD_DIR names the build folder (default: build/debug of the source
tree). A module built with AddressSanitizer needs its runtime loaded first:
the CTest entry sets LD_PRELOAD for that.
"""

import os
import pathlib
import signal
import subprocess
import sys

import pytest

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE_DIR / "python"))

import qorvsdk  # noqa: E402

SAMPLE_USER = "alice"
SAMPLE_PASSWORD = "wonderland"
SAMPLE_DATABASE = "Demo"


class Build:
    def __init__(self, folder):
        self.folder = folder
        self.qorv = folder / "cli" / "qorv"
        self.qorvreg = folder / "cli" / "qorvreg"
        self.module = folder / "src" / "sdk" / "libqorvsdk.so"


@pytest.fixture(scope="session")
def build():
    folder = pathlib.Path(os.environ.get("QORV_BUILD_DIR") or SOURCE_DIR / "build" / "debug")
    built = Build(folder.resolve())
    for path in (built.qorv, built.qorvreg, built.module):
        if not path.exists():
            pytest.fail(f"{path} is not built (QORV_BUILD_DIR={folder})")
    return built


@pytest.fixture(scope="session")
def registry(build, tmp_path_factory):
    """A registry file of this test run with the built module registered;
    $QORV_REGISTRY points at it for the whole run."""
    path = tmp_path_factory.mktemp("registry") / "registry.reg"
    saved = {name: os.environ.get(name) for name in ("QORV_REGISTRY", "QORV_MODULE")}
    os.environ["QORV_REGISTRY"] = str(path)
    os.environ.pop("QORV_MODULE", None)
    subprocess.run([str(build.qorvreg), "/s", str(build.module)], check=True, timeout=60)
    yield path
    for name, value in saved.items():
        if value is None:
            os.environ.pop(name, None)
        else:
            os.environ[name] = value


class Server:
    def __init__(self, process, address):
        self.process = process
        self.host, port = address.rsplit(":", 1)
        self.port = int(port)


@pytest.fixture
def server(build, tmp_path):
    """`qorv serve --sample` in a folder of this test, stopped with Ctrl-C."""
    environment = dict(os.environ, XDG_CONFIG_HOME=str(tmp_path / "config"),
                       XDG_CACHE_HOME=str(tmp_path / "cache"))
    process = subprocess.Popen(
        [str(build.qorv), "serve", "--data", str(tmp_path / "data"), "--sample", "--quiet"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment, text=True)
    try:
        line = process.stdout.readline()
        if not line.startswith("listening on "):
            pytest.fail(f"qorv serve did not start: {line}{process.stderr.read()}")
        yield Server(process, line.split()[-1])
    finally:
        process.send_signal(signal.SIGINT)
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        process.stdout.close()
        process.stderr.close()


@pytest.fixture
def sdk(registry, server, tmp_path, monkeypatch):
    """An SDK object connected to the server and logged in as alice. Its
    cache and settings go to folders of this test."""
    monkeypatch.setenv("XDG_CACHE_HOME", str(tmp_path / "cache"))
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "config"))
    client = qorvsdk.create()
    result, connected, _, _, text = client.ConnectToServer(server.host, server.port, 0, "", 0,
                                                           "", "")
    assert (result, connected) == (0, True), text
    result, _, _, _, text = client.Login(SAMPLE_USER, SAMPLE_PASSWORD, SAMPLE_DATABASE, None)
    assert result == 0, text
    return client
