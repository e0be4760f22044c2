"""Connecting, logging in, properties and the calling rules, against a real
server."""

import datetime

import pytest

import qorvsdk
from conftest import SAMPLE_DATABASE, SAMPLE_PASSWORD, SAMPLE_USER
from qorvsdk import _com


def test_connect_and_login_return_the_outs_after_the_result(registry, server):
    sdk = qorvsdk.create()
    connected = sdk.ConnectToServer(ServerIP=server.host, ServerPort=server.port, ProxyType=0,
                                    ProxyIP="", ProxyPort=0, UserName="", Password="")
    result, is_connected, encryption, canceled, text = connected
    assert (result, is_connected, encryption, canceled) == (0, True, 0, False), text

    refused = sdk.Login(SAMPLE_USER, "not the password", SAMPLE_DATABASE, None)
    assert refused[0] != 0
    assert refused[4]  # the description says why

    result, must_change, expire_days, canceled, text = sdk.Login(
        SAMPLE_USER, SAMPLE_PASSWORD, SAMPLE_DATABASE, None)
    assert (result, must_change, canceled) == (0, False, False), text
    assert isinstance(expire_days, int)


def test_a_port_nobody_listens_on_fails_the_connect(registry, server):
    sdk = qorvsdk.create()
    server.process.send_signal(2)
    server.process.wait(timeout=30)
    result, connected, _, _, text = sdk.ConnectToServer(server.host, server.port, 0, "", 0, "", "")
    assert result != 0 and not connected
    assert text


def test_arguments_are_checked_before_and_by_invoke(sdk):
    with pytest.raises(TypeError, match="missing DatabaseName, KeyInfoSet"):
        sdk.Login("alice", "wonderland")
    with pytest.raises(TypeError, match="no in-parameter 'Port'"):
        sdk.ConnectToServer("h", Port=1)
    with pytest.raises(TypeError, match="takes 1 arguments"):
        sdk.GetFileCountInProject("$/Game", 1)
    with pytest.raises(AttributeError, match="NoSuchMethod"):
        sdk.NoSuchMethod
    # Invoke refuses text that is no date; the error names the in-parameter
    # (Invoke counted the out-arguments before it too).
    with pytest.raises(qorvsdk.ComError) as caught:
        sdk.GetFileHistory("$/Game/src/main.c", "", "yesterday", 0.0)
    assert caught.value.hresult == _com.DISP_E_TYPEMISMATCH
    assert caught.value.argument == 2
    assert "DateFrom" in str(caught.value)


def test_properties_get_and_put_by_attribute(sdk):
    assert sdk.SizeMode == 0
    sdk.SizeMode = 2
    sdk.compressedtransfer = 1  # names ignore case
    assert (sdk.SizeMode, sdk.CompressedTransfer) == (2, 1)
    with pytest.raises(qorvsdk.ComError) as caught:
        sdk.SizeMode = 7
    assert caught.value.scode == _com.E_INVALIDARG
    assert sdk.SizeMode == 2
    sdk.TrustedCAFile = "/etc/ca.pem"
    assert sdk.TrustedCAFile == "/etc/ca.pem"


def test_objects_made_by_prog_id_hold_what_is_put(registry):
    item = qorvsdk.create("KeltoQorSDK.QORFileList")
    item.FileName = "naïve – ☃.txt"
    item.LatestVersion = datetime.datetime(2026, 12, 7, 9, 8, 55)
    item.VersionNumber = 3
    assert item.FileName == "naïve – ☃.txt"
    assert item.LatestVersion == datetime.datetime(2026, 12, 7, 9, 8, 55)
    assert item.VersionNumber == 3
    with pytest.raises(qorvsdk.ComError) as caught:
        qorvsdk.create("KeltoQorSDK.NoSuchClass")
    assert caught.value.hresult == _com.CO_E_CLASSSTRING
