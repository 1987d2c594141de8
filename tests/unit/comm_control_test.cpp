#include <gtest/gtest.h>

#include <string>

#include "link/comm_control.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

class CommControlTest : public ::testing::Test {
 protected:
  fake::FakePlatform fake;
  fake::FakeEventLoop& loop = fake.events;
  fake::FakeSerial& serial = fake.serial;
  int notifications = 0;
  CommControl port{fake.platform, [this] { ++notifications; }};
};

TEST_F(CommControlTest, RefusesPortNumbersOutsideOneTo255) {
  port.SetCommPort(7);
  for (const std::int64_t bad : {0, 256, -1, 32768, 70000}) {
    const Error error = Caught([&] { port.SetCommPort(bad); });
    EXPECT_EQ(error.number(), kInvalidPropertyValue) << bad;
    EXPECT_NE(std::string(error.what()).find(std::to_string(bad)),
              std::string::npos)
        << error.what();
    EXPECT_EQ(port.CommPort(), 7);
  }
  port.SetCommPort(255);
  EXPECT_EQ(port.CommPort(), 255);
  port.SetCommPort(1);
  EXPECT_EQ(port.CommPort(), 1);
}

TEST_F(CommControlTest, RefusesBadSettingsAndKeepsTheOldText) {
  port.SetSettings("19200,n,8,1");
  EXPECT_EQ(Caught([&] { port.SetSettings("19200"); }).number(),
            kInvalidPropertyValue);
  EXPECT_EQ(Caught([&] { port.SetSettings("19200,n,8,3"); }).number(),
            kInvalidPropertyValue);
  EXPECT_EQ(port.Settings(), "19200,n,8,1");
}

TEST_F(CommControlTest, OpensThePortWithItsNumberAndLineSettings) {
  port.SetCommPort(3);
  port.SetSettings("38400,e,7,2");
  port.SetPortOpen(true);
  EXPECT_TRUE(port.PortOpen());
  ASSERT_EQ(serial.opens().size(), 1u);
  EXPECT_EQ(serial.opens()[0].port, 3);
  EXPECT_EQ(serial.opens()[0].settings.baud, 38400u);
  EXPECT_EQ(serial.opens()[0].settings.parity, Parity::kEven);
  EXPECT_EQ(serial.opens()[0].settings.data_bits, 7);
  EXPECT_EQ(serial.opens()[0].settings.stop_bits, StopBits::kTwo);
}

TEST_F(CommControlTest, FailedOpeningLeavesThePortClosed) {
  serial.MissingPort(2);
  serial.BusyPort(3);
  serial.FailOpen(4, kDeviceFailed);
  for (const auto& [number, expected] :
       {std::pair{2, kPortMissing}, std::pair{3, kPortInUse},
        std::pair{4, kDeviceFailed}}) {
    port.SetCommPort(number);
    EXPECT_EQ(Caught([&] { port.SetPortOpen(true); }).number(), expected)
        << number;
    EXPECT_FALSE(port.PortOpen());
  }
  EXPECT_TRUE(serial.opens().empty());
}

TEST_F(CommControlTest,
       OpeningAnOpenPortIsRefusedAndClosingAClosedOneIsHarmless) {
  port.SetPortOpen(false);
  EXPECT_FALSE(port.PortOpen());
  port.SetPortOpen(true);
  EXPECT_EQ(Caught([&] { port.SetPortOpen(true); }).number(), kPortInUse);
  EXPECT_TRUE(port.PortOpen());
  EXPECT_EQ(serial.opens().size(), 1u);
  port.SetPortOpen(false);
  port.SetPortOpen(false);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(serial.closes(), 1);
}

TEST_F(CommControlTest, NewNumberAndSettingsTakeEffectAtTheNextOpening) {
  port.SetCommPort(2);
  port.SetSettings("19200,n,8,1");
  port.SetPortOpen(true);
  port.SetCommPort(5);
  port.SetSettings("38400,n,8,1");
  EXPECT_EQ(port.CommPort(), 5);
  EXPECT_EQ(port.Settings(), "38400,n,8,1");
  EXPECT_EQ(serial.OpenPort(), 2);
  EXPECT_EQ(serial.opens().size(), 1u);

  port.SetPortOpen(false);
  port.SetPortOpen(true);
  ASSERT_EQ(serial.opens().size(), 2u);
  EXPECT_EQ(serial.opens()[1].port, 5);
  EXPECT_EQ(serial.opens()[1].settings.baud, 38400u);
}

TEST_F(CommControlTest, OutputAndInputNeedAnOpenPort) {
  EXPECT_EQ(Caught([&] { port.Output("c?"); }).number(), kPortNotOpen);
  EXPECT_EQ(Caught([&] { port.Input(); }).number(), kPortNotOpen);
  port.SetPortOpen(true);
  port.SetPortOpen(false);
  EXPECT_EQ(Caught([&] { port.Output("c?"); }).number(), kPortNotOpen);
  EXPECT_TRUE(serial.writes().empty());
}

TEST_F(CommControlTest, OutputSendsEveryByteAsOneWrite) {
  port.SetPortOpen(true);
  const std::string frame = Bytes({0xFF, 0x00, 0x7F, 0x01, 0x80, 0x00});
  port.Output(frame);
  port.Output("I");
  EXPECT_EQ(serial.writes(), (std::vector<std::string>{frame, "I"}));
}

TEST_F(CommControlTest, DeviceFailureDuringOutputReachesTheCaller) {
  port.SetPortOpen(true);
  serial.FailWrites();
  EXPECT_EQ(Caught([&] { port.Output("c?"); }).number(), kDeviceFailed);
}

TEST_F(CommControlTest, InputHandsOutReceivedBytesOnce) {
  port.SetPortOpen(true);
  EXPECT_EQ(port.Input(), "");
  serial.Deliver(Bytes({'G', 0x00, 0xFE}));
  loop.PumpPending();
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(port.Input(), Bytes({'G', 0x00, 0xFE}));
  EXPECT_EQ(port.Input(), "");
}

}  // namespace
}  // namespace quorvix::test
