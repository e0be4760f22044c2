"""Queries, a get, a check-in, events, cancel and prompts against a real
server with the sample database."""

import datetime
import os
import stat

import pytest

import qorvsdk
from qorvsdk import constants as c


def _get_project(sdk, project, folder, writable=c.Enum_WritableFileHandlingReplace):
    return sdk.GetLatestProject(project, str(folder), True, False, writable, c.Enum_LF,
                                c.Enum_SetLocalFileTimeCurrent, "", "")


def test_queries_return_collections_as_sequences(sdk):
    result, files, canceled, text = sdk.GetFileListFromProject("$/Game/src")
    assert result == 0, text
    assert isinstance(files, qorvsdk.Collection)
    assert len(files) == 2
    by_name = {f.FileName: f for f in files}
    assert sorted(by_name) == ["main.c", "util.c"]
    assert by_name["main.c"].VersionNumber == 3
    assert by_name["main.c"].UserName == "bob"
    assert by_name["util.c"].FileStatus == c.Enum_FileStatusShared
    assert isinstance(by_name["main.c"].LatestVersion, datetime.datetime)
    # Indexing and iteration see the same elements in the same order.
    assert [f.FileName for f in files] == [files[0].FileName, files[-1].FileName]
    assert [f.FileName for f in files[::-1]] == [files[1].FileName, files[0].FileName]
    with pytest.raises(IndexError):
        files[2]

    result, pinned, history, _, text = sdk.GetFileHistory("$/Game/src/main.c", "", 0.0, 0.0)
    assert (result, pinned) == (0, False), text
    check_ins = [(e.Version, e.UserName, e.Comment) for e in history if e.Action == "Checked in"]
    assert check_ins == [(3, "bob", "Uses the helper"), (2, "alice", "Greets the world")]
    assert [e.Label for e in history if e.Action == "Labeled"] == ["release-1.0"]

    result, subprojects, _, _ = sdk.GetSubProjectsFromParent("$/Game")
    assert sorted(p.SubProjectName for p in subprojects) == ["assets", "src"]
    result, aliases, _, _ = sdk.GetDatabaseAlias()
    assert "Demo" in [a.DatabaseName for a in aliases]

    (result, subs, deleted_subs, files_count, deleted_files, version, when, comment, canceled,
     text) = sdk.GetProjectGeneralInfo("$/Game")
    assert result == 0, text
    assert (subs, files_count, deleted_files) == (2, 1, 1)
    assert isinstance(when, datetime.datetime)
    result, exists, _, _ = sdk.IsProjectExistingOnServer("$/Nothing")
    assert (result, exists) == (0, False)


def test_get_then_check_in_a_new_version(sdk, tmp_path):
    result, _, text, operations = _get_project(sdk, "$/Game/src", tmp_path)
    assert result == 0, text
    assert [op.OperationResult for op in operations] == [0, 0]
    main = tmp_path / "main.c"
    assert "answer()" in main.read_text()

    checkout = qorvsdk.create("KeltoQorSDK.QORCheckoutFileSet")
    entry = qorvsdk.create("KeltoQorSDK.QORCheckoutFile")
    entry.FileToCheckout = "$/Game/src/main.c"
    entry.LocalFileName = str(main)
    assert checkout.Add(entry) is True
    result, _, text, _ = sdk.CheckoutFiles(checkout, "edit", False,
                                           c.Enum_WritableFileHandlingReplace, c.Enum_LF,
                                           c.Enum_SetLocalFileTimeCurrent)
    assert result == 0, text
    main.write_text(main.read_text() + "/* checked in from Python */\n")

    checkin = qorvsdk.create("KeltoQorSDK.QORCheckinFileSet")
    entry = qorvsdk.create("KeltoQorSDK.QORCheckinFile")
    entry.FileToCheckin = "$/Game/src/main.c"
    entry.LocalFileName = str(main)
    checkin.Add(entry)
    result, _, text, operations = sdk.CheckInFiles(
        checkin, False, "from Python", c.Enum_LF, c.Enum_SetLocalFileTimeCurrent,
        c.Enum_CheckinUnchangedFileHandlingCheckin, True, False, "", "")
    assert result == 0, text
    assert operations[0].OperationResult == 0

    result, file_type, version, _, size, comment, _, text = sdk.GetFileGeneralInfo(
        "$/Game/src/main.c")
    assert (result, version) == (0, 4), text
    assert size == main.stat().st_size


def test_events_reach_python_callables(sdk, tmp_path):
    percents, lines = [], []
    connection = qorvsdk.connect_events(sdk, OnPercentDone=percents.append,
                                        OnOperationResultSend=lines.extend)
    result, _, text, _ = _get_project(sdk, "$/Game", tmp_path)
    assert result == 0, text
    assert percents and percents[-1] == 100
    assert all(0 <= p <= 100 for p in percents)
    assert any(ok and "main.c" in line for ok, line in lines)

    sink = connection._sink
    assert sink.references > 0
    connection.disconnect()
    assert not connection.connected
    assert sink.references == 0  # the SDK object let go of the sink
    percents.clear()
    _get_project(sdk, "$/Game", tmp_path / "again")
    assert percents == []


def test_collecting_the_object_disconnects_its_handlers(registry):
    sdk = qorvsdk.create()
    sink = qorvsdk.connect_events(sdk, OnPercentDone=print)._sink
    assert sink.references > 0
    del sdk
    assert sink.references == 0


def test_cancel_from_an_event_handler_and_handler_errors(sdk, tmp_path):
    class Handler:
        seen = 0

        def OnPercentDone(self, percent):
            self.seen += 1
            sdk.RequestCancel()

    handler = Handler()
    connection = qorvsdk.connect_events(sdk, handler)
    result, canceled, text, _ = _get_project(sdk, "$/Game", tmp_path)
    assert handler.seen >= 1
    assert result != 0 and canceled, text
    connection.disconnect()

    # An exception in a handler comes out of the call that raised the event.
    def fail(percent):
        raise LookupError("from the handler")

    qorvsdk.connect_events(sdk, OnPercentDone=fail)
    with pytest.raises(LookupError, match="from the handler"):
        _get_project(sdk, "$/Tools", tmp_path / "tools")


def test_a_prompt_is_answered_by_the_callable_s_return_value(sdk, tmp_path):
    assert _get_project(sdk, "$/Game/src", tmp_path)[0] == 0
    main = tmp_path / "main.c"
    original = main.read_text()
    asked = []
    answers = []

    def writable(information, three_way_merge):
        asked.append((information, three_way_merge))
        return answers.pop(0)

    qorvsdk.connect_events(sdk, PromptLeaveOrReplaceWriteableFile=writable)

    def edit():
        os.chmod(main, stat.S_IRUSR | stat.S_IWUSR)
        main.write_text("mine\n")

    edit()
    answers[:] = [c.Enum_WritableFileHandlingSkip]
    assert _get_project(sdk, "$/Game/src", tmp_path, c.Enum_WritableFileHandlingAsk)[0] == 0
    assert asked == [(f"Your working folder contains a writable copy of {main}.", False)]
    assert main.read_text() == "mine\n"

    answers[:] = [(c.Enum_WritableFileHandlingReplace, True)]
    assert _get_project(sdk, "$/Game/src", tmp_path, c.Enum_WritableFileHandlingAsk)[0] == 0
    assert main.read_text() == original

    edit()
    answers[:] = [None]  # no answer: the operation ends as canceled
    result, _, text, _ = _get_project(sdk, "$/Game/src", tmp_path, c.Enum_WritableFileHandlingAsk)
    assert (result, text) == (30016, "Canceled")
    assert main.read_text() == "mine\n"
