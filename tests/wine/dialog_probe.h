#pragma once
// Drives the plug-in's open configuration dialog from a second thread, with
// the messages its controls really get, and reads what they show. The
// plug-in numbers its controls 1000 + their place in the layout table.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "host_context.h"

// The controls in the order of the layout table.
enum DialogControl : int {
  kFrmCommunication,
  kLabel1,
  kCmbCom,
  kLabel2,
  kCmbBaud,
  kFrmDmxIn,
  kChkDmxInActive,
  kLabel3,
  kTxtDmxInChannels,
  kUdDmxInChannels,
  kLabel4,
  kTxtDmxInInterval,
  kUdDmxInInterval,
  kFrmTest,
  kTxtRecv,
  kTxtSend,
  kCmdSend,
  kCmdShowSetup,
  kCmdShowInfo,
  kCmdCheckConnection,
  kLine1,
  kControlCount,
};

inline constexpr wchar_t kDialogCaption[] = L"Konfiguration";

class DialogProbe {
 public:
  DialogProbe(HostContext& host, HWND dialog);

  HostContext& host;
  HWND dialog() const { return dialog_; }
  HWND Control(int control) const;

  // SendMessage with a generous bound, for a handler that shows a box.
  LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
  // As Tab or a click does: the dialog moves the focus.
  void Focus(int control);
  // WM_CHAR for each character, as typing delivers them to the field.
  void Type(int field, const std::wstring& text);
  // The entry as a click or arrow key picks it: selection, then the
  // control's notification to the dialog.
  void Choose(int list, int entry);
  // The bar's notification, then the end of the scroll.
  void Scroll(int bar, WORD code, WORD position = 0);
  void Click(int button);
  // The close box.
  void Close();

  std::wstring Text(int control);
  std::wstring ListChoice(int list);
  std::vector<std::wstring> ListEntries(int list);
  int ScrollPosition(int bar);
  bool Checked(int box);
  // The control that has the focus on the dialog's thread, or -1.
  int Focused();
  // Polls every 20 ms until `done` holds or `ms` have passed.
  bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000);

 private:
  HWND dialog_;
};

// Calls Configure on this thread; `script` runs on a second thread with a
// probe on the open dialog meanwhile and must close it. Returns Configure's
// boolean result (-1: not a boolean).
int RunDialog(HostContext& host, IDispatch* driver,
              const std::function<void(DialogProbe&)>& script);
