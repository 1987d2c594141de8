// The dialog against its host: Escape and WM_CLOSE do not close it, calls
// the host makes from inside its modal loop, the end of the thread's
// message loop, and the host destroying the dialog's owner.

#include <string>

#include "dialog_driver.h"
#include "driver_client.h"
#include "expected_texts.h"
#include "scenario_dialog.h"
#include "scenario_tools.h"

namespace {

LONG g_host_ticks = 0;

void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
  InterlockedIncrement(&g_host_ticks);
}

void PostKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// Escape in any field, the multi-line one too, and WM_CLOSE leave it open;
// a character typed after them shows that they have been handled.
void CheckEscapeDoesNothing(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  probe.Focus(kTxtRecv);
  PostKey(probe.Control(kTxtRecv), VK_ESCAPE);
  probe.Focus(kTxtSend);
  PostKey(probe.Control(kTxtSend), VK_ESCAPE);
  probe.Send(probe.dialog(), WM_CLOSE);
  PostMessageW(probe.Control(kTxtSend), WM_CHAR, 'x', 1);
  checks.Expect(probe.WaitFor([&] { return probe.Text(kTxtSend) == L"x"; }),
                "the keys were handled");
  checks.Expect(IsWindowVisible(probe.dialog()) != FALSE,
                "Escape in txtRecv and txtSend and WM_CLOSE leave the dialog "
                "open");
}

// The host destroys its window, the dialog's owner, while the connection
// test waits for a silent transmitter: the dialog goes with it, Configure
// returns, and the test ends without a box.
void CheckOwnerGoesAway(HostContext& host, IDispatch* driver) {
  HostWindow owner;
  SetForegroundWindow(owner.window());
  host.checks.Expect(host.SimCommand("silent on"), "simulator silent");
  bool owned = false;
  bool gone = false;
  const int result = RunDialog(host, driver, [&](DialogProbe& probe) {
    owned = GetWindow(probe.dialog(), GW_OWNER) == owner.window();
    probe.Click(kChkDmxInActive);
    const std::size_t handshakes = host.SimEvents("handshake").size();
    PostMessageW(probe.Control(kCmdCheckConnection), BM_CLICK, 0, 0);
    probe.WaitFor(
        [&] { return host.SimEvents("handshake").size() > handshakes; });
    owner.Run([&] { DestroyWindow(owner.window()); });
    gone = !IsWindow(probe.dialog());
  });
  host.checks.Expect(owned && gone,
                     "the dialog, owned by the host's window, goes with it");
  host.checks.Equal(result, 0, "Configure returns False");
  host.checks.Expect(BoxesSeen(host, 0).empty(),
                     "the test that was waiting shows no box");
  host.checks.Expect(host.SimCommand("silent off"), "simulator answers again");
}

}  // namespace

void ScenarioDialogModal(HostContext& host) {
  IDispatch* driver = InitDriver(host, L"19200,n,8,1");
  if (!driver) return;
  const DriverClient client(driver);
  HostWindow host_window;
  HostWindow disabled_window;
  EnableWindow(disabled_window.window(), FALSE);
  SetForegroundWindow(host_window.window());
  BoxOwners owners(kBoxTitle);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CountTick);
  const DWORD host_thread = GetCurrentThreadId();
  const int result = RunDialog(host, driver, [&](DialogProbe& probe) {
    CheckEscapeDoesNothing(probe);

    host.checks.Expect(
        probe.WaitFor([&] {
          return InterlockedCompareExchange(&g_host_ticks, 0, 0) >= 3;
        }),
        "the host's timer keeps ticking while the dialog is open");

    // Another program's window in front; a second Configure from the host
    // brings the open dialog back to the front. The channel field typed in
    // meanwhile is not validated: the focus never moved inside the dialog.
    probe.Focus(kTxtDmxInChannels);
    probe.Type(kTxtDmxInChannels, L"0");
    const HWND other = CreateWindowExW(
        0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600,
        20, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    host.checks.Expect(
        probe.WaitFor([&] { return GetForegroundWindow() == other; }),
        "another window comes to the front");
    int second = -1;
    host_window.Run([&] { second = client.Boolean(L"Configure"); });
    host.checks.Expect(second == 0 && IsWindowVisible(probe.dialog()),
                       "a second Configure from the host returns False and "
                       "the dialog stays");
    host.checks.Expect(
        probe.WaitFor([&] { return GetForegroundWindow() == probe.dialog(); }),
        "the second Configure brings the dialog to the front");
    DestroyWindow(other);
    host.checks.Expect(probe.Text(kTxtDmxInChannels) == L"0",
                       "losing the focus to another program validates nothing");
    probe.Focus(kTxtSend);
    host.checks.Expect(probe.Text(kTxtDmxInChannels) == L"1",
                       "moving the focus inside the dialog validates");

    int enabled = -1;
    host_window.Run([&] { enabled = client.Boolean(L"Enable"); });
    std::string seen;
    host.checks.Expect(
        BoxesOverDialog(probe, owners, 1, kM4, L"information", seen),
        "M4 from an Enable of the host is owned by the dialog", seen);
    host.checks.Equal(enabled, 1, "that Enable returns True");

    PostThreadMessageW(host_thread, WM_QUIT, 7, 0);
  });
  KillTimer(nullptr, timer);
  host.checks.Equal(result, 0, "WM_QUIT closes the dialog; Configure False");
  host.checks.Expect(IsWindowEnabled(host_window.window()) &&
                         !IsWindowEnabled(disabled_window.window()),
                     "the dialog enables again only what it disabled");
  MSG quit{};
  host.checks.Expect(
      PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) &&
          quit.wParam == 7,
      "the host's loop gets WM_QUIT 7 after the dialog");
  CheckOwnerGoesAway(host, driver);
  client.Boolean(L"Term");
  host.checks.Equal(Utf8(GetSetting(L"DMXInActive")), "True",
                    "the closing steps ran: the check box reached Term");
  driver->Release();
}
