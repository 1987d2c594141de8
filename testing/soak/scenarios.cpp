#include "scenarios.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>

#include "sim_stats.h"

namespace quorvix::soak {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void Figure(const std::string& name, double value, const std::string& unit) {
  std::cout << "  " << name << ": " << std::fixed << std::setprecision(2)
            << value << " " << unit << "\n";
}

void Figure(const std::string& name, long count) {
  std::cout << "  " << name << ": " << count << "\n";
}

void Require(bool holds, const std::string& what) {
  if (!holds) throw SoakFailure(what);
}

// Every frame the host sent arrived whole, none other, nothing broken.
void CheckLine(host::SimProcess& sim, long sent) {
  std::map<std::string, long> stats = Stats(sim);
  for (const char* counter : {"frames", "malformed", "unknown", "discarded",
                              "frames-ignored", "rx-bytes"}) {
    Figure(std::string("simulator ") + counter, stats[counter]);
  }
  Require(stats["frames"] == sent, "frames lost: sent " + std::to_string(sent) +
                                       ", the line carried " +
                                       std::to_string(stats["frames"]));
  Require(stats["malformed"] == 0 && stats["unknown"] == 0 &&
              stats["discarded"] == 0,
          "corrupted bytes on the line");
}

// A paced simulator reads at line speed: waits until it has read it all.
void AwaitLine(SoakHost& host, long sent, milliseconds bound) {
  const auto end = Clock::now() + bound;
  while (Stats(host.sim())["frames"] < sent && Clock::now() < end) {
    host.Pump(milliseconds(50));
  }
}

// By then every buffer between the line and the host (the port's, the
// link's, the allocator's pools) has its working size.
constexpr std::chrono::seconds kFloodWarmUp{2};
// Past warm-up a flood must leave memory flat: nothing may keep what the line
// brings. Runs of 5 s and 30 s grow by 0 to 140 KiB here, the allocator and
// the page cache settling. One small block kept per read from the line (some
// 13,000 reads a second here) passes 1 MiB within two seconds.
constexpr long kFloodGrowthBoundKiB = 1024;
constexpr bool kSanitized = QUORVIX_SOAK_SANITIZED;

std::uint8_t ValueFor(long i) {
  return static_cast<std::uint8_t>(i * 7 + i / 512);
}

}  // namespace

void Frames(const Paths& paths, long frames) {
  // The driver never runs ahead of its set speed: the fastest one termios
  // names keeps this short.
  std::cout << "frames: " << frames << " channel frames at 230400 baud\n";
  SoakHost host(paths, "ComPort=1\nComSettings=230400,n,8,1\n", {});
  host.Start();
  std::array<std::uint8_t, 513> expected{};
  Clock::duration longest{};
  const auto start = Clock::now();
  for (long i = 0; i < frames; ++i) {
    const int channel = static_cast<int>(i % 512) + 1;
    const auto call = Clock::now();
    Require(host.SetChannel(channel, ValueFor(i)) == 0,
            "SetChannel failed at frame " + std::to_string(i));
    longest = std::max(longest, Clock::now() - call);
    expected[channel] = ValueFor(i);
    if (i % 256 == 0) host.PumpOnce();
  }
  const auto elapsed = Clock::now() - start;
  Figure("frames sent", frames);
  Figure("frames per second", frames / Seconds(elapsed), "");
  Figure("longest SetChannel", Seconds(longest) * 1000, "ms");
  CheckLine(host.sim(), frames);
  Require(Universe(host.sim()) == expected,
          "the transmitter's universe differs from what was sent");
  std::cout << "  universe: all 512 channels as sent\n";
}

void Flood(const Paths& paths, int seconds) {
  std::cout << "flood: " << seconds << " s of a flooding transmitter\n";
  // The driver keeps its writes within the line's pace: the fastest speed
  // termios names gives the most frames.
  SoakHost host(paths, "ComPort=1\nComSettings=230400,n,8,1\n", {});
  host.Start();
  const long resident_before = ResidentKiB();
  Require(host.sim().Command("flood on") == "ok flood on", "flood on");
  long sent = 0;
  const auto send = [&] {
    Require(
        host.SetChannel(static_cast<int>(sent % 512) + 1, ValueFor(sent)) == 0,
        "SetChannel failed during the flood at frame " + std::to_string(sent));
    ++sent;
    if (sent % 64 == 0) host.PumpOnce();
  };
  const auto warm = Clock::now() + kFloodWarmUp;
  while (Clock::now() < warm) send();
  const long warm_up_frames = sent;
  const long resident_warm = ResidentKiB();
  long resident_peak = resident_warm;
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    send();
    if (sent % 4096 == 0) resident_peak = std::max(resident_peak, ResidentKiB());
  }
  resident_peak = std::max(resident_peak, ResidentKiB());
  Require(host.sim().Command("flood off") == "ok flood off", "flood off");
  const long flood_bytes = Stats(host.sim())["flood-bytes"];
  Figure("frames sent", sent);
  Figure("resident memory before (KiB)", resident_before);
  Figure("resident memory after warm-up (KiB)", resident_warm);
  Figure("resident memory peak after warm-up (KiB)", resident_peak);
  Figure("flood bytes", flood_bytes);
  const long growth = resident_peak - resident_warm;
  if (kSanitized) {
    std::cout << "  memory bound: not checked, the sanitizer's quarantine "
                 "keeps freed blocks\n";
  }
  Require(kSanitized || growth <= kFloodGrowthBoundKiB,
          "memory grew " + std::to_string(growth) +
              " KiB under the flood after warm-up (from " +
              std::to_string(resident_warm) + " to a peak of " +
              std::to_string(resident_peak) + " KiB over " +
              std::to_string(sent - warm_up_frames) + " frames and " +
              std::to_string(flood_bytes) + " flood bytes); the bound is " +
              std::to_string(kFloodGrowthBoundKiB) + " KiB");
  CheckLine(host.sim(), sent);
}

void InputChanges(const Paths& paths, long changes) {
  std::cout << "dmx-in: " << changes << " input changes at 38400 baud\n";
  constexpr int kChannels = 16;
  SoakHost host(paths,
                "ComPort=1\nComSettings=38400,n,8,1\nDMXInActive=True\n"
                "DMXInChannels=16\nDMXInInterval=10\n",
                {"--baud", "38400"});
  host.Start();
  std::array<std::uint8_t, kChannels + 1> input{};
  Clock::duration longest{};
  const auto start = Clock::now();
  for (long k = 0; k < changes; ++k) {
    const int channel = static_cast<int>(k % kChannels) + 1;
    const auto value = static_cast<std::uint8_t>(input[channel] + 1 + k % 200);
    input[channel] = value;
    const std::string command =
        "in " + std::to_string(channel) + " " + std::to_string(value);
    Require(host.sim().Command(command) == "ok " + command, command);
    const auto changed = Clock::now();
    // Bounded only so that a lost report ends the run instead of hanging it.
    const auto end = changed + std::chrono::seconds(10);
    while (host.reports().size() <= static_cast<std::size_t>(k) &&
           Clock::now() < end) {
      host.PumpOnce();
      host.Pump(milliseconds(1));
    }
    longest = std::max(longest, Clock::now() - changed);
    Require(host.reports().size() == static_cast<std::size_t>(k) + 1,
            "change " + std::to_string(k) + " (" + command + ") gave " +
                std::to_string(host.reports().size() - k) + " reports");
    Require(host.reports().back() == Report{channel, value},
            "change " + std::to_string(k) + " reported as another");
  }
  const auto elapsed = Clock::now() - start;
  host.Pump(milliseconds(300));
  Require(host.reports().size() == static_cast<std::size_t>(changes),
          "a report came twice");
  Figure("changes reported once, in order", changes);
  Figure("mean change-to-report", Seconds(elapsed) * 1000 / changes, "ms");
  Figure("longest change-to-report", Seconds(longest) * 1000, "ms");
}

void LineRate(const Paths& paths, long baud, int seconds) {
  std::cout << "line rate: SetChannel flat out for " << seconds << " s at "
            << baud << " baud\n";
  const std::string rate = std::to_string(baud);
  SoakHost host(paths, "ComPort=1\nComSettings=" + rate + ",n,8,1\n",
                {"--baud", rate});
  host.Start();
  long sent = 0;
  long failed = 0;
  Clock::duration longest{};
  const auto start = Clock::now();
  const auto end = start + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    const auto call = Clock::now();
    const int rc =
        host.SetChannel(static_cast<int>(sent % 512) + 1, ValueFor(sent));
    longest = std::max(longest, Clock::now() - call);
    if (rc == 0) {
      ++sent;
    } else {
      ++failed;
    }
    if ((sent + failed) % 64 == 0) host.PumpOnce();
  }
  const auto elapsed = Clock::now() - start;
  Figure("frames accepted", sent);
  Figure("calls failed (write bound reached)", failed);
  Figure("calls per second", sent / Seconds(elapsed), "");
  Figure("longest SetChannel", Seconds(longest) * 1000, "ms");
  // The system's buffers take a burst at first; the line itself is measured
  // up to the moment the simulator has taken the last frame.
  AwaitLine(host, sent, std::chrono::seconds(seconds + 10));
  Figure("frames per second on the line", sent / Seconds(Clock::now() - start),
         "");
  Figure("line capacity", baud / 10.0 / 6.0, "frames per second");
  CheckLine(host.sim(), sent);
}

}  // namespace quorvix::soak
