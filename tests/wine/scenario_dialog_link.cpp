// The dialog's port and baud choices, its connection test and its terminal,
// driven through the real window against the simulator.

#include <string>

#include "dialog_driver.h"
#include "driver_client.h"
#include "expected_texts.h"
#include "scenario_dialog.h"
#include "scenario_tools.h"

namespace {

constexpr int kCom5 = 4;
constexpr int kCom7 = 6;
constexpr int kBaud19200 = 0;
constexpr int kBaud38400 = 1;

std::string LastOf(const std::vector<std::string>& lines) {
  return lines.empty() ? std::string("<none>") : lines.back();
}

// A baud choice reopens the port at the new speed; the test then shows M4
// below 38400 baud and M3 at 38400, over the dialog.
void CheckBaudAndTest(DialogProbe& probe, BoxOwners& owners) {
  HostContext& host = probe.host;
  std::string seen;
  probe.Focus(kCmbBaud);
  probe.Choose(kCmbBaud, kBaud19200);
  host.checks.Expect(host.boxes.Take().empty(), "choosing 19200 shows no box");
  const std::size_t handshakes = host.SimEvents("handshake").size();
  probe.Click(kCmdCheckConnection);
  host.checks.Expect(
      BoxesOverDialog(probe, owners, 1, kM4, L"information", seen),
      "the test at 19200 baud shows M4 over the dialog", seen);
  host.checks.Equal(host.SimEvents("handshake").size(), handshakes + 1,
                    "the test ran a handshake");
  host.checks.Equal(LastOf(host.SimEvents("line-speed")), std::string("19200"),
                    "the line runs at 19200 baud");
  probe.Choose(kCmbBaud, kBaud38400);
  probe.Click(kCmdCheckConnection);
  host.checks.Expect(
      BoxesOverDialog(probe, owners, 1, kM3, L"information", seen),
      "the test at 38400 baud shows M3 over the dialog", seen);
  host.checks.Equal(LastOf(host.SimEvents("line-speed")), std::string("38400"),
                    "the line runs at 38400 baud again");
  host.checks.Expect(host.SimCommand("silent on"), "simulator silent");
  probe.Click(kCmdCheckConnection);
  host.checks.Expect(BoxesOverDialog(probe, owners, 1, kM2, L"error", seen),
                     "a silent transmitter shows M2 over the dialog", seen);
  host.checks.Expect(host.SimCommand("silent off"), "simulator answers again");
}

// A port that cannot be opened shows M1; sending then finds the port
// closed; the simulator's port opens again.
void CheckRefusedPort(DialogProbe& probe, BoxOwners& owners) {
  HostContext& host = probe.host;
  std::string seen;
  probe.Focus(kCmbCom);
  probe.Choose(kCmbCom, kCom7);
  host.checks.Expect(BoxesOverDialog(probe, owners, 1, kM1, L"error", seen),
                     "choosing the refused COM7 shows M1 over the dialog",
                     seen);
  host.checks.Expect(probe.ListChoice(kCmbCom) == L"COM7",
                     "the choice stays shown");
  probe.Click(kCmdSend);
  host.checks.Expect(
      BoxesOverDialog(probe, owners, 1, kPortNotOpen, L"error", seen),
      "sending with the port closed says so over the dialog", seen);
  probe.Choose(kCmbCom, kCom5);
  host.checks.Expect(BoxesSeen(host, 0).empty(),
                     "choosing COM5 again opens it without a box");
}

// Information and setup put their letter into txtSend, send it and select
// it; the reply appears in txtRecv.
void CheckTerminalButtons(DialogProbe& probe) {
  HostContext& host = probe.host;
  probe.Click(kCmdShowInfo);
  DWORD start = 0;
  DWORD end = 0;
  probe.Send(probe.Control(kTxtSend), EM_GETSEL,
             reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  host.checks.Expect(probe.Text(kTxtSend) == L"I" && start == 0 && end == 1,
                     "Interfaceinfo anzeigen puts a selected I into txtSend");
  host.checks.Expect(
      host.PumpUntil([&] { return host.SimEvents("info").size() == 1; }),
      "the simulator received the byte I");
  const std::wstring info = L"Quorvix-Sim DMX-Transmitter, 512 out / 512 in";
  host.checks.Expect(
      probe.WaitFor([&] { return probe.Text(kTxtRecv).rfind(info, 0) == 0; }),
      "txtRecv shows the interface's answer", Utf8(probe.Text(kTxtRecv)));
  probe.Click(kCmdShowSetup);
  host.checks.Expect(probe.Text(kTxtSend) == L"S",
                     "Setupmenü anzeigen puts S into txtSend");
  host.checks.Expect(
      host.PumpUntil([&] { return host.SimEvents("setup").size() == 1; }),
      "the simulator received the byte S");
  host.checks.Expect(probe.WaitFor([&] {
    return probe.Text(kTxtRecv).rfind(L"Quorvix-Sim setup menu", 0) == 0;
  }),
                     "txtRecv shows the setup answer alone",
                     Utf8(probe.Text(kTxtRecv)));
}

// Keys posted to the thread's queue, as the keyboard delivers them: Enter in
// txtSend presses cmdSend, Alt+S too, and the focus stays where it was for
// Enter; Enter on another button presses that one.
void CheckPostedKeys(DialogProbe& probe) {
  HostContext& host = probe.host;
  const HWND field = probe.Control(kTxtSend);
  probe.Focus(kTxtSend);
  probe.Type(kTxtSend, L"c?");
  const std::size_t handshakes = host.SimEvents("handshake").size();
  PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageW(field, WM_KEYUP, VK_RETURN, 0xC01C0001);
  host.checks.Expect(host.PumpUntil([&] {
    return host.SimEvents("handshake").size() == handshakes + 1;
  }),
                     "Enter in txtSend sends its text");
  host.checks.Equal(probe.Focused(), static_cast<int>(kTxtSend),
                    "Enter leaves the focus in txtSend");
  PostMessageW(field, WM_SYSCHAR, 's', 0x20000001);
  host.checks.Expect(host.PumpUntil([&] {
    return host.SimEvents("handshake").size() == handshakes + 2;
  }),
                     "Alt+S sends again");
  // The answer G shown first, so that the next answer shown is new.
  host.checks.Expect(
      probe.WaitFor([&] { return probe.Text(kTxtRecv) == L"G"; }),
      "txtRecv shows the answer G");
  probe.Focus(kCmdShowSetup);
  const HWND setup = probe.Control(kCmdShowSetup);
  PostMessageW(setup, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageW(setup, WM_KEYUP, VK_RETURN, 0xC01C0001);
  host.checks.Expect(
      host.PumpUntil([&] { return host.SimEvents("setup").size() == 2; }),
      "Enter on another button presses that button");
  // The answer has arrived whole before anything else is sent.
  host.checks.Expect(probe.WaitFor([&] {
    return probe.Text(kTxtRecv) ==
           L"Quorvix-Sim setup menu: nothing to set\r\n";
  }),
                     "txtRecv shows the setup answer",
                     Utf8(probe.Text(kTxtRecv)));
  host.boxes.Take();
}

// While the test waits for a silent transmitter, the wait's own pumping
// hands keys to the dialog: Tab moves the focus before M2 comes.
void CheckKeysDuringTest(DialogProbe& probe, BoxOwners& owners) {
  HostContext& host = probe.host;
  std::string seen;
  host.checks.Expect(host.SimCommand("silent on"), "simulator silent");
  const std::size_t handshakes = host.SimEvents("handshake").size();
  const HWND button = probe.Control(kCmdCheckConnection);
  PostMessageW(button, BM_CLICK, 0, 0);
  // The test now waits for an answer that does not come.
  host.PumpUntil(
      [&] { return host.SimEvents("handshake").size() > handshakes; });
  PostMessageW(button, WM_KEYDOWN, VK_TAB, 0x000F0001);
  PostMessageW(button, WM_KEYUP, VK_TAB, 0xC00F0001);
  const bool moved =
      probe.WaitFor([&] { return probe.Focused() == kCmdShowSetup; });
  const std::vector<SeenBox> early = host.boxes.Take();
  host.checks.Expect(
      moved && early.empty(), "Tab moves the focus while the test waits",
      "focus " + std::to_string(probe.Focused()) +
          (early.empty() ? "" : ", box before: " + Utf8(early[0].text)));
  host.checks.Expect((early.size() == 1 && early[0].text == kM2) ||
                         BoxesOverDialog(probe, owners, 1, kM2, L"error", seen),
                     "the test then ends with M2", seen);
  host.checks.Expect(host.SimCommand("silent off"), "simulator answers again");
}

}  // namespace

void ScenarioDialogLink(HostContext& host) {
  IDispatch* driver = InitDriver(host, L"38400,n,8,1");
  if (!driver) return;
  const DriverClient client(driver);
  host.checks.Equal(client.Boolean(L"Enable"), 1, "Enable returns True");
  host.checks.Expect(host.SimCommand("baud auto"),
                     "simulator follows the speed");
  BoxOwners owners(kBoxTitle);
  const int result = RunDialog(host, driver, [&](DialogProbe& probe) {
    CheckBaudAndTest(probe, owners);
    CheckRefusedPort(probe, owners);
    CheckTerminalButtons(probe);
    CheckPostedKeys(probe);
    CheckKeysDuringTest(probe, owners);
    probe.Close();
  });
  host.checks.Equal(result, 0, "Configure returns False");
  client.Boolean(L"Term");
  host.checks.Expect(GetSetting(L"ComPort") == L"5" &&
                         GetSetting(L"ComSettings") == L"38400,n,8,1",
                     "Term saves the port and line the dialog chose",
                     Utf8(GetSetting(L"ComSettings")));
  driver->Release();
}
