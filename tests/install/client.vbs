' A script host's use of the installed driver: created by its ProgID, it
' enables the line, sets channel 5 to 200 and lets go. Wine's cscript exits
' 0 on a script error, so the last line tells.
Option Explicit
Dim driver
Set driver = CreateObject("Quorvix.clsOutputDriver")
Call driver.Init("Installer Test", "quorvix.dll", Nothing)
If driver.Enable Then
  Call driver.SetChannel(5, 200)
  Call driver.Disable
  WScript.Echo "set channel 5 to 200"
Else
  WScript.Echo "Enable answered False"
End If
Call driver.Term
