// DMX-In through COM: the poll timer on the hidden window, reports to a C++
// helper and to a VBScript `Class`, failing and missing host methods, and a
// SetChannel made inside a report.

#include <cstdio>
#include <string>

#include "driver_client.h"
#include "recording_helper.h"
#include "scenario_tools.h"
#include "script_helper.h"

namespace {

void PollingSettings(HostContext& host) {
  UseSimulator(host, L"38400,n,8,1");
  SetSetting(L"DMXInActive", L"True");
  SetSetting(L"DMXInChannels", L"16");
  SetSetting(L"DMXInInterval", L"25");
}

std::string Show(const std::vector<Report>& reports) {
  std::string text;
  for (const Report& report : reports) {
    text += std::to_string(report.channel) + "=" +
            std::to_string(report.value) + " ";
  }
  return text;
}

// Pumps until the simulator has answered `more` further DMX-In requests.
bool Polls(HostContext& host, std::size_t more) {
  const std::size_t before = host.SimEvents("dmxin-request").size();
  return host.PumpUntil(
      [&] { return host.SimEvents("dmxin-request").size() >= before + more; });
}

}  // namespace

void ScenarioDmxIn(HostContext& host) {
  Checks& checks = host.checks;
  PollingSettings(host);
  IDispatch* driver = host.Create();
  if (!checks.Expect(driver != nullptr, "created by ProgID")) return;
  const DriverClient client(driver);
  RecordingHelper helper;
  client.Boolean(L"Init", {Text(kTitle), Text(kFile), Dispatch(&helper)});
  checks.Equal(client.Boolean(L"Enable"), 1, "Enable starts polling");
  checks.Expect(Polls(host, 3), "the poll timer ticks on the hidden window");
  checks.Expect(helper.reports.empty(), "an unchanged input reports nothing",
                Show(helper.reports));
  const auto traces = host.traces.Take();
  checks.Expect(Contains(traces, "[Quorvix] Checking DMX-In...") &&
                    Contains(traces,
                             "[Quorvix] Serial buffer empty, requesting "
                             "channels...") &&
                    Contains(traces, "[Quorvix] Channels received"),
                "each tick writes its three trace lines");

  for (int step = 1; step <= 20; ++step) {
    const int channel = 1 + (step * 7) % 16;
    const int value = (step * 37) % 256;
    helper.reports.clear();
    host.SimCommand("in " + std::to_string(channel) + " " +
                    std::to_string(value));
    host.PumpUntil([&] { return !helper.reports.empty(); });
    Polls(host, 2);  // nothing more may follow
    const bool one = helper.reports.size() == 1 &&
                     helper.reports[0].channel == channel &&
                     helper.reports[0].value == value &&
                     helper.reports[0].channel_type == VT_I4 &&
                     helper.reports[0].value_type == VT_UI1;
    if (!checks.Expect(one,
                       "input " + std::to_string(channel) + " = " +
                           std::to_string(value) + " is reported once",
                       Show(helper.reports))) {
      break;
    }
  }

  // Changes made while disabled are reported at the next Enable, in
  // ascending channel order.
  client.Boolean(L"Disable");
  host.SimCommand("in 9 1");
  host.SimCommand("in 2 1");
  host.SimCommand("in 4 1");
  helper.reports.clear();
  client.Boolean(L"Enable");
  host.PumpUntil([&] { return helper.reports.size() >= 3; });
  checks.Equal(Show(helper.reports), std::string("2=1 4=1 9=1 "),
               "changes while disabled come in ascending order");

  // A failing host method: traced, and reported again at the next tick.
  helper.mode = RecordingHelper::Mode::kFail;
  helper.reports.clear();
  host.traces.Take();
  host.SimCommand("in 5 99");
  host.PumpUntil([&] { return helper.reports.size() >= 2; });
  checks.Expect(helper.reports.size() >= 2 && helper.reports[0].channel == 5 &&
                    helper.reports[1].channel == 5,
                "a failed report is tried again at the next tick",
                Show(helper.reports));
  bool traced = false;
  for (const std::string& line : host.traces.Take()) {
    traced |= line.rfind(
                  "[Quorvix] Trova_DMXIn_SetChannel failed for "
                  "channel 5: ",
                  0) == 0 &&
              line.find("the host refused it") != std::string::npos;
  }
  checks.Expect(traced, "the failure is traced with its description");

  // A helper without the method: the change is taken, never reported.
  helper.mode = RecordingHelper::Mode::kNoSuchMethod;
  Polls(host, 2);
  helper.mode = RecordingHelper::Mode::kAnswer;
  helper.reports.clear();
  Polls(host, 3);
  checks.Expect(helper.reports.empty(),
                "a change passed to a helper without the method is not "
                "reported again",
                Show(helper.reports));

  // SetChannel inside a report.
  helper.during_call = [&](const Report& report) {
    client.Boolean(L"SetChannel",
                   {Long(100 + report.channel), Long(report.value)});
  };
  host.SimCommand("in 6 66");
  host.PumpUntil([&] { return !helper.reports.empty(); });
  host.PumpUntil([&] { return Contains(host.SimEvents("frame"), "106 66"); });
  checks.Expect(Contains(host.SimEvents("frame"), "106 66"),
                "a SetChannel made inside a report reaches the line");
  helper.during_call = nullptr;

  client.Boolean(L"Disable");
  const std::size_t requests = host.SimEvents("dmxin-request").size();
  host.Pump(200);
  checks.Equal(host.SimEvents("dmxin-request").size(), requests,
               "Disable stops polling");
  client.Boolean(L"Term");
  driver->Release();
}

void ScenarioScriptHelper(HostContext& host) {
  Checks& checks = host.checks;
  const ScriptHelper script(
      L"Class Reporter\n"
      L"  Public Seen\n"
      L"  Public Sub Trova_DMXIn_SetChannel(channel, value)\n"
      L"    Seen = Seen & channel & \"=\" & value & \" \" & TypeName(channel) &"
      L" \"/\" & TypeName(value) & \";\"\n"
      L"  End Sub\n"
      L"End Class\n"
      L"Dim helper\n"
      L"Set helper = New Reporter\n",
      L"helper");
  if (!checks.Expect(script.object() != nullptr,
                     "the VBScript engine made the Class instance",
                     Utf8(script.error()))) {
    return;
  }
  PollingSettings(host);
  host.SimCommand("in 3 0");
  IDispatch* driver = host.Create();
  if (!checks.Expect(driver != nullptr, "created by ProgID")) return;
  const DriverClient client(driver);
  client.Boolean(L"Init",
                 {Text(kTitle), Text(kFile), Dispatch(script.object())});
  checks.Equal(client.Boolean(L"Enable"), 1, "Enable starts polling");
  Polls(host, 2);
  host.SimCommand("in 3 200");
  host.SimCommand("in 12 7");
  host.PumpUntil([&] {
    const std::wstring seen = script.Property(L"Seen");
    return seen.find(L"3=") != std::wstring::npos &&
           seen.find(L"12=") != std::wstring::npos;
  });
  const std::wstring log = script.Property(L"Seen");
  std::string failures;
  for (const std::string& line : host.traces.Take()) {
    if (line.find("failed") != std::string::npos) failures += " / " + line;
  }
  // Appended piece by piece: GCC 12 at -O2 sees a false overlap (-Wrestrict)
  // in a chain of operator+ that starts with a literal.
  std::string detail = "\"";
  detail.append(Utf8(log)).append("\"").append(failures);
  checks.Expect(log == L"3=200 Long/Byte;12=7 Long/Byte;",
                "the script class gets each change as Long and Byte", detail);
  client.Boolean(L"Disable");
  client.Boolean(L"Term");
  driver->Release();
}
