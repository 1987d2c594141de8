// The DMX-In group through the real window: typed characters (filtered in
// the field itself), the focus leaving a field, the up-down bars and the
// check box, and what Term then saves.

#include <string>

#include "dialog_driver.h"
#include "driver_client.h"
#include "scenario_dialog.h"
#include "scenario_tools.h"

namespace {

// Leaving a field validates it: 0 becomes 1, an empty field 50.
void CheckLeavingChannels(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  probe.Focus(kTxtDmxInChannels);
  probe.Type(kTxtDmxInChannels, L"0");
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"0",
                "typing 0 over the selected text shows 0");
  probe.Focus(kTxtDmxInInterval);
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"1",
                "leaving the channel field with 0 shows 1");
  checks.Equal(probe.ScrollPosition(kUdDmxInChannels), 255,
               "1 channel puts the bar at 255");
  probe.Focus(kTxtDmxInChannels);
  probe.Type(kTxtDmxInChannels, L"\b");
  checks.Expect(probe.Text(kTxtDmxInChannels).empty(),
                "Backspace clears the selected field");
  probe.Focus(kTxtSend);
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"50",
                "leaving the empty channel field shows 50");
}

// Typing 300 stores 3, then 30, and 255 on leaving; letters and Ctrl+V are
// refused by the field itself.
void CheckTypedChannels(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  probe.Focus(kTxtDmxInChannels);
  probe.Type(kTxtDmxInChannels, L"3");
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"3" &&
                    probe.ScrollPosition(kUdDmxInChannels) == 253,
                "typing 3 shows 3 and moves the bar to 253");
  probe.Type(kTxtDmxInChannels, L"0");
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"30" &&
                    probe.ScrollPosition(kUdDmxInChannels) == 226,
                "typing 0 after it shows 30 with the bar at 226",
                Utf8(probe.Text(kTxtDmxInChannels)));
  probe.Type(kTxtDmxInChannels, L"0");
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"300" &&
                    probe.ScrollPosition(kUdDmxInChannels) == 226,
                "300 is shown and leaves the bar where it was");
  probe.Type(kTxtDmxInChannels, L"a- ");
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"300",
                "letters, signs and blanks never appear");
  PutOnClipboard(L"12x");
  probe.Type(kTxtDmxInChannels, L"\x16");
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"300",
                "Ctrl+V is refused like any other control character");
  probe.Focus(kChkDmxInActive);
  checks.Expect(probe.Text(kTxtDmxInChannels) == L"255" &&
                    probe.ScrollPosition(kUdDmxInChannels) == 1,
                "leaving the field shows 255 with the bar at 1");
}

// Line arrows step by one, the thumb's end position sets the number,
// tracking changes nothing; the shown number is the mirrored position.
void CheckIntervalBar(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  probe.Focus(kTxtDmxInInterval);
  probe.Type(kTxtDmxInInterval, L"10");
  probe.Focus(kUdDmxInInterval);
  checks.Expect(probe.Text(kTxtDmxInInterval) == L"25" &&
                    probe.ScrollPosition(kUdDmxInInterval) == 1000,
                "10 ms becomes 25 with the bar at 1000 when the focus moves "
                "to the bar");
  probe.Scroll(kUdDmxInInterval, SB_LINEUP);
  checks.Expect(probe.Text(kTxtDmxInInterval) == L"26" &&
                    probe.ScrollPosition(kUdDmxInInterval) == 999,
                "the upper arrow raises the number to 26");
  probe.Scroll(kUdDmxInInterval, SB_THUMBTRACK, 500);
  checks.Expect(probe.Text(kTxtDmxInInterval) == L"26" &&
                    probe.ScrollPosition(kUdDmxInInterval) == 999,
                "dragging the thumb changes nothing until it is let go");
  probe.Scroll(kUdDmxInInterval, SB_THUMBPOSITION, 975);
  checks.Expect(probe.Text(kTxtDmxInInterval) == L"50" &&
                    probe.ScrollPosition(kUdDmxInInterval) == 975,
                "letting the thumb go at 975 shows 50");
  probe.Scroll(kUdDmxInInterval, SB_LINEDOWN);
  checks.Expect(probe.Text(kTxtDmxInInterval) == L"49" &&
                    probe.ScrollPosition(kUdDmxInInterval) == 976,
                "the lower arrow lowers it to 49");
}

}  // namespace

void ScenarioDialogNumbers(HostContext& host) {
  IDispatch* driver = InitDriver(host, L"38400,n,8,1");
  if (!driver) return;
  const int result = RunDialog(host, driver, [&](DialogProbe& probe) {
    CheckLeavingChannels(probe);
    CheckTypedChannels(probe);
    CheckIntervalBar(probe);
    probe.Click(kChkDmxInActive);
    host.checks.Expect(probe.Checked(kChkDmxInActive),
                       "a click checks chkDMXInActive");
    probe.Close();
  });
  host.checks.Equal(result, 0, "Configure returns False");
  DriverClient(driver).Boolean(L"Term");
  host.checks.Expect(
      GetSetting(L"DMXInChannels") == L"255" &&
          GetSetting(L"DMXInInterval") == L"49" &&
          GetSetting(L"DMXInActive") == L"True",
      "Term saves 255 channels, 49 ms and DMX-In on",
      Utf8(GetSetting(L"DMXInChannels") + L" " + GetSetting(L"DMXInInterval") +
           L" " + GetSetting(L"DMXInActive")));
  driver->Release();
}
