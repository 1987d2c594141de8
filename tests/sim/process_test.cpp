// quorvix-sim as a driver sees it: a real pseudo-terminal, commands on its
// standard input, and its log.

#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/temp_folder.h"
#include "driver_port.h"
#include "tools/host/sim_process.h"

namespace quorvix::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using common::TempFolder;
using host::SimProcess;

constexpr const char* kSim = QUORVIX_SIM_PATH;

// The lines of the log whose event (after the time) starts with `prefix`.
std::vector<std::string> Events(const std::vector<std::string>& log,
                                const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& line : log) {
    const auto space = line.find(' ');
    if (space != std::string::npos &&
        line.compare(space + 1, prefix.size(), prefix) == 0) {
      found.push_back(line.substr(space + 1));
    }
  }
  return found;
}

long TimeOf(const std::string& line) {
  return std::stol(line.substr(0, line.find(' ')));
}

TEST(SimProcess, ServesHandshakeFramesAndDmxInAcrossReopenings) {
  const TempFolder dir("quorvix-sim-test");
  const std::string log = dir / "sim.log";
  SimProcess sim(kSim, {"--log", log});
  {
    Port port(sim.pty_path());
    ASSERT_TRUE(port.open());
    port.Write({'c', '?'});
    EXPECT_EQ(port.Read(1), (Bytes{'G'}));
    // A frame in two pieces, then one for a channel outside the universe.
    port.Write({0xFF, 0x2B, 0x01});
    port.Write({0x01, 0x80, 0x00, 0xFF, 0x00, 0x02, 0x01, 0x09, 0x00});
    EXPECT_EQ(sim.Command("out 300"), "ok out 300 128");
    EXPECT_EQ(sim.Command("dump"), "ok dump 300=128");
  }
  // The driver closes and opens the port again; the transmitter carries on.
  Port port(sim.pty_path());
  ASSERT_TRUE(port.open());
  EXPECT_EQ(sim.Command("in 1 7"), "ok in 1 7");
  EXPECT_EQ(sim.Command("in 2 200"), "ok in 2 200");
  port.Write({0xFC, 0x00, 0x00, 0x02});
  EXPECT_EQ(port.Read(3), (Bytes{0x07, 0xC8, 0x00}));
  port.Write({'c', '?'});
  EXPECT_EQ(port.Read(1), (Bytes{'G'}));
  EXPECT_EQ(sim.Command("stats"),
            "ok stats frames=2 frames-ignored=1 handshakes=2 dmxin-requests=1 "
            "info=0 setup=0 "
            "unknown=0 malformed=0 discarded=0 rx-bytes=20 tx-bytes=5 "
            "flood-bytes=0 dropped=0");
  EXPECT_EQ(sim.Command("quit"), "ok quit");
  EXPECT_EQ(sim.Wait(), 0);

  const auto lines = ReadLines(log);
  EXPECT_TRUE(std::is_sorted(
      lines.begin(), lines.end(),
      [](const auto& a, const auto& b) { return TimeOf(a) < TimeOf(b); }));
  // Reads may join or part the driver's writes; the bytes are what counts.
  std::string received;
  for (const auto& rx : Events(lines, "rx ")) received += rx.substr(2);
  EXPECT_EQ(received,
            " 63 3F FF 2B 01 01 80 00 FF 00 02 01 09 00 FC 00 00 02 63 3F");
  EXPECT_EQ(Events(lines, "frame"),
            (std::vector<std::string>{"frame 300 128", "frame-ignored 513 9"}));
  EXPECT_EQ(Events(lines, "dmxin-request"),
            (std::vector<std::string>{"dmxin-request 2"}));
  EXPECT_EQ(
      Events(lines, "reply "),
      (std::vector<std::string>{"reply handshake 47", "reply dmxin 07 C8 00",
                                "reply handshake 47"}));
  EXPECT_EQ(Events(lines, "tx "),
            (std::vector<std::string>{"tx 47", "tx 07 C8 00", "tx 47"}));
  EXPECT_EQ(Events(lines, "input "),
            (std::vector<std::string>{"input 1 7", "input 2 200"}));
  EXPECT_EQ(Events(lines, "exit"), (std::vector<std::string>{"exit"}));
}

TEST(SimProcess, MisbehavesAsToldFromOptionsAndCommands) {
  SimProcess sim(kSim,
                 {"--silent", "--handshake-reply", "G\\r", "--trailer", "EE"});
  Port port(sim.pty_path());
  ASSERT_TRUE(port.open());
  port.Write({'c', '?', 0xFC, 0x00, 0x00, 0x01, 'I'});
  // A command runs only after what the driver wrote before it was handled.
  EXPECT_EQ(sim.Command("silent off"), "ok silent off");
  EXPECT_FALSE(port.Readable()) << "a silent transmitter answered";
  port.Write({'c', '?'});
  EXPECT_EQ(port.Read(2), (Bytes{'G', '\r'}));
  port.Write({0xFC, 0x00, 0x00, 0x01});
  EXPECT_EQ(port.Read(2), (Bytes{0x00, 0xEE}));
  EXPECT_EQ(sim.Command("reply-handshake default"), "ok reply-handshake 47");
  EXPECT_EQ(sim.Command("flood on"), "ok flood on");
  EXPECT_EQ(port.Read(300), Bytes(300, 0x55));
  EXPECT_EQ(sim.Command("flood off"), "ok flood off");
  EXPECT_EQ(sim.Command("frobnicate"),
            "error unknown command 'frobnicate' (try --help)");
  EXPECT_EQ(sim.Command("in 1 256"),
            "error in: value '256' is not a number from 0 to 255");
}

TEST(SimProcess, PacedAndSplitRepliesLeaveAsTheLineWouldCarryThem) {
  const TempFolder dir("quorvix-sim-test");
  const std::string log = dir / "sim.log";
  SimProcess sim(kSim, {"--log", log, "--baud", "9600"});
  Port port(sim.pty_path());
  ASSERT_TRUE(port.open());
  EXPECT_EQ(sim.Command("in 10 99"), "ok in 10 99");
  port.Write({0xFC, 0x00, 0x00, 0x0A});
  Bytes expected(11, 0x00);
  expected[9] = 99;
  EXPECT_EQ(port.Read(11), expected);
  EXPECT_EQ(sim.Command("baud off"), "ok baud off");
  EXPECT_EQ(sim.Command("split on 1"), "ok split on 1");
  port.Write({0xFC, 0x00, 0x00, 0x02});
  EXPECT_EQ(port.Read(3), (Bytes{0x00, 0x00, 0x00}));
  EXPECT_EQ(sim.Command("quit"), "ok quit");
  EXPECT_EQ(sim.Wait(), 0);

  const auto lines = ReadLines(log);
  const auto first_reply =
      std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find(" reply dmxin ") != std::string::npos;
      });
  ASSERT_NE(first_reply, lines.end());
  // 11 bytes of 10 bits at 9600 baud: the last cannot leave before 11458 us.
  std::vector<std::string> paced_tx;
  long last_paced_tx = 0;
  for (auto it = first_reply;
       it != lines.end() && it->find(" cmd baud off") == std::string::npos;
       ++it) {
    if (it->find(" tx ") != std::string::npos) last_paced_tx = TimeOf(*it);
  }
  EXPECT_GE(last_paced_tx - TimeOf(*first_reply), 11'458);
  const auto tx = Events(lines, "tx ");
  ASSERT_GE(tx.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(tx.end() - 3, tx.end()),
            (std::vector<std::string>{"tx 00", "tx 00", "tx 00"}))
      << "split replies go out one byte per write";
}

TEST(SimProcess, AutoBaudFollowsTheSpeedTheDriverSetOnThePort) {
  const TempFolder dir("quorvix-sim-test");
  const std::string log = dir / "sim.log";
  SimProcess sim(kSim, {"--log", log});
  Port port(sim.pty_path());
  ASSERT_TRUE(port.open());
  EXPECT_EQ(sim.Command("baud auto"), "ok baud auto 38400")
      << "the speed the port starts with";
  port.SetSpeed(B4800);
  port.Write({0xFC, 0x00, 0x00, 0x04});
  EXPECT_EQ(port.Read(5), Bytes(5, 0x00));
  EXPECT_EQ(sim.Command("quit"), "ok quit");
  EXPECT_EQ(sim.Wait(), 0);
  const auto lines = ReadLines(log);
  EXPECT_EQ(Events(lines, "line-speed"),
            (std::vector<std::string>{"line-speed 4800"}));
  const auto reply =
      std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find(" reply dmxin ") != std::string::npos;
      });
  const auto last_tx = std::find_if(
      lines.rbegin(), lines.rend(),
      [](const std::string& l) { return l.find(" tx ") != std::string::npos; });
  ASSERT_NE(reply, lines.end());
  ASSERT_NE(last_tx, lines.rend());
  // 5 bytes of 10 bits at 4800 baud: 10417 us at the least.
  EXPECT_GE(TimeOf(*last_tx) - TimeOf(*reply), 10'416);
}

TEST(SimProcess, LinkComesAndGoesWithTheSimulator) {
  const TempFolder dir("quorvix-sim-test");
  const fs::path link = dir / "ports/COM7";
  fs::create_directories(link.parent_path());
  fs::create_symlink("/dev/null", link);  // left behind by an earlier run
  {
    SimProcess sim(kSim, {"--link", link.string()});
    EXPECT_EQ(fs::read_symlink(link), sim.pty_path());
    Port port(link.string());
    ASSERT_TRUE(port.open());
    port.Write({'c', '?'});
    EXPECT_EQ(port.Read(1), (Bytes{'G'}));
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

  const fs::path nested = dir / "a/b/COM1";
  SimProcess sim(kSim, {"--link", nested.string()});
  EXPECT_EQ(fs::read_symlink(nested), sim.pty_path());
  sim.CloseInput();
  EXPECT_EQ(sim.Wait(), 0) << "end of input is a clean end";
  EXPECT_FALSE(fs::exists(fs::symlink_status(nested)));
}

TEST(SimProcess, RefusesToReplaceAFileThatIsNotALink) {
  const TempFolder dir("quorvix-sim-test");
  const fs::path file = dir / "COM1";
  { std::ofstream(file) << "keep me"; }
  try {
    const SimProcess sim(kSim, {"--link", file.string()});
    ADD_FAILURE() << "started on " << sim.pty_path();
  } catch (const SimProcess::StartFailure& failure) {
    EXPECT_EQ(failure.exit_code(), 1) << failure.what();
  }
  EXPECT_TRUE(fs::is_regular_file(file));
}

TEST(SimProcess, ReplugPutsAFreshLineBehindTheSameLink) {
  const TempFolder folder("quorvix-sim-test");
  const fs::path link = folder / "COM1";
  SimProcess sim(kSim, {"--link", link.string()});
  Port old_port(link.string());
  ASSERT_TRUE(old_port.open());
  old_port.Write({0xFF, 0x00, 0x00, 0x01, 0x2A, 0x00, 0xFF, 0x01});

  EXPECT_EQ(sim.Command("vanish"), "ok vanish");
  EXPECT_TRUE(old_port.HungUp());
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));  // the node is gone
  const std::string answer = sim.Command("replug");
  ASSERT_EQ(answer.rfind("ok replug /", 0), 0u) << answer;
  const std::string fresh = answer.substr(std::string("ok replug ").size());
  EXPECT_NE(fresh, sim.pty_path());
  EXPECT_EQ(fs::read_symlink(link).string(), fresh);

  // The half frame of the old line does not swallow the new line's bytes.
  Port new_port(link.string());
  ASSERT_TRUE(new_port.open());
  new_port.Write({0xFF, 0x01, 0x00, 0x01, 0x07, 0x00});
  EXPECT_EQ(sim.Command("out 2"), "ok out 2 7");
  EXPECT_EQ(sim.Command("out 1"), "ok out 1 42");
  // A power-cycled transmitter comes back with an empty universe.
  ASSERT_EQ(sim.Command("replug reset").rfind("ok replug /", 0), 0u);
  EXPECT_EQ(sim.Command("out 1"), "ok out 1 0");
  EXPECT_EQ(sim.Command("out 2"), "ok out 2 0");
  EXPECT_EQ(sim.Command("quit"), "ok quit");
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(SimProcess, AVanishedDeviceHangsUpTheDriverButCommandsGoOn) {
  SimProcess sim(kSim, {});
  Port port(sim.pty_path());
  ASSERT_TRUE(port.open());
  port.Write({0xFF, 0x00, 0x00, 0x01, 0x2A, 0x00});
  EXPECT_EQ(sim.Command("vanish"), "ok vanish");
  EXPECT_TRUE(port.HungUp());
  EXPECT_EQ(sim.Command("out 1"), "ok out 1 42");
  EXPECT_EQ(sim.Command("quit"), "ok quit");
  EXPECT_EQ(sim.Wait(), 0);
}

}  // namespace
}  // namespace quorvix::test
