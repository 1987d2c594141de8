// The serial link through COM: handshake, frames byte for byte, and the
// message boxes M1, M2 and M4.

#include <cstdio>
#include <random>
#include <string>

#include "driver_client.h"
#include "expected_texts.h"
#include "recording_helper.h"
#include "scenario_tools.h"

void UseSimulator(HostContext& host, const wchar_t* line_settings) {
  ClearSettings();
  SetSetting(L"ComPort", host.sim_port.c_str());
  SetSetting(L"ComSettings", line_settings);
}

std::vector<SeenBox> BoxesSeen(HostContext& host, std::size_t count) {
  std::vector<SeenBox> seen;
  host.PumpUntil([&] {
    for (auto& box : host.boxes.Take()) seen.push_back(box);
    return seen.size() >= count;
  });
  host.Pump(50);  // one more look: nothing else may have come
  for (auto& box : host.boxes.Take()) seen.push_back(box);
  return seen;
}

namespace {

// The frame a channel value becomes on the line.
std::string Frame(long channel, long value) {
  const unsigned long index = static_cast<unsigned long>(channel - 1);
  return std::string{'\xFF',
                     static_cast<char>(index & 0xFF),
                     static_cast<char>((index >> 8) & 0x7F),
                     '\x01',
                     static_cast<char>(value),
                     '\0'};
}

std::string Received(HostContext& host) {
  std::string bytes;
  for (const std::string& hex : host.SimEvents("rx")) bytes += FromHex(hex);
  return bytes;
}

}  // namespace

void ScenarioLink(HostContext& host) {
  UseSimulator(host, L"38400,n,8,1");
  IDispatch* driver = host.Create();
  if (!host.checks.Expect(driver != nullptr, "created by ProgID")) return;
  const DriverClient client(driver);
  RecordingHelper helper;
  host.checks.Equal(
      client.Boolean(L"Init", {Text(kTitle), Text(kFile), Dispatch(&helper)}),
      0, "Init returns False");
  host.checks.Equal(helper.references(), 2L, "the helper is held after Init");
  host.checks.Equal(client.Boolean(L"SetChannel", {Long(1), Long(0)}), 0,
                    "SetChannel before Enable returns False");
  host.traces.Take();
  host.checks.Equal(client.Boolean(L"Enable"), 1, "Enable returns True");
  const auto enable_traces = host.traces.Take();
  host.checks.Expect(
      enable_traces.size() == 5 &&
          enable_traces[0] == "[Quorvix] Enable: Begin" &&
          enable_traces[1] == "[Quorvix] OnComm: Begin" &&
          enable_traces[2] == "[Quorvix] OnComm: LastRecv is now G" &&
          enable_traces[3] == "[Quorvix] OnComm: End" &&
          enable_traces[4] == "[Quorvix] Enable: End",
      "Enable traces the handshake's receive handler");
  host.checks.Equal(host.SimEvents("handshake").size(), std::size_t{1},
                    "the simulator saw one handshake");

  // Trace lines are raw bytes cut at the frame's first zero byte.
  client.Boolean(L"SetChannel", {Long(258), Long(199)});
  const auto lines = host.traces.Take();
  host.checks.Expect(
      Contains(lines,
               "[Quorvix] SetChannel: Sending channel 258 @ 199: "
               "\xFF\x01\x01\x01\xC7"),
      "the SetChannel trace line carries the frame up to its zero byte");

  std::string expected = std::string("c?") + Frame(258, 199);
  std::mt19937 random(4711);
  std::uniform_int_distribution<long> channel(1, 512);
  std::uniform_int_distribution<long> value(0, 255);
  constexpr int kFrames = 2000;
  int answered_true = 0;
  for (int i = 0; i < kFrames; ++i) {
    const long c = channel(random);
    const long v = value(random);
    expected += Frame(c, v);
    answered_true += client.Boolean(L"SetChannel", {Long(c), Long(v)}) == 1;
  }
  // Channels n and n + 32768 make the same frame.
  client.Boolean(L"SetChannel", {Long(7 + 32768), Long(77)});
  expected += Frame(7, 77);
  host.checks.Equal(answered_true, kFrames, "every SetChannel returns True");
  host.PumpUntil([&] { return Received(host).size() >= expected.size(); });
  const std::string received = Received(host);
  host.checks.Expect(
      received == expected, "the simulator received every frame byte for byte",
      std::to_string(received.size()) + " of " +
          std::to_string(expected.size()) + " bytes, " +
          (received == expected.substr(0, received.size()) ? "a prefix"
                                                           : "different"));
  host.checks.Equal(host.SimEvents("frame").size(),
                    static_cast<std::size_t>(kFrames + 2),
                    "the simulator counted every frame");
  host.checks.Equal(client.Boolean(L"Disable"), 1, "Disable returns True");
  host.checks.Equal(client.Boolean(L"SetChannel", {Long(1), Long(1)}), 0,
                    "SetChannel after Disable returns False");
  host.checks.Equal(client.Boolean(L"Term"), 0, "Term returns False");
  host.checks.Equal(helper.references(), 1L, "Term lets go of the helper");
  host.checks.Expect(host.boxes.Take().empty(), "no message box at 38400 baud");
  driver->Release();
}

void ScenarioBoxes(HostContext& host) {
  IDispatch* driver = host.Create();
  if (!host.checks.Expect(driver != nullptr, "created by ProgID")) return;
  const DriverClient client(driver);
  const auto init = [&] {
    return client.Boolean(L"Init", {Text(kTitle), Text(kFile), Empty()});
  };

  // M1: a port that does not exist.
  UseSimulator(host, L"38400,n,8,1");
  SetSetting(L"ComPort", L"200");
  init();
  host.checks.Equal(client.Boolean(L"Enable"), 0,
                    "Enable on a missing port returns False");
  auto boxes = BoxesSeen(host, 1);
  host.checks.Expect(
      boxes.size() == 1 && boxes[0].text == kM1 && boxes[0].icon == L"error",
      "a missing port shows M1 with the error icon");
  host.checks.Equal(host.SimEvents("handshake").size(), std::size_t{0},
                    "no handshake without a port");

  // M1: a port the system refuses, as it refuses one that another program
  // holds. (Wine does not refuse a second open of a serial device, so run.sh
  // maps this port to a folder, which Windows cannot open as a file: access
  // denied, the error of a port in use.)
  UseSimulator(host, L"38400,n,8,1");
  SetSetting(L"ComPort", host.refused_port.c_str());
  init();
  host.checks.Equal(client.Boolean(L"Enable"), 0,
                    "Enable on a refused port returns False");
  boxes = BoxesSeen(host, 1);
  host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM1,
                     "a refused port shows M1");
  UseSimulator(host, L"38400,n,8,1");
  init();

  // M2: a transmitter that stays silent; the port stays open.
  host.checks.Expect(host.SimCommand("silent on"), "simulator silent");
  host.checks.Equal(client.Boolean(L"Enable"), 0,
                    "Enable with a silent transmitter returns False");
  boxes = BoxesSeen(host, 1);
  host.checks.Expect(
      boxes.size() == 1 && boxes[0].text == kM2 && boxes[0].icon == L"error",
      "a silent transmitter shows M2 with the error icon");
  host.checks.Expect(host.SimCommand("silent off"), "simulator answers again");
  host.checks.Equal(client.Boolean(L"Enable"), 1,
                    "Enable again on the open port returns True");
  host.checks.Expect(BoxesSeen(host, 0).empty(),
                     "the second Enable shows no box (no reopening)");

  // M2: "G" followed by a carriage return is not the answer.
  host.checks.Expect(host.SimCommand("reply-handshake G\\r"),
                     "simulator answers G CR");
  host.checks.Equal(client.Boolean(L"Enable"), 0,
                    "Enable with the answer G CR returns False");
  boxes = BoxesSeen(host, 1);
  host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM2,
                     "the answer G CR shows M2");
  // A long reply reaches the trace whole (Wine's debug channel would cut it).
  const std::string long_reply(1500, 'x');
  host.traces.Take();
  host.SimCommand("reply-handshake " + long_reply);
  host.checks.Equal(client.Boolean(L"Enable"), 0,
                    "Enable with a long answer returns False");
  BoxesSeen(host, 1);
  host.checks.Expect(
      Contains(host.traces.Take(),
               "[Quorvix] OnComm: LastRecv is now " + long_reply),
      "a 1500-byte LastRecv is traced whole");

  // A transmitter that never stops talking cannot hold Enable.
  host.SimCommand("reply-handshake default");
  host.checks.Expect(host.SimCommand("flood on"), "simulator floods");
  host.checks.Equal(client.Boolean(L"Enable"), 0,
                    "Enable during a flood ends, with False");
  boxes = BoxesSeen(host, 1);
  host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM2,
                     "a flood shows M2");
  host.SimCommand("flood off");
  client.Boolean(L"Disable");

  // M4: a line below 38400 baud, and Enable still succeeds.
  UseSimulator(host, L"19200,n,8,1");
  init();
  host.checks.Equal(client.Boolean(L"Enable"), 1,
                    "Enable at 19200 baud returns True");
  boxes = BoxesSeen(host, 1);
  host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM4 &&
                         boxes[0].icon == L"information",
                     "19200 baud shows M4 with the information icon",
                     boxes.empty() ? "no box" : Utf8(boxes[0].text));

  // A device that vanishes: noticed once, later writes fail with 8020.
  host.traces.Take();
  host.checks.Expect(host.SimCommand("vanish"), "the device vanishes");
  std::size_t noticed = 0;
  const auto count_notices = [&] {
    for (const std::string& line : host.traces.Take()) {
      noticed += line.find(": device vanished (") != std::string::npos;
    }
    return noticed > 0;
  };
  host.PumpUntil(count_notices);
  host.Pump(200);  // a second notice would come now
  count_notices();
  host.checks.Equal(noticed, std::size_t{1}, "the failure is traced once");
  const CallResult vanished = client.Call(L"SetChannel", {Long(1), Long(1)});
  host.checks.Expect(
      vanished.result == DISP_E_EXCEPTION &&
          vanished.exception.scode == MAKE_HRESULT(1, FACILITY_CONTROL, 8020),
      "SetChannel on a vanished device is error 8020", vanished.Description());

  client.Boolean(L"Disable");
  client.Boolean(L"Term");
  driver->Release();
}
