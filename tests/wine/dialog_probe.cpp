#include "dialog_probe.h"

#include <memory>

#include "driver_client.h"

namespace {

constexpr int kFirstId = 1000;
constexpr UINT kSendTimeoutMs = 60000;

struct ScriptRun {
  HostContext& host;
  const std::function<void(DialogProbe&)>& script;
};

DWORD WINAPI RunScript(void* context) {
  auto& run = *static_cast<ScriptRun*>(context);
  HWND dialog = nullptr;
  for (int i = 0; i < 1000 && !dialog; ++i) {
    dialog = FindWindowW(L"#32770", kDialogCaption);
    if (!dialog || !IsWindowVisible(dialog)) {
      dialog = nullptr;
      Sleep(20);
    }
  }
  if (!run.host.checks.Expect(dialog != nullptr, "the dialog opens")) {
    return 0;
  }
  DialogProbe probe(run.host, dialog);
  run.script(probe);
  // The modal loop ends once the close request has been handled.
  if (!probe.WaitFor(
          [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) {
    run.host.checks.Expect(false, "the script closed the dialog");
    probe.Close();
  }
  return 0;
}

}  // namespace

DialogProbe::DialogProbe(HostContext& host_context, HWND dialog)
    : host(host_context), dialog_(dialog) {}

HWND DialogProbe::Control(int control) const {
  return GetDlgItem(dialog_, kFirstId + control);
}

LRESULT DialogProbe::Send(HWND window, UINT message, WPARAM wparam,
                          LPARAM lparam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL,
                      kSendTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

void DialogProbe::Focus(int control) {
  Send(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(control)),
       TRUE);
}

void DialogProbe::Type(int field, const std::wstring& text) {
  for (const wchar_t c : text) Send(Control(field), WM_CHAR, c, 1);
}

void DialogProbe::Choose(int list, int entry) {
  Send(Control(list), CB_SETCURSEL, static_cast<WPARAM>(entry));
  Send(dialog_, WM_COMMAND,
       MAKEWPARAM(static_cast<WORD>(kFirstId + list), CBN_SELCHANGE),
       reinterpret_cast<LPARAM>(Control(list)));
}

void DialogProbe::Scroll(int bar, WORD code, WORD position) {
  const auto handle = reinterpret_cast<LPARAM>(Control(bar));
  Send(dialog_, WM_VSCROLL, MAKEWPARAM(code, position), handle);
  Send(dialog_, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), handle);
}

void DialogProbe::Click(int button) { Send(Control(button), BM_CLICK); }

void DialogProbe::Close() { Send(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::wstring DialogProbe::Text(int control) {
  wchar_t text[8192] = {};
  Send(Control(control), WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring DialogProbe::ListChoice(int list) {
  const LRESULT index = Send(Control(list), CB_GETCURSEL);
  if (index < 0) return L"<none>";
  wchar_t text[256] = {};
  Send(Control(list), CB_GETLBTEXT, static_cast<WPARAM>(index),
       reinterpret_cast<LPARAM>(text));
  return text;
}

std::vector<std::wstring> DialogProbe::ListEntries(int list) {
  std::vector<std::wstring> entries;
  const LRESULT count = Send(Control(list), CB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    Send(Control(list), CB_GETLBTEXT, static_cast<WPARAM>(i),
         reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

int DialogProbe::ScrollPosition(int bar) {
  return GetScrollPos(Control(bar), SB_CTL);
}

bool DialogProbe::Checked(int box) {
  return Send(Control(box), BM_GETCHECK) == BST_CHECKED;
}

int DialogProbe::Focused() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info) ||
      !info.hwndFocus || GetParent(info.hwndFocus) != dialog_) {
    return -1;
  }
  return GetDlgCtrlID(info.hwndFocus) - kFirstId;
}

bool DialogProbe::WaitFor(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= ms) return false;
    Sleep(20);
  }
  return true;
}

int RunDialog(HostContext& host, IDispatch* driver,
              const std::function<void(DialogProbe&)>& script) {
  ScriptRun run{host, script};
  const HANDLE thread = CreateThread(nullptr, 0, &RunScript, &run, 0, nullptr);
  const int result = DriverClient(driver).Boolean(L"Configure");
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return result;
}
