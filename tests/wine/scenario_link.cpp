// Scenarios of the serial link: handshake, frames, message boxes.

#include <cstdio>
#include <string>

#include "driver_client.h"
#include "recording_helper.h"
#include "scenario_tools.h"

void ScenarioHandshake(HostContext& host) {
  ClearSettings();
  SetSetting(L"ComPort", host.sim_port.c_str());
  SetSetting(L"ComSettings", L"38400,n,8,1");
  IDispatch* driver = host.Create();
  if (!host.checks.Expect(driver != nullptr, "created by ProgID")) return;
  const DriverClient client(driver);
  RecordingHelper helper;
  host.checks.Equal(client.Boolean(L"Init", {Text(kTitle), Text(kFile),
                                             Dispatch(&helper)}),
                    0, "Init returns False");
  host.checks.Equal(client.Boolean(L"Enable"), 1, "Enable returns True");
  host.checks.Equal(client.Boolean(L"SetChannel", {Long(5), Long(200)}), 1,
                    "SetChannel returns True");
  host.checks.Equal(client.Boolean(L"Disable"), 1, "Disable returns True");
  host.checks.Equal(client.Boolean(L"Term"), 0, "Term returns False");
  host.Pump(100);
  for (const auto& line : host.traces.Take()) std::printf("trace: %s\n", line.c_str());
  for (const auto& box : host.boxes.Take()) std::printf("box: %s\n", Utf8(box.text).c_str());
  driver->Release();
}
