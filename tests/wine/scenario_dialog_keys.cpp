// The dialog under real keys through the X server (Wine's virtual desktop):
// Tab order, letters refused in a number field, pastes and Delete there,
// Enter and Alt+S on txtSend, Alt+T, Escape, the shown entry picked again;
// and a screenshot of the painted dialog.

#include <string>

#include "expected_texts.h"

#include "dialog_driver.h"
#include "dialog_expectations.h"
#include "driver_client.h"
#include "scenario_dialog.h"
#include "scenario_tools.h"
#include "x_requests.h"

namespace {

bool Key(const std::string& keys) { return XRequest("key --delay 40 " + keys); }

// A click at a point of the screen (the virtual desktop's).
bool ClickAt(const RECT& rect) {
  return XRequest("focus-desktop " +
                  std::to_string((rect.left + rect.right) / 2) + " " +
                  std::to_string((rect.top + rect.bottom) / 2));
}

// Tab from cmbCOM visits the tab stops in tab order and comes back; Shift+Tab
// goes one back.
void CheckTabKeys(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  std::string order;
  bool right = true;
  for (std::size_t i = 1; i <= kTabOrder.size(); ++i) {
    const int expected = kTabOrder[i % kTabOrder.size()];
    Key("Tab");
    right = probe.WaitFor([&] { return probe.Focused() == expected; }, 5000) &&
            right;
    order.append(" ").append(std::to_string(probe.Focused()));
  }
  checks.Expect(right, "Tab keys follow the tab indices and come back", order);
  Key("shift+Tab");
  checks.Expect(
      probe.WaitFor([&] { return probe.Focused() == kUdDmxInInterval; }),
      "Shift+Tab goes back to udDMXInInterval");
}

void CheckNumberKeys(DialogProbe& probe) {
  probe.Focus(kTxtDmxInChannels);
  XRequest("type --delay 40 a7b-");
  probe.host.checks.Expect(probe.WaitFor([&] {
    return probe.Text(kTxtDmxInChannels) == L"7";
  }) && probe.ScrollPosition(kUdDmxInChannels) == 249,
                           "typing a7b- into the channel field shows 7 only",
                           Utf8(probe.Text(kTxtDmxInChannels)));
}

// Pasted text passes no key filter but the field's rules: Shift+Insert of
// "12x" shows 12 at once (the bar moves, which rewrites the field); Delete
// at the start leaves 2; " 7.5" from the context menu has no leading
// number, leaves the bar alone and becomes 8 when the field is left.
void CheckPasteAndDelete(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  const HWND field = probe.Control(kTxtDmxInChannels);
  const auto shows = [&](const wchar_t* text, int position) {
    return probe.WaitFor([&] {
      return probe.Text(kTxtDmxInChannels) == text &&
             probe.ScrollPosition(kUdDmxInChannels) == position;
    });
  };
  PutOnClipboard(L"12x");
  probe.Focus(kTxtDmxInChannels);
  Key("shift+Insert");
  checks.Expect(shows(L"12", 244), "Shift+Insert of 12x shows 12",
                Utf8(probe.Text(kTxtDmxInChannels)));
  Key("Home Delete");
  checks.Expect(shows(L"2", 254), "Delete at its start leaves 2",
                Utf8(probe.Text(kTxtDmxInChannels)));
  PutOnClipboard(L" 7.5");
  RECT box{};
  GetWindowRect(field, &box);
  ClickAt(box);
  probe.Send(field, EM_SETSEL, 0, -1);
  XRequest("click 3");
  Key("p");
  checks.Expect(shows(L" 7.5", 254),
                "the context menu's Paste shows 7.5 and leaves the bar",
                Utf8(probe.Text(kTxtDmxInChannels)));
  Key("Tab");
  checks.Expect(shows(L"8", 248), "leaving the field makes it 8",
                Utf8(probe.Text(kTxtDmxInChannels)));
}

// Enter in txtSend presses the default button and leaves the focus there
// with the text selected; Alt+S presses it too. The screenshot shows the
// painted dialog with the widest numbers and the interface's answer.
void CheckSendKeys(DialogProbe& probe) {
  HostContext& host = probe.host;
  probe.Focus(kTxtDmxInChannels);
  probe.Type(kTxtDmxInChannels, L"255");
  probe.Focus(kTxtDmxInInterval);
  probe.Type(kTxtDmxInInterval, L"1000");
  probe.Focus(kTxtSend);
  XRequest("type --delay 40 I");
  host.checks.Expect(
      probe.WaitFor([&] { return probe.Text(kTxtSend) == L"I"; }),
      "typing I replaces the selected text of txtSend");
  Key("Return");
  host.checks.Expect(
      host.PumpUntil([&] { return host.SimEvents("info").size() == 1; }),
      "Enter in txtSend sends I");
  DWORD start = 1;
  DWORD end = 0;
  probe.Send(probe.Control(kTxtSend), EM_GETSEL,
             reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  host.checks.Expect(probe.Focused() == kTxtSend && start == 0 && end == 1,
                     "the focus stays in txtSend with its text selected");
  host.checks.Expect(probe.WaitFor([&] {
    return probe.Text(kTxtRecv) ==
           L"Quorvix-Sim DMX-Transmitter, 512 out / 512 in\r\n";
  }),
                     "txtRecv shows the whole answer");
  RedrawWindow(probe.dialog(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  host.checks.Expect(XRequest("screenshot"), "a screenshot of the dialog");
  // Typed over the selection; an answer of its own shows when it is in.
  const std::size_t handshakes = host.SimEvents("handshake").size();
  XRequest("type --delay 40 c?");
  Key("alt+s");
  host.checks.Expect(host.PumpUntil([&] {
    return host.SimEvents("handshake").size() == handshakes + 1;
  }),
                     "Alt+S sends the new text");
  host.checks.Expect(
      probe.WaitFor([&] { return probe.Text(kTxtRecv) == L"G"; }),
      "txtRecv shows its answer G");
}

void CheckTestKey(DialogProbe& probe, BoxOwners& owners) {
  std::string seen;
  Key("alt+t");
  probe.host.checks.Expect(
      BoxesOverDialog(probe, owners, 1, kM3, L"information", seen),
      "Alt+T runs the connection test: M3 over the dialog", seen);
  probe.Focus(kTxtRecv);
  Key("Escape");
  probe.Focus(kTxtSend);
  Key("Escape");
  XRequest("type --delay 40 x");
  probe.host.checks.Expect(
      probe.WaitFor([&] { return probe.Text(kTxtSend) == L"x"; }) &&
          IsWindowVisible(probe.dialog()),
      "Escape in txtRecv and txtSend leaves the dialog open");
}

// After M1 the user tries the refused port again by picking the entry the
// list shows, by keyboard and by mouse: each pick is a choice, with its M1.
// A pick cancelled with Escape is none.
void CheckSameEntryAgain(DialogProbe& probe, BoxOwners& owners) {
  HostContext& host = probe.host;
  constexpr int kCom7 = 6;
  std::string seen;
  const HWND list = probe.Control(kCmbCom);
  const auto dropped = [&] {
    return probe.Send(list, CB_GETDROPPEDSTATE) != 0;
  };
  probe.Focus(kCmbCom);
  probe.Choose(kCmbCom, kCom7);
  host.checks.Expect(BoxesOverDialog(probe, owners, 1, kM1, L"error", seen),
                     "choosing the refused COM7 shows M1", seen);
  Key("alt+Down");
  host.checks.Expect(probe.WaitFor(dropped), "Alt+Down opens the list");
  Key("Return");
  host.checks.Expect(BoxesOverDialog(probe, owners, 1, kM1, L"error", seen),
                     "picking the shown COM7 again by keyboard tries it again",
                     seen);
  RECT box{};
  GetWindowRect(list, &box);
  ClickAt(box);
  host.checks.Expect(probe.WaitFor(dropped), "a click opens the list");
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(list, &info);
  RECT item{};
  probe.Send(info.hwndList, LB_GETITEMRECT, kCom7,
             reinterpret_cast<LPARAM>(&item));
  MapWindowPoints(info.hwndList, nullptr, reinterpret_cast<POINT*>(&item), 2);
  ClickAt(item);
  host.checks.Expect(BoxesOverDialog(probe, owners, 1, kM1, L"error", seen),
                     "picking it again by mouse tries it again", seen);
  host.checks.Expect(probe.ListChoice(kCmbCom) == L"COM7", "COM7 stays shown");
  Key("alt+Down");
  probe.WaitFor(dropped);
  Key("Down Escape");
  host.checks.Expect(probe.WaitFor([&] { return !dropped(); }) &&
                         BoxesSeen(host, 0).empty() &&
                         probe.ListChoice(kCmbCom) == L"COM7",
                     "moving through the open list and Escape choose nothing",
                     Utf8(probe.ListChoice(kCmbCom)));
}

}  // namespace

void ScenarioDialogKeys(HostContext& host) {
  if (!host.checks.Expect(XRequestsAvailable(), "run.sh takes X requests")) {
    return;
  }
  IDispatch* driver = InitDriver(host, L"38400,n,8,1");
  if (!driver) return;
  host.checks.Equal(DriverClient(driver).Boolean(L"Enable"), 1,
                    "Enable returns True");
  BoxOwners owners(kBoxTitle);
  const int result = RunDialog(host, driver, [&](DialogProbe& probe) {
    // A click on the caption, as a user makes the window active.
    RECT frame{};
    GetWindowRect(probe.dialog(), &frame);
    const std::string caption =
        std::to_string(frame.left + 30) + " " + std::to_string(frame.top + 6);
    host.checks.Expect(XRequest("focus-desktop " + caption),
                       "the virtual desktop has the X focus");
    host.checks.Expect(
        probe.WaitFor([&] { return probe.Focused() == kCmbCom; }),
        "the dialog opens with the focus in cmbCOM");
    CheckTabKeys(probe);
    CheckNumberKeys(probe);
    CheckPasteAndDelete(probe);
    CheckSendKeys(probe);
    CheckTestKey(probe, owners);
    CheckSameEntryAgain(probe, owners);
    probe.Close();
  });
  host.checks.Equal(result, 0, "Configure returns False");
  DriverClient(driver).Boolean(L"Term");
  driver->Release();
}
