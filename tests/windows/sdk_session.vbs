' The SDK object by its ProgID from VBScript, against a running server:
' connect, log in, list a project's files, walk the result collection by
' index and with For Each.
'   cscript //nologo sdk_session.vbs HOST PORT
' Wine's cscript hides script errors and exits 0, so the script reports its
' own count, "N passed, N failed", which the caller checks.
Option Explicit
On Error Resume Next

Dim passed, failed
passed = 0
failed = 0

Sub Check(ok, what)
  If Err.Number <> 0 Then
    WScript.Echo "FAIL: " & what & " (error " & Hex(Err.Number) & ": " & Err.Description & ")"
    failed = failed + 1
    Err.Clear
  ElseIf ok Then
    passed = passed + 1
  Else
    WScript.Echo "FAIL: " & what
    failed = failed + 1
  End If
End Sub

Dim host, port
host = WScript.Arguments(0)
port = CLng(WScript.Arguments(1))

Dim sdk
Set sdk = CreateObject("KeltoQorSDK.QorSDK")
Check IsObject(sdk), "CreateObject(""KeltoQorSDK.QorSDK"")"

Dim connected, encrypt, canceled, description, result
sdk.ConnectToServer host, port, connected, encrypt, canceled, description, 0, "", 0, "", "", result
Check connected And result = 0, "ConnectToServer: " & description & " (" & result & ")"

Dim mustChange, expireDays
sdk.Login "alice", "wonderland", "Demo", Nothing, mustChange, expireDays, canceled, description, result
Check result = 0, "Login: " & description & " (" & result & ")"

Dim files
sdk.GetFileListFromProject "$/Game/src", files, canceled, description, result
Check result = 0, "GetFileListFromProject: " & description & " (" & result & ")"
Check files.Count = 2, "two files in $/Game/src, not " & files.Count

Dim i, names
names = ""
For i = 0 To files.Count - 1
  names = names & files.Item(i).FileName & ";"
Next
Check InStr(names, "main.c;") > 0 And InStr(names, "util.c;") > 0, "files by index: " & names

Dim entry, walked
walked = 0
For Each entry In files
  If entry.FileName = files.Item(walked).FileName Then walked = walked + 1
Next
Check walked = files.Count, "For Each walks the collection in order (" & walked & ")"

Dim missing
sdk.IsProjectExistingOnServer "$/Game/levels", missing, canceled, description, result
Check result = 0 And Not missing, "$/Game/levels does not exist"

WScript.Echo passed & " passed, " & failed & " failed"
