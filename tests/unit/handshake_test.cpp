#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/frmMain.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

using fake::After;
using fake::InPump;

class HandshakeTest : public DriverTest {
 protected:
  void SetUp() override {
    Init();
    window().comMain.SetPortOpen(true);
    ForgetHistory();
  }

  bool RunHandshake() { return Handshake(window()); }
};

TEST_F(HandshakeTest, LoneGInTheFirstPassSucceeds) {
  TransmitterAnswers({InPump(1, "G")});
  state().LastRecv = "stale";
  EXPECT_TRUE(RunHandshake());
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?"}));
  EXPECT_EQ(state().LastRecv, "G");
  EXPECT_EQ(fake.events.sleeps(), 1);
  EXPECT_EQ(fake.events.slept(), 10ms);
}

TEST_F(HandshakeTest, LateGStillCountsWithinTheBoundOfPasses) {
  TransmitterAnswers({InPump(5, "G")});
  EXPECT_TRUE(RunHandshake());
  EXPECT_EQ(fake.events.sleeps(), 5);
  EXPECT_EQ(fake.events.slept(), 50ms);
}

TEST_F(HandshakeTest, AnswerComesInTimeWhileThePassesSleep) {
  TransmitterAnswers({After(35ms, "G")});
  EXPECT_TRUE(RunHandshake());
  // Passes pump at 0, 10, 20, 30 and 40 ms; the answer is there at 40.
  EXPECT_EQ(fake.events.sleeps(), 5);
}

TEST_F(HandshakeTest, SilenceEndsAfter201PassesOf10Ms) {
  EXPECT_FALSE(RunHandshake());
  EXPECT_EQ(fake.events.sleeps(), 201);
  EXPECT_EQ(fake.events.slept(), 2010ms);
  EXPECT_EQ(fake.events.pumps(), 201);
  EXPECT_EQ(state().LastRecv, "");
}

TEST_F(HandshakeTest, AnswerInPass201IsTheLastOneHeard) {
  fake.serial.OnWrite("c?", {InPump(201, "G")}, 1);
  fake.serial.OnWrite("c?", {InPump(202, "G")}, 1);
  EXPECT_TRUE(RunHandshake());
  EXPECT_EQ(fake.events.sleeps(), 201);

  fake.events.ResetCounters();
  EXPECT_FALSE(RunHandshake());
  EXPECT_EQ(fake.events.sleeps(), 201);
}

TEST_F(HandshakeTest, GWithCarriageReturnInOneNotificationFails) {
  TransmitterAnswers({InPump(1, "G\r")});
  EXPECT_FALSE(RunHandshake());
  EXPECT_EQ(state().LastRecv, "G\r");
  EXPECT_EQ(fake.events.sleeps(), 1);
}

TEST_F(HandshakeTest, SplitReplyStopsAtItsFirstPiece) {
  TransmitterAnswers({InPump(1, "G"), InPump(2, "\r")});
  EXPECT_TRUE(RunHandshake());
  EXPECT_EQ(state().LastRecv, "G");
  EXPECT_EQ(fake.events.sleeps(), 1);
}

TEST_F(HandshakeTest, PiecesArrivingInTheSamePumpAreJudgedTogether) {
  TransmitterAnswers({InPump(3, "G"), InPump(3, "\r")});
  EXPECT_FALSE(RunHandshake());
  EXPECT_EQ(state().LastRecv, "G\r");
}

TEST_F(HandshakeTest, AnythingButExactlyGFails) {
  for (const std::string& answer :
       std::vector<std::string>{"\r", "g", "GG", " G", std::string(1, '\0')}) {
    fake.serial.ClearRules();
    TransmitterAnswers({InPump(1, answer), InPump(2, "G")});
    EXPECT_FALSE(RunHandshake()) << '"' << answer << '"';
    EXPECT_EQ(state().LastRecv, answer);
    fake.events.PumpPending();  // the late "G" lands before the next round
  }
}

TEST_F(HandshakeTest, ShowsNothingAndChangesNoFlag) {
  state().TransmitterReady = true;
  EXPECT_FALSE(RunHandshake());
  EXPECT_TRUE(state().TransmitterReady);
  TransmitterAnswers({InPump(1, "G")});
  state().TransmitterReady = false;
  EXPECT_TRUE(RunHandshake());
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_TRUE(fake.messages.shown().empty());
}

}  // namespace
}  // namespace quorvix::test
