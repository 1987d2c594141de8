' Late-bound client of quorvix.dll as a script host calls it: every
' operation with literal, variable and parenthesised arguments, a VBScript
' Class as the host's helper. Wine's cscript exits 0 on a script error and
' cannot sleep, so the script counts its own failures, prints a final line
' and quits with that count.
Option Explicit

Dim passed, failed
passed = 0
failed = 0

Sub Check(condition, what)
  If condition Then
    passed = passed + 1
    WScript.Echo "ok   " & what
  Else
    failed = failed + 1
    WScript.Echo "FAIL " & what
  End If
End Sub

Class Reporter
  Public Calls
  Public Sub Trova_DMXIn_SetChannel(channel, value)
    Calls = Calls + 1
  End Sub
End Class

Dim driver, helper, result, title, file, channel, value
Set helper = New Reporter
Set driver = CreateObject("Quorvix.clsOutputDriver")
Check IsObject(driver), "CreateObject(""Quorvix.clsOutputDriver"")"

result = driver.PluginName
Check result = "Quorvix Transmitter", "PluginName is ""Quorvix Transmitter"""
Check TypeName(result) = "String", "PluginName is a String"
Check driver.PluginName() = "Quorvix Transmitter", "PluginName()"

title = "Wine Script Host"
file = "quorvix.dll"
result = driver.Init(title, file, helper)
Check result = False, "Init with variables and a Class helper returns False"
Check TypeName(result) = "Boolean", "Init returns a Boolean"
result = driver.Init("Wine Script Host", "quorvix.dll", Nothing)
Check result = False, "Init with literals and Nothing returns False"
result = driver.Init((title), (file), (helper))
Check result = False, "Init with parenthesised arguments returns False"

result = driver.SetChannel(1, 0)
Check result = False, "SetChannel before Enable returns False"

result = driver.Enable
Check result = True, "Enable returns True"
Check TypeName(result) = "Boolean", "Enable returns a Boolean"
Check CInt(result) = -1, "True is all bits set"

channel = 5
value = 200
Check driver.SetChannel(channel, value) = True, "SetChannel with variables"
Check driver.SetChannel(6, 100) = True, "SetChannel with literals"
Check driver.SetChannel((channel), (value)) = True, "SetChannel parenthesised"
Check driver.SetChannel("7", 1.5) = True, "SetChannel with text and a fraction"
driver.SetChannel 8, 80
Check channel = 5 And value = 200, "arguments are not written back"

On Error Resume Next
result = driver.SetChannel(1, 256)
Check Err.Number = 5, "value 256 raises error 5 (got " & Err.Number & ")"
Check Err.Source = "Quorvix", "its source is Quorvix"
Err.Clear
result = driver.SetChannel(-2147483648, 1)
Check Err.Number = 6, "channel -2147483648 raises error 6 (got " & Err.Number & ")"
Err.Clear
result = driver.SetChannel(2147483648, 1)
Check Err.Number = 6, "a channel beyond 32 bits raises error 6 (got " & Err.Number & ")"
Err.Clear
result = driver.SetChannel(1)
Check Err.Number <> 0, "a missing argument raises an error"
Err.Clear
result = driver.NoSuchOperation
Check Err.Number = 438, "an unknown operation raises error 438 (got " & Err.Number & ")"
Err.Clear
On Error GoTo 0

Check driver.Configure = False, "Configure returns False"
Check driver.Disable = True, "Disable returns True"
Check driver.Disable() = True, "Disable again returns True"
Check driver.SetChannel(1, 1) = False, "SetChannel after Disable returns False"
Check driver.Term = False, "Term returns False"

Dim second
Set second = CreateObject("Quorvix.clsOutputDriver")
Check second.Enable = True, "a second object enables the shared link"
Check driver.SetChannel(9, 9) = True, "the first object sends on it"
Check second.Disable = True, "the second object disables it"
Set second = Nothing
Set driver = Nothing

WScript.Echo passed & " passed, " & failed & " failed"
WScript.Quit failed
