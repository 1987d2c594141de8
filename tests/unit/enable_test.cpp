#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "link/frames.h"
#include "link/messages.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

using fake::InPump;
using fake::ShownMessage;

const ShownMessage kM1{MessageIcon::kError,
                       "Fehler beim \xC3\x96"
                       "ffnen des COM-Ports!"};
const ShownMessage kM2{MessageIcon::kError,
                       "DMX-Transmitter nicht funktionsbereit!"};
const ShownMessage kM4{MessageIcon::kInformation, std::string(kSlowLineText)};

const std::vector<std::string> kEnableLines{"[Quorvix] Enable: Begin",
                                            "[Quorvix] Enable: End"};

using EnableTest = DriverTest;

TEST_F(EnableTest, MessageTextsAreVerbatim) {
  EXPECT_EQ(kMessagePortOpenFailed, kM1.text);
  EXPECT_EQ(kMessageNotReady, kM2.text);
  EXPECT_EQ(kMessageSlowLine, kM4.text);
  EXPECT_EQ(kMessageReady, "DMX-Transmitter funktionsbereit!");
  EXPECT_EQ(kMessageBoxTitle, "Quorvix Transmitter Driver");
}

TEST_F(EnableTest, GoodHandshakeAtFullSpeedShowsNothing) {
  Store("ComPort", "3");
  Store("ComSettings", "38400,n,8,1");
  Init();
  fake.trace.Clear();
  TransmitterAnswers({InPump(1, "G")});
  EXPECT_TRUE(driver.Enable());
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_TRUE(fake.messages.shown().empty());
  ASSERT_EQ(fake.serial.opens().size(), 1u);
  EXPECT_EQ(fake.serial.opens()[0].port, 3);
  EXPECT_EQ(fake.serial.opens()[0].settings.baud, 38400u);
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?"}));
  EXPECT_EQ(trace(), (std::vector<std::string>{
                         "[Quorvix] Enable: Begin", "[Quorvix] OnComm: Begin",
                         "[Quorvix] OnComm: LastRecv is now G",
                         "[Quorvix] OnComm: End", "[Quorvix] Enable: End"}));
}

TEST_F(EnableTest, FasterLinesShowNothingEither) {
  Store("ComSettings", "115200,n,8,1");
  Init();
  TransmitterAnswers({InPump(1, "G")});
  EXPECT_TRUE(driver.Enable());
  EXPECT_TRUE(fake.messages.shown().empty());
}

TEST_F(EnableTest, GoodHandshakeBelow38400WarnsAndStillSucceeds) {
  for (const char* settings : {"19200,n,8,1", "9600,n,8,1"}) {
    Store("ComSettings", settings);
    Init();
    fake.messages.Clear();
    fake.serial.ClearRules();
    TransmitterAnswers({InPump(1, "G")});
    EXPECT_TRUE(driver.Enable()) << settings;
    EXPECT_TRUE(state().TransmitterReady);
    EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM4}))
        << settings;
    driver.Disable();
  }
}

TEST_F(EnableTest, WarningComesBeforeTheLinkCountsAsReady) {
  Init();  // default settings: 19200
  TransmitterAnswers({InPump(1, "G")});
  std::vector<bool> ready_while_shown;
  fake.messages.SetWhileShown([&](const ShownMessage&) {
    ready_while_shown.push_back(state().TransmitterReady);
  });
  EXPECT_TRUE(driver.Enable());
  EXPECT_EQ(ready_while_shown, (std::vector<bool>{false}));
}

// Missing, held by another program, or a device that fails while opening
// (a back end that cannot start its reader, say): all of them are M1, and
// the reason is traced.
TEST_F(EnableTest, PortThatCannotBeOpenedShowsM1AndSkipsTheHandshake) {
  for (const int number : {kPortMissing, kPortInUse, kDeviceFailed}) {
    fake.messages.Clear();
    fake.trace.Clear();
    fake.serial.RestorePort(1);
    fake.serial.FailOpen(1, number);
    Init();
    state().TransmitterReady = true;  // left from an earlier good Enable
    fake.trace.Clear();
    EXPECT_FALSE(driver.Enable()) << number;
    EXPECT_FALSE(state().TransmitterReady);
    EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM1}));
    EXPECT_TRUE(fake.serial.writes().empty());
    EXPECT_EQ(fake.events.sleeps(), 0);
    EXPECT_EQ(trace(),
              (std::vector<std::string>{
                  kEnableLines[0],
                  "[Quorvix] Open failed: Cannot open COM1 (scripted failure)",
                  kEnableLines[1]}));
    EXPECT_FALSE(window().comMain.PortOpen());
  }
}

TEST_F(EnableTest, SilentTransmitterShowsM2AndLeavesThePortOpen) {
  Store("DMXInActive", "True");
  Init();
  EXPECT_FALSE(driver.Enable());
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM2}));
  EXPECT_TRUE(fake.serial.IsOpen());
  EXPECT_TRUE(window().comMain.PortOpen());
  EXPECT_EQ(fake.events.sleeps(), 201);
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
}

TEST_F(EnableTest, WrongAnswerShowsM2) {
  Init();
  TransmitterAnswers({InPump(1, "G\r")});
  EXPECT_FALSE(driver.Enable());
  EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM2}));
}

TEST_F(EnableTest, EnableAgainAfterM2HandshakesOnTheOpenPort) {
  Store("ComSettings", "38400,n,8,1");
  Init();
  fake.serial.OnWrite("c?", {}, 1);  // silent the first time
  TransmitterAnswers({InPump(1, "G")});
  ASSERT_FALSE(driver.Enable());
  fake.messages.Clear();

  EXPECT_TRUE(driver.Enable());
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_EQ(fake.serial.opens().size(), 1u);
  EXPECT_EQ(fake.serial.open_attempts(), 1);
  EXPECT_EQ(fake.serial.closes(), 0);
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?", "c?"}));
  EXPECT_TRUE(fake.messages.shown().empty());
}

TEST_F(EnableTest, EnableWhileReadyHandshakesAgainAndCanLoseTheLink) {
  StartReady();
  fake.serial.ClearRules();  // the transmitter has gone quiet
  EXPECT_FALSE(driver.Enable());
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?"}));
  EXPECT_EQ(fake.serial.open_attempts(), 1);
  EXPECT_FALSE(driver.SetChannel(1, 1));
}

TEST_F(EnableTest, FloodingTransmitterDoesNotKeepTheHandshakeWaiting) {
  Init();
  std::function<void()> flood = [&] {
    fake.serial.Deliver(std::string(1000, 'x'));
    fake.events.Post(flood);
  };
  fake.events.Post(flood);
  EXPECT_FALSE(driver.Enable());
  // Bytes sent in the first pass are noticed in the second; then it ends.
  EXPECT_EQ(fake.events.sleeps(), 2);
  EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM2}));
  for (int i = 0; i < 100; ++i) fake.events.PumpPending();
  EXPECT_EQ(state().LastRecv.size(), modMain::kLastRecvLimit);
}

TEST_F(EnableTest, PollTimerStartsOnlyWithDMXInputOn) {
  Store("ComSettings", "38400,n,8,1");
  Init();
  TransmitterAnswers({InPump(1, "G")});
  EXPECT_TRUE(driver.Enable());
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
  driver.Disable();

  state().DMXInActive = true;
  EXPECT_TRUE(driver.Enable());
  EXPECT_TRUE(window().timCheckDMXIn.Enabled());
  EXPECT_TRUE(window().timCheckDMXIn.Running());
}

TEST_F(EnableTest, PortThatReturnsIsOpenedByTheNextEnable) {
  fake.serial.MissingPort(1);
  Init();
  EXPECT_FALSE(driver.Enable());
  fake.serial.RestorePort(1);
  TransmitterAnswers({InPump(1, "G")});
  fake.messages.Clear();
  EXPECT_TRUE(driver.Enable());
  EXPECT_EQ(fake.serial.opens().size(), 1u);
}

// A host event handler calling SetChannel while Enable waits for the answer.
TEST_F(EnableTest, SetChannelDuringTheHandshakeIsSentAtOnce) {
  StartReady();
  fake.serial.ClearRules();
  TransmitterAnswers({InPump(2, "G")});
  bool sent = false;
  fake.events.PostInPump(1, [&] { sent = driver.SetChannel(5, 200); });
  EXPECT_TRUE(driver.Enable());
  EXPECT_TRUE(sent);
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{"c?", ChannelFrame(5, 200)}));
  EXPECT_EQ(fake.events.max_pump_depth(), 1);
}

TEST_F(EnableTest, SetChannelDuringTheHandshakeSwallowsAnAnswerAlreadyThere) {
  StartReady();
  fake.serial.ClearRules();
  TransmitterAnswers({InPump(1, "G")});
  // Posted after the answer: runs in the same pump, right behind it.
  fake.serial.SetWriteHook([&](std::string_view written) {
    if (written == "c?")
      fake.events.PostInPump(1, [&] { driver.SetChannel(5, 200); });
  });
  EXPECT_FALSE(driver.Enable());
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM2}));
  EXPECT_EQ(fake.events.sleeps(), 201);
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{"c?", ChannelFrame(5, 200)}));
}

TEST_F(EnableTest, SetChannelWhileTheWarningIsUpFindsTheLinkNotYetReady) {
  Init();
  TransmitterAnswers({InPump(1, "G")});
  bool sent = true;
  fake.messages.SetWhileShown(
      [&](const ShownMessage&) { sent = driver.SetChannel(1, 9); });
  EXPECT_TRUE(driver.Enable());
  EXPECT_FALSE(sent);
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?"}));
}

TEST_F(EnableTest, DisableDuringTheHandshakeIsSurvived) {
  Init();
  fake.events.PostInPump(3, [&] { driver.Disable(); });
  TransmitterAnswers({InPump(5, "G")});
  // The port is gone under the handshake: the answer cannot arrive.
  EXPECT_FALSE(driver.Enable());
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_FALSE(fake.serial.IsOpen());
  EXPECT_EQ(fake.messages.shown(), (std::vector<ShownMessage>{kM2}));
}

}  // namespace
}  // namespace quorvix::test
