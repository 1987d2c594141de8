// The adapter pulled and plugged back under Wine: the simulator's vanish
// removes the COM5 mapping with the device, replug restores it to a fresh
// line; the host keeps calling SetChannel and the driver carries on alone.
#include <algorithm>
#include <cstdio>
#include <string>

#include "driver_client.h"
#include "platform/win32/com_ref.h"
#include "scenario_tools.h"

using quorvix::win32::ComRef;

namespace {

constexpr HRESULT kDeviceFailed = MAKE_HRESULT(1, FACILITY_CONTROL, 8020);
constexpr char kBack[] = "[Quorvix] COM5: device back";

bool FailsWith8020(const CallResult& call) {
  return call.result == DISP_E_EXCEPTION &&
         call.exception.scode == kDeviceFailed;
}

std::size_t Count(const std::vector<std::string>& lines,
                  const std::string& line) {
  std::size_t count = 0;
  for (const std::string& traced : lines) count += traced == line;
  return count;
}

}  // namespace

void ScenarioRecovery(HostContext& host) {
  UseSimulator(host, L"38400,n,8,1");
  const auto driver = ComRef<IDispatch>::Adopt(host.Create());
  if (!host.checks.Expect(driver.get() != nullptr, "created by ProgID")) {
    return;
  }
  const DriverClient client(driver.get());
  client.Boolean(L"Init", {Text(kTitle), Text(kFile), Empty()});
  host.checks.Equal(client.Boolean(L"Enable"), 1, "Enable returns True");
  host.checks.Equal(client.Boolean(L"SetChannel", {Long(1), Long(11)}), 1,
                    "a frame before the adapter is pulled");

  host.traces.Take();
  host.checks.Expect(host.SimCommand("vanish"),
                     "the adapter is pulled and COM5 unmapped");
  host.PumpUntil([&] {
    for (const std::string& line : host.traces.Take()) {
      if (line.find("COM5: device vanished (") != std::string::npos) {
        return true;
      }
    }
    return false;
  });
  const CallResult gone = client.Call(L"SetChannel", {Long(2), Long(22)});
  host.checks.Expect(FailsWith8020(gone), "SetChannel while gone is 8020",
                     gone.Description());
  host.Pump(1100);
  const CallResult missing = client.Call(L"SetChannel", {Long(2), Long(22)});
  host.checks.Expect(FailsWith8020(missing),
                     "a second later the port is still missing: 8020",
                     missing.Description());

  host.checks.Expect(host.SimCommand("replug"),
                     "the adapter is back and COM5 mapped again");
  const DWORD replugged = GetTickCount();
  bool sent = false;
  host.PumpUntil([&] {
    sent = client.Call(L"SetChannel", {Long(3), Long(33)}).Boolean() == 1;
    return sent;
  });
  const DWORD took = GetTickCount() - replugged;
  host.checks.Expect(sent, "SetChannel carries on after the replug");
  std::printf("note replug to first frame: %lu ms\n",
              static_cast<unsigned long>(took));
  host.checks.Equal(client.Boolean(L"SetChannel", {Long(4), Long(44)}), 1,
                    "and keeps going");
  host.Pump(100);
  const std::vector<std::string> frames = host.SimEvents("frame");
  // A transmitter powered through the adapter comes back empty: what the
  // host set since Enable, values set while it was gone included (3 too,
  // when a call within the pause after the last attempt failed), goes out
  // again before the frame that found the device back.
  const auto restored = std::find(frames.rbegin(), frames.rend(), "1 11");
  const std::vector<std::string> after_replug(
      restored == frames.rend() ? frames.end() : restored.base() - 1,
      frames.end());
  const std::vector<std::string> resent_two = {"1 11", "2 22", "3 33", "4 44"};
  const std::vector<std::string> resent_three = {"1 11", "2 22", "3 33",
                                                 "3 33", "4 44"};
  host.checks.Expect(
      after_replug == resent_two || after_replug == resent_three,
      "after the replug the line gets channels 1 and 2 again, then 3 and 4");
  const std::vector<std::string> lines = host.traces.Take();
  host.checks.Equal(Count(lines, kBack), std::size_t{1},
                    "\"device back\" is traced once");
  host.checks.Equal(
      Count(lines, after_replug.size() == resent_two.size()
                       ? "[Quorvix] COM5: resent 2 channels"
                       : "[Quorvix] COM5: resent 3 channels"),
      std::size_t{1}, "the resent channels are traced");
  host.checks.Equal(client.Boolean(L"Disable"), 1, "Disable returns True");
  client.Boolean(L"Term");
}
