// The serial link through COM: handshake, frames byte for byte, and the
// message boxes M1, M2 and M4.

#include <cstdio>
#include <random>
#include <string>

#include "driver_client.h"
#include "expected_texts.h"
#include "platform/win32/com_ref.h"
#include "recording_helper.h"
#include "scenario_tools.h"

using quorvix::win32::ComRef;

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

// Init keeps the helper; Enable runs the handshake and traces its receive
// handler.
void EnableHandshakesOnce(HostContext& host, const DriverClient& client,
                          RecordingHelper& helper) {
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
}

// Trace lines are raw bytes cut at the frame's first zero byte.
void SetChannelTraceEndsAtTheZeroByte(HostContext& host,
                                      const DriverClient& client) {
  client.Boolean(L"SetChannel", {Long(258), Long(199)});
  const auto lines = host.traces.Take();
  host.checks.Expect(
      Contains(lines,
               "[Quorvix] SetChannel: Sending channel 258 @ 199: "
               "\xFF\x01\x01\x01\xC7"),
      "the SetChannel trace line carries the frame up to its zero byte");
}

// `expected`: what the line carried before, `frames_before` frames among
// it.
void EveryFrameArrivesByteForByte(HostContext& host, const DriverClient& client,
                                  std::string expected,
                                  std::size_t frames_before) {
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
                    frames_before + static_cast<std::size_t>(kFrames + 1),
                    "the simulator counted every frame");
}

void DisableAndTermLetGo(HostContext& host, const DriverClient& client,
                         const RecordingHelper& helper) {
  host.checks.Equal(client.Boolean(L"Disable"), 1, "Disable returns True");
  host.checks.Equal(client.Boolean(L"SetChannel", {Long(1), Long(1)}), 0,
                    "SetChannel after Disable returns False");
  host.checks.Equal(client.Boolean(L"Term"), 0, "Term returns False");
  host.checks.Equal(helper.references(), 1L, "Term lets go of the helper");
  host.checks.Expect(host.boxes.Take().empty(), "no message box at 38400 baud");
}

// The driver with no helper, Init run again for each case.
struct BoxesCase {
  HostContext& host;
  const DriverClient& client;

  void Init() const {
    client.Boolean(L"Init", {Text(kTitle), Text(kFile), Empty()});
  }
};

void MissingPortShowsM1(const BoxesCase& c) {
  UseSimulator(c.host, L"38400,n,8,1");
  SetSetting(L"ComPort", L"200");
  c.Init();
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 0,
                      "Enable on a missing port returns False");
  const auto boxes = BoxesSeen(c.host, 1);
  c.host.checks.Expect(
      boxes.size() == 1 && boxes[0].text == kM1 && boxes[0].icon == L"error",
      "a missing port shows M1 with the error icon");
  c.host.checks.Equal(c.host.SimEvents("handshake").size(), std::size_t{0},
                      "no handshake without a port");
}

// A port the system refuses, as it refuses one that another program holds.
// (Wine does not refuse a second open of a serial device, so run.sh maps
// this port to a folder, which Windows cannot open as a file: access denied,
// the error of a port in use.)
void RefusedPortShowsM1(const BoxesCase& c) {
  UseSimulator(c.host, L"38400,n,8,1");
  SetSetting(L"ComPort", c.host.refused_port.c_str());
  c.Init();
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 0,
                      "Enable on a refused port returns False");
  const auto boxes = BoxesSeen(c.host, 1);
  c.host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM1,
                       "a refused port shows M1");
}

// A transmitter that stays silent; the port stays open.
void SilentTransmitterShowsM2(const BoxesCase& c) {
  UseSimulator(c.host, L"38400,n,8,1");
  c.Init();
  c.host.checks.Expect(c.host.SimCommand("silent on"), "simulator silent");
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 0,
                      "Enable with a silent transmitter returns False");
  const auto boxes = BoxesSeen(c.host, 1);
  c.host.checks.Expect(
      boxes.size() == 1 && boxes[0].text == kM2 && boxes[0].icon == L"error",
      "a silent transmitter shows M2 with the error icon");
  c.host.checks.Expect(c.host.SimCommand("silent off"),
                       "simulator answers again");
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 1,
                      "Enable again on the open port returns True");
  c.host.checks.Expect(BoxesSeen(c.host, 0).empty(),
                       "the second Enable shows no box (no reopening)");
}

// "G" followed by a carriage return is not the answer; a long reply reaches
// the trace whole (Wine's debug channel would cut it).
void WrongAnswersShowM2(const BoxesCase& c) {
  c.host.checks.Expect(c.host.SimCommand("reply-handshake G\\r"),
                       "simulator answers G CR");
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 0,
                      "Enable with the answer G CR returns False");
  const auto boxes = BoxesSeen(c.host, 1);
  c.host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM2,
                       "the answer G CR shows M2");
  const std::string long_reply(1500, 'x');
  c.host.traces.Take();
  c.host.SimCommand("reply-handshake " + long_reply);
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 0,
                      "Enable with a long answer returns False");
  BoxesSeen(c.host, 1);
  c.host.checks.Expect(
      Contains(c.host.traces.Take(),
               "[Quorvix] OnComm: LastRecv is now " + long_reply),
      "a 1500-byte LastRecv is traced whole");
  c.host.SimCommand("reply-handshake default");
}

// A transmitter that never stops talking cannot hold Enable.
void FloodShowsM2(const BoxesCase& c) {
  c.host.checks.Expect(c.host.SimCommand("flood on"), "simulator floods");
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 0,
                      "Enable during a flood ends, with False");
  const auto boxes = BoxesSeen(c.host, 1);
  c.host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM2,
                       "a flood shows M2");
  c.host.SimCommand("flood off");
  c.client.Boolean(L"Disable");
}

// A line below 38400 baud, and Enable still succeeds.
void SlowLineShowsM4(const BoxesCase& c) {
  UseSimulator(c.host, L"19200,n,8,1");
  c.Init();
  c.host.checks.Equal(c.client.Boolean(L"Enable"), 1,
                      "Enable at 19200 baud returns True");
  const auto boxes = BoxesSeen(c.host, 1);
  c.host.checks.Expect(boxes.size() == 1 && boxes[0].text == kM4 &&
                           boxes[0].icon == L"information",
                       "19200 baud shows M4 with the information icon",
                       boxes.empty() ? "no box" : Utf8(boxes[0].text));
}

// Noticed once, later writes fail with 8020.
void VanishedDeviceIsNoticedOnce(const BoxesCase& c) {
  c.host.traces.Take();
  c.host.checks.Expect(c.host.SimCommand("vanish"), "the device vanishes");
  std::size_t noticed = 0;
  const auto count_notices = [&] {
    for (const std::string& line : c.host.traces.Take()) {
      noticed += line.find(": device vanished (") != std::string::npos;
    }
    return noticed > 0;
  };
  c.host.PumpUntil(count_notices);
  c.host.Pump(200);  // a second notice would come now
  count_notices();
  c.host.checks.Equal(noticed, std::size_t{1}, "the failure is traced once");
  const CallResult vanished = c.client.Call(L"SetChannel", {Long(1), Long(1)});
  c.host.checks.Expect(
      vanished.result == DISP_E_EXCEPTION &&
          vanished.exception.scode == MAKE_HRESULT(1, FACILITY_CONTROL, 8020),
      "SetChannel on a vanished device is error 8020", vanished.Description());
}

}  // namespace

void ScenarioLink(HostContext& host) {
  UseSimulator(host, L"38400,n,8,1");
  RecordingHelper helper;
  const auto driver = ComRef<IDispatch>::Adopt(host.Create());
  if (!host.checks.Expect(driver.get() != nullptr, "created by ProgID")) {
    return;
  }
  const DriverClient client(driver.get());
  EnableHandshakesOnce(host, client, helper);
  SetChannelTraceEndsAtTheZeroByte(host, client);
  EveryFrameArrivesByteForByte(host, client,
                               std::string("c?") + Frame(258, 199), 1);
  DisableAndTermLetGo(host, client, helper);
}

void ScenarioBoxes(HostContext& host) {
  const auto driver = ComRef<IDispatch>::Adopt(host.Create());
  if (!host.checks.Expect(driver.get() != nullptr, "created by ProgID")) {
    return;
  }
  const DriverClient client(driver.get());
  const BoxesCase c{host, client};
  MissingPortShowsM1(c);
  RefusedPortShowsM1(c);
  SilentTransmitterShowsM2(c);
  WrongAnswersShowM2(c);
  FloodShowsM2(c);
  SlowLineShowsM4(c);
  VanishedDeviceIsNoticedOnce(c);
  client.Boolean(L"Disable");
  client.Boolean(L"Term");
}
