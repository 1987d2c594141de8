#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "link/frames.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

using fake::After;
using fake::FakeHelper;
using fake::HelperCall;
using fake::InPump;

constexpr std::string_view kMethod = "Trova_DMXIn_SetChannel";
const std::string kChecking = "[Quorvix] Checking DMX-In...";
const std::string kRequesting =
    "[Quorvix] Serial buffer empty, requesting channels...";
const std::string kReceived = "[Quorvix] Channels received";
const std::vector<std::string> kTickLines{kChecking, kRequesting, kReceived};
constexpr std::chrono::milliseconds kInterval{50};
// Sent after the n values; never a channel's value.
constexpr char kTrailer = 0x5A;

using Table = std::array<std::uint8_t, 256>;

// n values (all 0 but those given) and the trailing byte.
std::string Reply(int n, const std::map<int, int>& values = {}) {
  std::string reply(static_cast<std::size_t>(n), '\0');
  for (const auto& [channel, value] : values) {
    reply[static_cast<std::size_t>(channel - 1)] = static_cast<char>(value);
  }
  return reply + kTrailer;
}

HelperCall Report(std::int32_t channel, std::uint8_t value) {
  return HelperCall{std::string(kMethod), channel, value};
}

class PollCycleTest : public DriverTest {
 protected:
  // Init with DMX input on and a good Enable at full speed: the poll timer
  // runs from now on. The logs start empty after.
  void StartPolling(std::string_view channels,
                    std::shared_ptr<HostHelper> host_helper) {
    Store("ComSettings", "38400,n,8,1");
    Store("DMXInActive", "True");
    Store("DMXInChannels", channels);
    Init(std::move(host_helper));
    TransmitterAnswers({InPump(1, "G")});
    ReEnable();
  }
  void StartPolling(int channels, std::shared_ptr<HostHelper> host_helper) {
    StartPolling(std::to_string(channels), std::move(host_helper));
  }
  void StartPolling(int channels = 50) { StartPolling(channels, helper); }

  void ReEnable() {
    ASSERT_TRUE(driver.Enable());
    ASSERT_TRUE(window().timCheckDMXIn.Running());
    beat_origin_ = fake.events.Now();
    ForgetHistory();
  }

  // The transmitter answers every request for n channels with `reply`.
  void TransmitterReplies(int n, std::vector<fake::ReplyPiece> reply) {
    fake.serial.OnWrite(DMXInRequest(static_cast<std::uint8_t>(n)),
                        std::move(reply));
  }

  // Moves the clock to the next beat of the poll timer and runs the one pump
  // that ticks it. The loop's counters then tell what the tick itself did.
  void Tick() {
    const Clock::time_point now = fake.events.Now();
    const Clock::time_point beat =
        beat_origin_ + ((now - beat_origin_) / kInterval + 1) * kInterval;
    fake.events.Advance(
        std::chrono::duration_cast<std::chrono::milliseconds>(beat - now));
    ASSERT_TRUE(fake.events.HasPending()) << "the poll timer should be due";
    fake.trace.Clear();
    fake.events.ResetCounters();
    tick_start_ = fake.events.Now();
    EXPECT_NO_THROW(fake.events.PumpPending());
  }

  // Pumps and waits inside the tick (the pump that ran it left out).
  int InnerPumps() const { return fake.events.pumps() - 1; }
  std::chrono::milliseconds TickDuration() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        fake.events.Now() - tick_start_);
  }

  // The trace without the receive handler's lines.
  std::vector<std::string> PollLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : trace()) {
      if (!line.starts_with("[Quorvix] OnComm: ")) lines.push_back(line);
    }
    return lines;
  }

  int Count(const std::string& line) const {
    return static_cast<int>(std::count(trace().begin(), trace().end(), line));
  }

  std::shared_ptr<FakeHelper> helper = std::make_shared<FakeHelper>();
  Clock::time_point beat_origin_;
  Clock::time_point tick_start_;
};

TEST_F(PollCycleTest, OneChangeAmongFiftyIsReportedOnceAndNotAgain) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{12, 255}}))});

  fake.events.RunFor(kInterval);  // the timer's own first beat
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{Bytes({0xFC, 0x00, 0x00, 0x32})}));
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{Report(12, 255)}));
  EXPECT_EQ(state().DMXInPrevious[12], 255);
  EXPECT_EQ(state().DMXInCurrent[12], 255);
  EXPECT_EQ(PollLines(), kTickLines);

  fake.trace.Clear();
  fake.events.RunFor(kInterval);
  EXPECT_EQ(fake.serial.writes().size(), 2u);
  EXPECT_EQ(helper->calls().size(), 1u) << "an unchanged reply reports nothing";
  EXPECT_EQ(PollLines(), kTickLines);
}

TEST_F(PollCycleTest,
       ChangesAreReportedInAscendingOrderFromTheFirstNBytesOnly) {
  StartPolling(50);
  state().DMXInPrevious[7] = 40;
  state().DMXInPrevious[30] = 9;
  TransmitterReplies(
      50, {InPump(1, Reply(50, {{1, 7}, {7, 40}, {30, 10}, {50, 1}}))});
  Tick();
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{
                                 Report(1, 7), Report(30, 10), Report(50, 1)}));
  EXPECT_EQ(state().DMXInPrevious[30], 10);
  EXPECT_EQ(state().DMXInPrevious[51], 0)
      << "the byte after the n-th is no value";
  EXPECT_EQ(state().DMXInCurrent[51], 0);
}

TEST_F(PollCycleTest, ReplyOfOnlyNBytesDecodesNothing) {
  StartPolling(50);
  state().DMXInPrevious[3] = 1;
  const Table previous = state().DMXInPrevious;
  const Table current = state().DMXInCurrent;
  TransmitterReplies(50, {InPump(1, std::string(50, '\x77'))});
  Tick();
  EXPECT_TRUE(helper->calls().empty());
  EXPECT_EQ(state().DMXInPrevious, previous);
  EXPECT_EQ(state().DMXInCurrent, current);
  EXPECT_EQ(PollLines(), kTickLines);
  EXPECT_EQ(TickDuration(), 1000ms)
      << "a short reply waits for the whole bound";
}

TEST_F(PollCycleTest, ZeroChannelsAskForNoneAndStopWaitingAtTheFirstByte) {
  StartPolling(0);
  state().DMXInCurrent[1] = 3;
  const Table previous = state().DMXInPrevious;
  const Table current = state().DMXInCurrent;
  TransmitterReplies(0, {After(10ms, "\x09"), After(20ms, "\x08\x07")});
  Tick();
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{Bytes({0xFC, 0x00, 0x00, 0x00})}));
  EXPECT_EQ(TickDuration(), 10ms);
  EXPECT_EQ(fake.events.waits(), 1);
  EXPECT_TRUE(helper->calls().empty());
  EXPECT_EQ(state().DMXInPrevious, previous);
  EXPECT_EQ(state().DMXInCurrent, current);
  EXPECT_EQ(PollLines(), kTickLines);
}

TEST_F(PollCycleTest, AllChannelsUpTo255AreDecoded) {
  StartPolling(255);
  std::map<int, int> values;
  for (int channel = 1; channel <= 255; ++channel) values[channel] = channel;
  TransmitterReplies(255, {InPump(1, Reply(255, values))});
  Tick();
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{Bytes({0xFC, 0x00, 0x00, 0xFF})}));
  std::vector<HelperCall> expected;
  for (int channel = 1; channel <= 255; ++channel) {
    expected.push_back(Report(channel, static_cast<std::uint8_t>(channel)));
  }
  EXPECT_EQ(helper->calls(), expected);
  EXPECT_EQ(state().DMXInPrevious[255], 255);
  EXPECT_EQ(state().DMXInCurrent[255], 255);
}

TEST_F(PollCycleTest, CountsTheRequestCannotCarrySendNothingAndDoNotWait) {
  for (const char* count : {"-1", "256", "2147483647", "-2147483648"}) {
    SCOPED_TRACE(count);
    StartPolling(count, helper);
    state().DMXInPrevious[255] = 1;
    state().DMXInCurrent[0] = 2;
    const Table previous = state().DMXInPrevious;
    const Table current = state().DMXInCurrent;
    // Whatever arrives would be a reply to nothing.
    fake.serial.SetWriteHook([&](std::string_view) {
      fake.serial.Deliver(std::string(300, '\x11'));
    });

    Tick();
    EXPECT_EQ(PollLines(), kTickLines);
    EXPECT_TRUE(fake.serial.writes().empty());
    EXPECT_EQ(fake.events.waits(), 0);
    EXPECT_EQ(InnerPumps(), 0);
    EXPECT_EQ(TickDuration(), 0ms);
    EXPECT_TRUE(helper->calls().empty());
    EXPECT_EQ(state().DMXInPrevious, previous);
    EXPECT_EQ(state().DMXInCurrent, current);
    driver.Disable();
    fake.serial.SetWriteHook(nullptr);
  }
}

TEST_F(PollCycleTest, NothingHappensWhilePollingIsOffOrTheLinkIsNotReady) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{1, 7}}))});

  state().DMXInActive = false;
  fake.events.RunFor(200ms);
  EXPECT_TRUE(trace().empty());
  EXPECT_TRUE(fake.serial.writes().empty());

  // A second Enable that loses the link leaves the timer running.
  state().DMXInActive = true;
  fake.serial.ClearRules();
  ASSERT_FALSE(driver.Enable());
  ASSERT_TRUE(window().timCheckDMXIn.Running());
  ForgetHistory();
  fake.events.RunFor(200ms);
  EXPECT_TRUE(trace().empty());
  EXPECT_TRUE(fake.serial.writes().empty());
  EXPECT_TRUE(helper->calls().empty());
  EXPECT_EQ(state().DMXInPrevious[1], 0);
}

TEST_F(PollCycleTest, TicksStandAsideWhileASecondEnableWaitsForItsHandshake) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{1, 7}}))});

  // A silent transmitter: the handshake's 201 passes run their course alone.
  fake.serial.ClearRules();
  const auto start = fake.events.Now();
  ASSERT_FALSE(driver.Enable());
  EXPECT_EQ(fake.events.Now() - start, 2010ms);
  EXPECT_EQ(fake.serial.written(), "c?");
  EXPECT_EQ(std::count(trace().begin(), trace().end(), kChecking), 0);

  // A "G" that comes late is not drained away by a tick.
  TransmitterAnswers({InPump(15, "G")});
  EXPECT_TRUE(driver.Enable());
  EXPECT_EQ(std::count(trace().begin(), trace().end(), kChecking), 0);
}

// A host event handler sends a channel while the reply is on its way.
TEST_F(PollCycleTest, SetChannelDuringTheWaitLosesTheReplyCollectedSoFar) {
  StartPolling(50);
  const std::string reply = Reply(50, {{1, 7}, {40, 8}});
  TransmitterReplies(
      50, {InPump(1, reply.substr(0, 20)), InPump(3, reply.substr(20))});
  fake.serial.SetWriteHook([&](std::string_view written) {
    if (written == DMXInRequest(50)) {
      fake.events.PostInPump(2,
                             [&] { EXPECT_TRUE(driver.SetChannel(5, 200)); });
    }
  });
  Tick();
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{DMXInRequest(50), ChannelFrame(5, 200)}));
  EXPECT_EQ(state().LastRecv, reply.substr(20));
  EXPECT_TRUE(helper->calls().empty());
  EXPECT_EQ(state().DMXInPrevious[1], 0);
  EXPECT_EQ(state().DMXInPrevious[40], 0);
  EXPECT_EQ(Count(kReceived), 1);
}

TEST_F(PollCycleTest, SetChannelInsideAReportDoesNotCutTheReportsShort) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{2, 1}, {10, 2}, {50, 3}}))});
  helper->SetDuringCall([&](const HelperCall& call) {
    if (call.channel == 2) {
      EXPECT_TRUE(driver.SetChannel(1, 9));
    }
  });
  Tick();
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{
                                 Report(2, 1), Report(10, 2), Report(50, 3)}));
  EXPECT_EQ(state().DMXInPrevious[50], 3);
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{DMXInRequest(50), ChannelFrame(1, 9)}));
}

TEST_F(PollCycleTest, WithoutAHelperChangesAreTakenButNeverReported) {
  StartPolling(50, nullptr);
  TransmitterReplies(50, {InPump(1, Reply(50, {{3, 30}, {7, 70}}))});
  Tick();
  EXPECT_EQ(state().DMXInPrevious[3], 30);
  EXPECT_EQ(state().DMXInPrevious[7], 70);
  EXPECT_EQ(PollLines(), kTickLines);

  state().PluginHelper = helper;  // a helper from now on
  Tick();
  EXPECT_TRUE(helper->calls().empty()) << "taken values are not reported later";
}

TEST_F(PollCycleTest, HelperWithoutTheMethodCountsAsNoHelper) {
  StartPolling(50);
  helper->SetResult(
      {kNoSuchMethod, "Object doesn't support this property or method"});
  TransmitterReplies(50, {InPump(1, Reply(50, {{3, 30}, {7, 70}}))});
  Tick();
  EXPECT_EQ(helper->calls(),
            (std::vector<HelperCall>{Report(3, 30), Report(7, 70)}));
  EXPECT_EQ(state().DMXInPrevious[3], 30);
  EXPECT_EQ(state().DMXInPrevious[7], 70);
  EXPECT_EQ(PollLines(), kTickLines);

  Tick();
  EXPECT_EQ(helper->calls().size(), 2u);
}

TEST_F(PollCycleTest, FailedReportIsTracedAndRetriedAtTheNextTick) {
  StartPolling(50);
  helper->QueueResult({1004, "Host refused the value"});
  helper->SetDuringCall([](const HelperCall& call) {
    if (call.channel == 9) throw std::runtime_error("host threw");
  });
  TransmitterReplies(50, {InPump(1, Reply(50, {{3, 30}, {7, 70}, {9, 90}}))});
  Tick();
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{
                                 Report(3, 30), Report(7, 70), Report(9, 90)}));
  EXPECT_EQ(PollLines(),
            (std::vector<std::string>{kChecking, kRequesting, kReceived,
                                      "[Quorvix] Trova_DMXIn_SetChannel failed "
                                      "for channel 3: Host refused the value",
                                      "[Quorvix] Trova_DMXIn_SetChannel failed "
                                      "for channel 9: host threw"}));
  EXPECT_EQ(state().DMXInPrevious[3], 0);
  EXPECT_EQ(state().DMXInPrevious[7], 70);
  EXPECT_EQ(state().DMXInPrevious[9], 0);

  helper->SetDuringCall(nullptr);
  Tick();
  EXPECT_EQ(std::vector<HelperCall>(helper->calls().begin() + 3,
                                    helper->calls().end()),
            (std::vector<HelperCall>{Report(3, 30), Report(9, 90)}));
  EXPECT_EQ(PollLines(), kTickLines);
  EXPECT_EQ(state().DMXInPrevious[3], 30);
  EXPECT_EQ(state().DMXInPrevious[9], 90);
}

TEST_F(PollCycleTest, TermInsideAReportReleasesTheHelperSafely) {
  bool released = false;
  std::vector<HelperCall> calls;
  {
    auto only_owner = std::make_shared<FakeHelper>([&] { released = true; });
    only_owner->SetDuringCall([&](const HelperCall& call) {
      calls.push_back(call);
      EXPECT_FALSE(released);
      driver.Term();
      EXPECT_FALSE(released) << "the call in progress still holds it";
    });
    helper.reset();
    StartPolling(50, std::move(only_owner));
  }
  TransmitterReplies(50, {InPump(1, Reply(50, {{3, 30}, {7, 70}}))});
  Tick();
  EXPECT_TRUE(released);
  EXPECT_EQ(calls, (std::vector<HelperCall>{Report(3, 30)}));
  EXPECT_EQ(state().PluginHelper, nullptr);
  EXPECT_EQ(state().DMXInPrevious[3], 30);
  EXPECT_EQ(state().DMXInPrevious[7], 70);
  EXPECT_FALSE(window().timCheckDMXIn.Running());
  EXPECT_FALSE(fake.serial.IsOpen());
}

TEST_F(PollCycleTest, SilentTransmitterEndsTheWaitAfterOneSecondOfIdleWaiting) {
  StartPolling(50);
  Tick();
  EXPECT_EQ(TickDuration(), 1000ms);
  EXPECT_EQ(fake.events.waits(), 1)
      << "nothing to do: one wait up to the bound";
  EXPECT_EQ(InnerPumps(), 1);
  EXPECT_EQ(PollLines(), kTickLines);
  EXPECT_TRUE(helper->calls().empty());
}

TEST_F(PollCycleTest, ReplyInPiecesIsAwaitedOneEventAtATime) {
  StartPolling(50);
  const std::string reply = Reply(50, {{50, 5}});
  TransmitterReplies(
      50, {After(4ms, reply.substr(0, 10)), After(9ms, reply.substr(10, 30)),
           After(14ms, reply.substr(40))});
  Tick();
  EXPECT_EQ(TickDuration(), 14ms);
  EXPECT_EQ(fake.events.waits(), 3);
  EXPECT_EQ(InnerPumps(), 3);
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{Report(50, 5)}));
}

TEST_F(PollCycleTest,
       ChatterThatNeverCompletesTheReplyEndsTheWaitAfter10000Passes) {
  StartPolling(50);
  bool chatting = true;
  std::function<void()> chatter = [&] {
    fake.serial.Notify();  // nothing new waiting, and no time passes
    if (chatting) fake.events.Post(chatter);
  };
  fake.serial.SetWriteHook(
      [&](std::string_view) { fake.events.Post(chatter); });
  Tick();
  chatting = false;
  EXPECT_EQ(fake.events.waits(), 10000);
  EXPECT_EQ(TickDuration(), 0ms);
  EXPECT_EQ(PollLines(), kTickLines);
  EXPECT_TRUE(helper->calls().empty());
}

TEST_F(PollCycleTest, LeftoverBytesAreDrainedAndNotTakenForValues) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{12, 255}}))});
  // Unread when the tick starts, and more of it while draining.
  fake.trace.SetOnLine([&](const std::string& line) {
    if (line != kChecking) return;
    fake.serial.Deliver(std::string(51, '\x63'));
    fake.events.PostInPump(
        1, [&] { fake.serial.Deliver(std::string(51, '\x64')); });
  });
  Tick();
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{Report(12, 255)}));
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{DMXInRequest(50)}));
  EXPECT_EQ(PollLines(), kTickLines);
}

TEST_F(PollCycleTest,
       TransmitterThatNeverStopsEndsTheDrainAfterOneSecondWithoutARequest) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{12, 255}}))});
  bool talking = true;
  std::function<void()> talk = [&] {
    if (!talking) return;
    fake.events.Advance(1ms);
    fake.serial.Deliver(std::string(4, '\x63'));
    fake.events.Post(talk);
  };
  fake.trace.SetOnLine([&](const std::string& line) {
    if (line == kChecking) talk();
  });
  Tick();
  talking = false;
  fake.trace.SetOnLine(nullptr);
  EXPECT_EQ(PollLines(), (std::vector<std::string>{kChecking}));
  EXPECT_TRUE(fake.serial.writes().empty());
  EXPECT_TRUE(helper->calls().empty());
  EXPECT_GE(TickDuration(), 1000ms);
  EXPECT_LE(TickDuration(), 1002ms);

  // Once it is quiet the next tick polls as usual.
  fake.events.PumpPending();
  Tick();
  EXPECT_EQ(PollLines(), kTickLines);
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{Report(12, 255)}));
}

TEST_F(PollCycleTest, BeatsThatFallDueDuringTheWaitStartNoNestedTick) {
  StartPolling(50);  // silent: every tick waits a whole second
  fake.events.RunFor(kInterval + 1000ms);
  EXPECT_EQ(Count(kChecking), 1);
  EXPECT_EQ(fake.serial.writes().size(), 1u);
  EXPECT_EQ(fake.events.max_pump_depth(), 2);

  // A restarted beat is a fresh timer to the loop, which would run it inside
  // the wait; the tick itself must refuse.
  bool restarted = false;
  fake.serial.SetWriteHook([&](std::string_view) {
    if (std::exchange(restarted, true)) return;
    fake.events.PostInPump(1, [&] { window().timCheckDMXIn.SetInterval(25); });
  });
  Tick();
  EXPECT_EQ(Count(kChecking), 1);
  EXPECT_EQ(fake.serial.writes().size(), 2u);
  EXPECT_EQ(fake.events.max_pump_depth(), 2);
}

TEST_F(PollCycleTest, LastReportedValuesSurviveDisableAndEnable) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{4, 40}, {20, 200}, {40, 4}}))});
  Tick();
  ASSERT_EQ(helper->calls().size(), 3u);

  driver.Disable();
  fake.serial.ClearRules();
  TransmitterAnswers({InPump(1, "G")});
  TransmitterReplies(
      50, {InPump(1, Reply(50, {{4, 41}, {20, 200}, {40, 4}, {45, 1}}))});
  ReEnable();
  Tick();
  EXPECT_EQ(std::vector<HelperCall>(helper->calls().begin() + 3,
                                    helper->calls().end()),
            (std::vector<HelperCall>{Report(4, 41), Report(45, 1)}));
}

TEST_F(PollCycleTest, FailureInsideTheTickIsTracedAndTheNextTickRuns) {
  StartPolling(50);
  TransmitterReplies(50, {InPump(1, Reply(50, {{12, 255}}))});
  fake.serial.FailWrites();
  Tick();
  ASSERT_EQ(PollLines().size(), 3u);
  EXPECT_EQ(PollLines()[0], kChecking);
  EXPECT_EQ(PollLines()[1], kRequesting);
  EXPECT_TRUE(PollLines()[2].starts_with("[Quorvix] ")) << PollLines()[2];
  EXPECT_NE(PollLines()[2].find("vanished during a write"), std::string::npos)
      << PollLines()[2];
  EXPECT_TRUE(helper->calls().empty());

  fake.serial.FailWrites(false);
  Tick();
  EXPECT_EQ(PollLines(), kTickLines);
  EXPECT_EQ(helper->calls(), (std::vector<HelperCall>{Report(12, 255)}));
}

}  // namespace
}  // namespace quorvix::test
