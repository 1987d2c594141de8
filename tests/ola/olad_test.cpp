// quorvix-ola against a real olad, the simulator on a paced 38400-baud line
// and OLA's own command-line clients, all inside the private network
// namespace that in_private_network.sh makes. Figures are printed, never
// asserted; waits are bounded only so that a fault fails instead of hanging.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "burst_frames.h"
#include "child_process.h"
#include "figures.h"
#include "olad.h"
#include "tools/host/sim_process.h"

namespace quorvix::ola_testing {
namespace {

using ::testing::HasSubstr;
using Universe = std::map<unsigned, unsigned>;  // non-zero channels only
using namespace std::chrono_literals;

constexpr unsigned kOutput = 1;
constexpr unsigned kInput = 2;
constexpr int kBurstFps = 40;
constexpr int kBurstSeconds = 10;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::string Show(const Universe& universe) {
  std::string text;
  for (const auto& [channel, value] : universe) {
    text += std::to_string(channel) + "=" + std::to_string(value) + " ";
  }
  return text.empty() ? "(all zero)" : text;
}

class OlaBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* host_netns = std::getenv("QUORVIX_HOST_NETNS");
    ASSERT_NE(host_netns, nullptr)
        << "run this test through tests/ola/in_private_network.sh";
    host_netns_ = host_netns;
    ASSERT_NE(std::filesystem::read_symlink("/proc/self/ns/net").string(),
              host_netns_)
        << "not inside a private network namespace";
    ASSERT_EQ(NetworkLinks(), "lo")
        << "the namespace must have the loopback only";
    ASSERT_EQ(OladPidsIn(host_netns_), "")
        << "an olad runs outside the test's namespace (pids above); stop it: "
           "the test must not share a daemon that may talk to the network";

    std::string pattern = "/tmp/quorvix-ola-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    // olad runs as an unprivileged user and must reach its config below.
    chmod(folder_.c_str(), 0755);
    std::filesystem::create_directories(folder_ / "xdg" / "quorvix" / "ports");
    olad_ = std::make_unique<Olad>(folder_);
    olad_->Start();
  }

  void TearDown() override {
    bridge_.reset();
    sim_.reset();
    if (olad_) olad_->Stop();
    EXPECT_EQ(OladPidsIn(host_netns_), "")
        << "an olad runs outside the test's namespace";
    if (HasFailure()) {
      std::printf("--- bridge log\n%s--- olad log\n%s",
                  ReadAll(folder_ / "bridge.log").c_str(),
                  olad_ ? olad_->Log().c_str() : "");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::filesystem::path SettingsFile() const {
    return folder_ / "xdg" / "quorvix" / "quorvix-ola.ini";
  }
  std::string XdgConfig() const {
    return "XDG_CONFIG_HOME=" + (folder_ / "xdg").string();
  }
  std::string SimLog() const { return (folder_ / "sim.log").string(); }

  void WriteSettings(const std::string& lines) {
    std::ofstream(SettingsFile())
        << "[Plugins\\libquorvix.so]\nComPort=1\nComSettings=38400,n,8,1\n"
        << lines;
  }

  host::SimProcess& StartSim() {
    sim_ = std::make_unique<host::SimProcess>(
        QUORVIX_SIM,
        std::vector<std::string>{"--link",
                                 (folder_ / "xdg/quorvix/ports/COM1").string(),
                                 "--log", SimLog(), "--baud", "38400"});
    return *sim_;
  }

  void StartBridge(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QUORVIX_OLA_BRIDGE);
    bridge_ = std::make_unique<ChildProcess>(
        arguments, (folder_ / "bridge.log").string(),
        std::vector<std::string>{XdgConfig()});
  }

  std::string BridgeLog() const { return ReadAll(folder_ / "bridge.log"); }

  bool WaitForLog(const std::string& text, std::size_t times = 1,
                  std::chrono::milliseconds bound = 15s) {
    return WaitUntil([&] { return Count(BridgeLog(), text) >= times; }, bound);
  }

  Universe SimUniverse() {
    Universe universe;
    std::istringstream words(sim_->Command("dump"));
    std::string word;
    while (words >> word) {
      const auto equals = word.find('=');
      if (equals == std::string::npos) continue;
      universe[std::stoul(word.substr(0, equals))] =
          std::stoul(word.substr(equals + 1));
    }
    return universe;
  }

  bool WaitForUniverse(const Universe& expected,
                       std::chrono::milliseconds bound = 15s) {
    return WaitUntil([&] { return SimUniverse() == expected; }, bound);
  }

  void SetDmx(unsigned universe, const std::vector<unsigned>& values) {
    std::string list;
    for (const unsigned value : values) {
      list += (list.empty() ? "" : ",") + std::to_string(value);
    }
    const auto [code, output] =
        RunToEnd({"ola_set_dmx", "-u", std::to_string(universe), "-d", list},
                 (folder_ / "ola_set_dmx.out").string());
    ASSERT_EQ(code, 0) << output;
  }

  // Percent of one core the bridge used over `period` of idling.
  double IdleCpuPercent(std::chrono::milliseconds period) {
    const double before = CpuSeconds(bridge_->pid());
    std::this_thread::sleep_for(period);
    const double after = CpuSeconds(bridge_->pid());
    return 100.0 * (after - before) /
           std::chrono::duration<double>(period).count();
  }

  std::string host_netns_;
  std::filesystem::path folder_;
  std::unique_ptr<Olad> olad_;
  std::unique_ptr<host::SimProcess> sim_;
  std::unique_ptr<ChildProcess> bridge_;
};

TEST_F(OlaBridgeTest, OlaUniverseReachesTheLineExactlyAndABurstConverges) {
  WriteSettings("");
  StartSim();
  StartBridge({"--universe", std::to_string(kOutput)});
  ASSERT_TRUE(WaitForLog("transmitter ready at 38400 baud"));
  std::printf("idle CPU of the bridge, DMX-In off: %.2f %%\n",
              IdleCpuPercent(3s));

  // ola_set_dmx: the named channels, and zero everywhere else.
  std::vector<unsigned> values;
  Universe expected;
  for (unsigned channel = 1; channel <= 24; ++channel) {
    values.push_back(channel * 10 % 256);
    if (channel * 10 % 256 != 0) expected[channel] = channel * 10 % 256;
  }
  SetDmx(kOutput, values);
  ASSERT_TRUE(WaitForUniverse(expected)) << Show(SimUniverse());

  // A full universe changing 40 times a second for 10 s: far more than the
  // line carries, so only the latest values may go out.
  const std::string burst_log = (folder_ / "burst.log").string();
  const auto [code, output] = RunToEnd(
      {QUORVIX_BURST_CLIENT, std::to_string(kOutput), std::to_string(kBurstFps),
       std::to_string(kBurstSeconds), burst_log},
      (folder_ / "burst.out").string());
  ASSERT_EQ(code, 0) << output;
  const int last = kBurstFps * kBurstSeconds - 1;
  Universe last_frame;
  for (unsigned channel = 1; channel <= 512; ++channel) {
    if (BurstValue(channel, last) != 0) {
      last_frame[channel] = BurstValue(channel, last);
    }
  }
  ASSERT_TRUE(WaitForUniverse(last_frame)) << Show(SimUniverse());

  // No frame was cut: the simulator found nothing it could not parse.
  const std::string stats = sim_->Command("stats");
  for (const char* counter : {" malformed=0", " discarded=0", " unknown=0",
                              " frames-ignored=0", " dropped=0"}) {
    EXPECT_THAT(stats, HasSubstr(counter));
  }

  const std::vector<long long> sent = BurstSendTimes(burst_log);
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(last + 1));
  const std::vector<LineFrame> on_line = FramesOnLine(SimLog());
  const std::vector<long long> latencies = LatenciesUs(on_line, sent);
  ASSERT_FALSE(on_line.empty());
  std::printf(
      "burst: %zu frames on the line; latency send -> line p50 %.1f ms, "
      "p99 %.1f ms (%zu frames matched)\n",
      on_line.size(), Percentile(latencies, 0.50) / 1000.0,
      Percentile(latencies, 0.99) / 1000.0, latencies.size());
  // p99 holds the catching up after the burst: channels whose last value
  // had not gone out yet when the burst ended.
  std::printf("burst: converged %.3f s after the last frame was sent\n",
              (on_line.back().time_us - sent.back()) / 1e6);
}

// ola_recorder's show file: "<universe> <v1,v2,...>" lines between delays.
std::vector<std::vector<unsigned>> RecordedFrames(const std::string& path,
                                                  unsigned universe) {
  std::vector<std::vector<unsigned>> frames;
  std::ifstream show(path);
  std::string line;
  while (std::getline(show, line)) {
    std::istringstream words(line);
    unsigned number = 0;
    std::string list;
    if (!(words >> number >> list) || number != universe) continue;
    std::vector<unsigned> frame;
    std::istringstream values(list);
    std::string value;
    while (std::getline(values, value, ',')) {
      frame.push_back(std::stoul(value));
    }
    frames.push_back(frame);
  }
  return frames;
}

TEST_F(OlaBridgeTest, TransmitterInputReachesTheInputUniverse) {
  WriteSettings("DMXInActive=True\nDMXInChannels=16\nDMXInInterval=50\n");
  host::SimProcess& sim = StartSim();
  ASSERT_EQ(sim.Command("in 1 17"), "ok in 1 17");
  ASSERT_EQ(sim.Command("in 9 128"), "ok in 9 128");
  StartBridge({"--universe", std::to_string(kOutput), "--input-universe",
               std::to_string(kInput)});
  ASSERT_TRUE(WaitForLog("transmitter ready at 38400 baud"));
  // Nothing uses the input universe yet: olad refuses it, said once.
  ASSERT_TRUE(
      WaitForLog("olad refuses the input universe: Universe doesn't exist "
                 "(still sending)"));
  std::printf("idle CPU of the bridge, DMX-In on: %.2f %%\n",
              IdleCpuPercent(3s));
  EXPECT_EQ(Count(BridgeLog(), "olad refuses"), 1u);

  const std::string show = (folder_ / "input.show").string();
  ChildProcess recorder(
      {"ola_recorder", "--record", show, "--universes", std::to_string(kInput)},
      (folder_ / "recorder.out").string());
  ASSERT_TRUE(WaitUntil(
      [&] {
        return ReadAll(folder_ / "recorder.out").find("Recording") !=
               std::string::npos;
      },
      15s))
      << ReadAll(folder_ / "recorder.out");
  // Its registration is answered in the background: time for it and for a
  // few of the bridge's sends before the input changes.
  std::this_thread::sleep_for(1s);
  ASSERT_EQ(sim.Command("in 16 255"), "ok in 16 255");
  ASSERT_EQ(sim.Command("in 1 18"), "ok in 1 18");
  std::this_thread::sleep_for(1500ms);
  recorder.Signal(SIGINT);
  ASSERT_EQ(recorder.Wait(10s), 0) << ReadAll(folder_ / "recorder.out");

  const std::vector<std::vector<unsigned>> frames =
      RecordedFrames(show, kInput);
  ASSERT_FALSE(frames.empty()) << ReadAll(show);
  std::vector<unsigned> before(16, 0);
  before[0] = 17;
  before[8] = 128;
  std::vector<unsigned> after = before;
  after[0] = 18;
  after[15] = 255;
  EXPECT_EQ(frames.front(), before);
  EXPECT_EQ(frames.back(), after);
  EXPECT_EQ(Count(BridgeLog(), "olad refuses"), 1u);
}

TEST_F(OlaBridgeTest, SurvivesAMissingTransmitterAndOladGoingAwayAndStops) {
  WriteSettings("");
  StartBridge({"--universe", std::to_string(kOutput)});
  ASSERT_TRUE(WaitForLog("the transmitter is not ready; retrying every 5 s"));
  StartSim();
  ASSERT_TRUE(WaitForLog("transmitter ready at 38400 baud"));
  SetDmx(kOutput, {99, 98});
  ASSERT_TRUE(WaitForUniverse({{1, 99}, {2, 98}})) << Show(SimUniverse());

  olad_->Stop();
  ASSERT_TRUE(WaitForLog("lost the connection to olad"));
  olad_->Start();
  ASSERT_TRUE(WaitForLog("connected to olad", 2));
  ASSERT_TRUE(bridge_->Running());
  // A one-channel frame: channel 2 keeps the value it was last given.
  SetDmx(kOutput, {42});
  ASSERT_TRUE(WaitForUniverse({{1, 42}, {2, 98}})) << Show(SimUniverse());

  // SIGTERM: Disable and Term, so every setting is written back.
  bridge_->Signal(SIGTERM);
  EXPECT_EQ(bridge_->Wait(10s), 0);
  EXPECT_THAT(BridgeLog(), HasSubstr("driver disabled, settings saved"));
  EXPECT_THAT(ReadAll(SettingsFile()), HasSubstr("DMXInChannels=50"));

  const auto [code, output] =
      RunToEnd({QUORVIX_OLA_BRIDGE, "--universe", "1", "--input-universe", "2"},
               (folder_ / "refused.out").string(), {XdgConfig()});
  EXPECT_EQ(code, 2);
  EXPECT_THAT(output, HasSubstr("--input-universe 2 needs DMX input, which is "
                                "off in the settings: set DMXInActive=True"));
}

}  // namespace
}  // namespace quorvix::ola_testing
