// The scheduling rules the driver's tests rely on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace quorvix::test {
namespace {

TEST(FakeEventLoop, PumpRunsOnlyWhatWasPendingWhenItStarted) {
  fake::FakeEventLoop loop;
  int runs = 0;
  std::function<void()> flood = [&] {
    ++runs;
    loop.Post(flood);
  };
  loop.Post(flood);
  loop.PumpPending();
  EXPECT_EQ(runs, 1);
  loop.PumpPending();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(loop.pumps(), 2);
}

TEST(FakeEventLoop, WaitMovesTheClockToTheNextEventButNotPastTheDeadline) {
  fake::FakeEventLoop loop;
  const auto start = loop.Now();
  std::vector<std::string> order;
  loop.PostAfter(30ms, [&] { order.push_back("late"); });
  loop.PostAfter(20ms, [&] { order.push_back("early"); });

  loop.WaitAndPump(start + 10ms);
  EXPECT_EQ(loop.Now(), start + 10ms);
  EXPECT_TRUE(order.empty());

  loop.WaitAndPump(start + 1s);
  EXPECT_EQ(loop.Now(), start + 20ms);
  EXPECT_EQ(order, (std::vector<std::string>{"early"}));

  loop.Advance(50ms);
  loop.WaitAndPump(start);  // something is pending: no waiting at all
  EXPECT_EQ(order, (std::vector<std::string>{"early", "late"}));
  EXPECT_EQ(loop.Now(), start + 70ms);
}

TEST(FakeEventLoop, SleepMovesTheClockWithoutRunningAnything) {
  fake::FakeEventLoop loop;
  bool ran = false;
  loop.PostAfter(5ms, [&] { ran = true; });
  loop.Sleep(10ms);
  loop.Sleep(10ms);
  EXPECT_FALSE(ran);
  EXPECT_EQ(loop.sleeps(), 2);
  EXPECT_EQ(loop.slept(), 20ms);
  loop.PumpPending();
  EXPECT_TRUE(ran);
}

TEST(FakeSerial, EachReplyPieceIsOneNotificationAndClosedPortsHearNothing) {
  fake::FakeEventLoop loop;
  fake::FakeSerial serial(loop);
  serial.OnWrite("c?", {fake::InPump(1, "G"), fake::InPump(2, "\r"),
                        fake::After(1s, "late")});
  std::vector<std::string> received;
  std::unique_ptr<SerialConnection> port;
  port =
      serial.Open(4, LineSettings{}, [&] { received.push_back(port->Read()); });
  ASSERT_EQ(serial.opens().size(), 1u);
  EXPECT_EQ(serial.opens()[0].port, 4);

  port->Write("c?");
  loop.PumpPending();
  loop.PumpPending();
  EXPECT_EQ(received, (std::vector<std::string>{"G", "\r"}));

  port.reset();
  loop.RunFor(2s);
  EXPECT_EQ(received.size(), 2u);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(serial.closes(), 1);
}

}  // namespace
}  // namespace quorvix::test
