// The configuration dialog as a window: its layout at the prefix's DPI, its
// controls and tab order, what they show fitting them, and how it is modal
// over the host.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "dialog_driver.h"
#include "dialog_expectations.h"
#include "dialog_fit.h"
#include "dialog_probe.h"
#include "driver_client.h"
#include "expected_texts.h"
#include "host_window.h"
#include "scenario_tools.h"

namespace {

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int Pixels(int twips, int dpi) {
  return static_cast<int>(std::lround(twips * static_cast<double>(dpi) / 1440));
}

bool Near(long actual, int expected) {
  return std::labs(actual - expected) <= 1;
}

std::string Show(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
         std::to_string(rect.right - rect.left) + "x" +
         std::to_string(rect.bottom - rect.top);
}

HRESULT CanUnloadNow() {
  using Function = HRESULT(WINAPI*)();
  const HMODULE dll = GetModuleHandleW(L"quorvix.dll");
  const auto function = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  return function ? function() : E_FAIL;
}

void CheckWindow(DialogProbe& probe, int dpi) {
  Checks& checks = probe.host.checks;
  const HWND dialog = probe.dialog();
  const auto style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE));
  checks.Expect(
      (style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) &&
          !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)),
      "a fixed window with a close box, no minimise or maximise box");
  checks.Expect((ex_style & WS_EX_TOOLWINDOW) && !(ex_style & WS_EX_APPWINDOW),
                "a tool window, not in the task bar");
  wchar_t caption[64] = {};
  GetWindowTextW(dialog, caption, 64);
  checks.Expect(std::wstring(caption) == kDialogCaption,
                "caption Konfiguration", Utf8(caption));
  RECT client{};
  GetClientRect(dialog, &client);
  checks.Expect(
      Near(client.right, Pixels(kInnerWidthTwips, dpi)) &&
          Near(client.bottom, Pixels(kInnerHeightTwips, dpi)),
      "inner area 4215 x 5415 twips at " + std::to_string(dpi) + " DPI",
      Show(client));
  RECT outer{};
  GetWindowRect(dialog, &outer);
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  checks.Expect(std::labs(outer.left + outer.right - screen_width) <= 2 &&
                    std::labs(outer.top + outer.bottom - screen_height) <= 2,
                "centred on the screen", Show(outer));
}

void CheckControls(DialogProbe& probe, int dpi) {
  Checks& checks = probe.host.checks;
  std::string misplaced;
  std::string wrong_text;
  std::string not_own_group;
  for (const ExpectedControl& expected : kExpected) {
    const HWND control = probe.Control(expected.control);
    if (!control || GetParent(control) != probe.dialog()) {
      misplaced.append(" ").append(Utf8(expected.name)).append("(missing)");
      continue;
    }
    int left = expected.left;
    int top = expected.top;
    if (expected.frame >= 0) {
      left += kExpected[static_cast<size_t>(expected.frame)].left;
      top += kExpected[static_cast<size_t>(expected.frame)].top;
    }
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, probe.dialog(), reinterpret_cast<POINT*>(&rect),
                    2);
    const bool placed =
        Near(rect.left, Pixels(left, dpi)) &&
        Near(rect.top, Pixels(top, dpi)) &&
        Near(rect.right - rect.left, Pixels(expected.width, dpi)) &&
        (expected.height < 0 ||
         Near(rect.bottom - rect.top, Pixels(expected.height, dpi)));
    if (!placed) {
      misplaced.append(" ")
          .append(Utf8(expected.name))
          .append("@")
          .append(Show(rect));
    }
    if (expected.caption && probe.Text(expected.control) != expected.caption) {
      wrong_text.append(" ")
          .append(Utf8(expected.name))
          .append("=\"")
          .append(Utf8(probe.Text(expected.control)))
          .append("\"");
    }
    if (!(GetWindowLongW(control, GWL_STYLE) & WS_GROUP)) {
      not_own_group.append(" ").append(Utf8(expected.name));
    }
  }
  checks.Expect(misplaced.empty(),
                "every control is a child of the dialog at its twips place "
                "within a pixel",
                misplaced);
  checks.Expect(wrong_text.empty(), "captions and initial texts verbatim",
                wrong_text);
  checks.Expect(not_own_group.empty(), "every control is its own group",
                not_own_group);
}

void CheckKinds(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  const auto style = [&](int control) {
    return static_cast<DWORD>(
        GetWindowLongW(probe.Control(control), GWL_STYLE));
  };
  const auto is = [&](int control, DWORD mask, DWORD value) {
    return (style(control) & mask) == value;
  };
  checks.Expect(is(kFrmCommunication, BS_TYPEMASK, BS_GROUPBOX) &&
                    is(kFrmDmxIn, BS_TYPEMASK, BS_GROUPBOX) &&
                    is(kFrmTest, BS_TYPEMASK, BS_GROUPBOX),
                "the frames are group boxes");
  checks.Expect(
      is(kCmbCom, 3, CBS_DROPDOWNLIST) && is(kCmbBaud, 3, CBS_DROPDOWNLIST),
      "both lists are drop-down lists");
  checks.Expect(is(kTxtDmxInChannels, ES_RIGHT, ES_RIGHT) &&
                    is(kTxtDmxInInterval, ES_RIGHT, ES_RIGHT) &&
                    !is(kTxtSend, ES_RIGHT, ES_RIGHT),
                "the number fields are right-aligned");
  checks.Expect(
      is(kTxtRecv, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_HSCROLL,
         ES_MULTILINE | ES_READONLY),
      "txtRecv is multi-line, read-only, without scroll bars");
  checks.Expect(is(kUdDmxInChannels, SBS_VERT, SBS_VERT) &&
                    is(kUdDmxInInterval, SBS_VERT, SBS_VERT),
                "the up-downs are vertical scroll bars");
  checks.Expect(is(kChkDmxInActive, BS_TYPEMASK, BS_AUTOCHECKBOX),
                "chkDMXInActive is an automatic check box");
  checks.Expect(is(kCmdSend, BS_TYPEMASK, BS_DEFPUSHBUTTON) &&
                    is(kCmdShowInfo, BS_TYPEMASK, BS_PUSHBUTTON) &&
                    SendMessageW(probe.dialog(), DM_GETDEFID, 0, 0) ==
                        MAKELRESULT(1000 + kCmdSend, DC_HASDEFID),
                "cmdSend is the default button");
  checks.Expect(is(kLine1, SS_TYPEMASK, SS_ETCHEDHORZ), "Line1 is etched");
  int min = 0;
  int max = 0;
  GetScrollRange(probe.Control(kUdDmxInChannels), SB_CTL, &min, &max);
  checks.Expect(min == 1 && max == 255, "udDMXInChannels ranges 1 to 255");
  GetScrollRange(probe.Control(kUdDmxInInterval), SB_CTL, &min, &max);
  checks.Expect(min == 25 && max == 1000, "udDMXInInterval ranges 25 to 1000");
}

void CheckFilled(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  const auto ports = probe.ListEntries(kCmbCom);
  bool fixed = ports.size() >= 8;
  for (size_t i = 0; fixed && i < 8; ++i) {
    fixed = ports[i] == L"COM" + std::to_wstring(i + 1);
  }
  checks.Expect(fixed, "cmbCOM lists COM1 to COM8 first");
  checks.Expect(probe.ListChoice(kCmbCom) == L"COM5", "cmbCOM shows COM5");
  checks.Expect(probe.ListEntries(kCmbBaud) ==
                    std::vector<std::wstring>{L"19200", L"38400"},
                "cmbBaud lists 19200 and 38400");
  checks.Expect(probe.ListChoice(kCmbBaud) == L"38400", "cmbBaud shows 38400");
  std::string short_lists;
  for (const int list : {kCmbCom, kCmbBaud}) {
    RECT closed{};
    RECT open{};
    GetWindowRect(probe.Control(list), &closed);
    probe.Send(probe.Control(list), CB_GETDROPPEDCONTROLRECT, 0,
               reinterpret_cast<LPARAM>(&open));
    const auto lines =
        std::min<LRESULT>(probe.Send(probe.Control(list), CB_GETCOUNT), 16);
    const LRESULT line = probe.Send(probe.Control(list), CB_GETITEMHEIGHT, 0);
    if (open.bottom - open.top < closed.bottom - closed.top + lines * line) {
      short_lists.append(" ").append(Show(open));
    }
  }
  checks.Expect(short_lists.empty(),
                "each open list shows its entries without scrolling (up to 16)",
                short_lists);
  checks.Expect(!probe.Checked(kChkDmxInActive), "chkDMXInActive unchecked");
  checks.Equal(probe.ScrollPosition(kUdDmxInChannels), 206,
               "50 channels put udDMXInChannels at 206");
  checks.Equal(probe.ScrollPosition(kUdDmxInInterval), 975,
               "50 ms put udDMXInInterval at 975");
}

void CheckTabOrder(DialogProbe& probe) {
  std::string order;
  bool right = probe.Focused() == kCmbCom;
  HWND at = probe.Control(kCmbCom);
  for (size_t i = 1; i <= kTabOrder.size(); ++i) {
    at = GetNextDlgTabItem(probe.dialog(), at, FALSE);
    const int control = GetDlgCtrlID(at) - 1000;
    order.append(" ").append(std::to_string(control));
    right = right && control == kTabOrder[i % kTabOrder.size()];
  }
  probe.host.checks.Expect(
      right, "the focus starts in cmbCOM and Tab follows the tab indices",
      "focus " + std::to_string(probe.Focused()) + ", order" + order);
}

}  // namespace

void ScenarioDialogLayout(HostContext& host) {
  IDispatch* driver = InitDriver(host, L"38400,n,8,1");
  if (!driver) return;
  const int dpi = ScreenDpi();
  HostWindow host_window;
  HRESULT unload_while_open = E_FAIL;
  const int result = RunDialog(host, driver, [&](DialogProbe& probe) {
    CheckWindow(probe, dpi);
    CheckControls(probe, dpi);
    CheckKinds(probe);
    CheckFilled(probe);
    CheckTabOrder(probe);
    CheckEverythingFits(probe);
    host.checks.Expect(!IsWindowEnabled(host_window.window()),
                       "the host's window is disabled while the dialog is "
                       "open");
    host_window.Run([&] { unload_while_open = CanUnloadNow(); });
    probe.Close();
  });
  host.checks.Equal(result, 0, "Configure returns False when it closes");
  host.checks.Equal(unload_while_open, S_FALSE,
                    "DllCanUnloadNow says S_FALSE while the dialog is open");
  host.checks.Expect(IsWindowEnabled(host_window.window()) &&
                         GetActiveWindow() == host_window.window(),
                     "the host's window is enabled and active again");
  host.checks.Expect(!FindWindowW(L"#32770", kDialogCaption),
                     "the dialog is gone");
  DriverClient(driver).Boolean(L"Term");
  driver->Release();
}
