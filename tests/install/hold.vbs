' A host that keeps the installed driver loaded until the file named by its
' argument appears (Wine's cscript cannot sleep, so it polls).
Option Explicit
Dim driver, files
Set files = CreateObject("Scripting.FileSystemObject")
Set driver = CreateObject("Quorvix.clsOutputDriver")
WScript.Echo "loaded"
Do While Not files.FileExists(WScript.Arguments(0))
Loop
Set driver = Nothing
