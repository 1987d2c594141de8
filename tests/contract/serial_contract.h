#pragma once
// What every serial back end keeps, written once and run against each. A
// back end's harness holds the other end of one port and pumps the loop that
// carries its receive notifications:
//
//   struct Harness {
//     SerialBackend& serial();
//     int port();          // a port whose other end the harness holds
//     int missing_port();  // a port with no device behind it
//     void Pump();         // runs what is pending, waiting a little for it
//     void Send(std::string_view bytes);    // from the other end
//     std::string Received(std::size_t n);  // at the other end, up to n
//                                           // bytes, waiting for them a while
//     std::optional<std::uint32_t> Speed(); // the line's speed as the device
//                                           // was set, nullopt: not yet
//     void HangUp();       // the device goes away
//     // Cases the back end cannot be seen to keep: the reason, else empty.
//     std::string CannotSee(std::string_view case_name);
//   };
//
// Instantiate with INSTANTIATE_TYPED_TEST_SUITE_P(Name, SerialContract,
// ::testing::Types<Harness>).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/serial.h"

namespace quorvix::contract {

template <typename Harness>
class SerialContract : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string reason = harness_.CannotSee(
        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    if (!reason.empty()) GTEST_SKIP() << reason;
  }

  // The port at `baud`, its notifications counted and its bytes collected.
  void Open(std::uint32_t baud = 38400) {
    connection_ =
        harness_.serial().Open(harness_.port(), LineSettings{baud}, [this] {
          ++notifications_;
          received_ += connection_->Read();
        });
  }

  // Pumps until `done`, or gives up after a generous while; the cases check
  // what happened, never how long it took.
  template <typename Done>
  void PumpUntil(Done done) {
    const auto give_up =
        std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < give_up) {
      harness_.Pump();
    }
  }

  // The number of the Error `action` throws, 0 for none.
  template <typename Action>
  static int ErrorOf(Action action) {
    try {
      action();
    } catch (const Error& error) {
      return error.number();
    }
    return 0;
  }

  Harness harness_;
  std::unique_ptr<SerialConnection> connection_;
  int notifications_ = 0;
  std::string received_;
};

TYPED_TEST_SUITE_P(SerialContract);

TYPED_TEST_P(SerialContract, OpeningAMissingPortFailsWith8002) {
  auto& serial = this->harness_.serial();
  EXPECT_EQ(this->ErrorOf([&] {
    serial.Open(this->harness_.missing_port(), LineSettings{9600}, [] {});
  }),
            kPortMissing);
}

TYPED_TEST_P(SerialContract, APortIsHeldUntilItsConnectionIsDestroyed) {
  auto& serial = this->harness_.serial();
  const int port = this->harness_.port();
  this->Open();
  EXPECT_EQ(
      this->ErrorOf([&] { serial.Open(port, LineSettings{9600}, [] {}); }),
      kPortInUse);
  this->connection_.reset();
  this->Open();
  EXPECT_NE(this->connection_, nullptr);
}

TYPED_TEST_P(SerialContract, WrittenBytesArriveWholeAndInOrder) {
  this->Open();
  const std::string first("\xFF\x00\x01\r\n", 5);
  const std::string second("\x80\x11\x13\x1A\xFE", 5);
  this->connection_->Write(first);
  this->connection_->Write(second);
  EXPECT_EQ(this->harness_.Received(10), first + second);
}

TYPED_TEST_P(SerialContract, ReceivedBytesAreAnnouncedAndReadWholeInOrder) {
  this->Open();
  EXPECT_EQ(this->connection_->Read(), "");  // nothing yet: never blocks
  const std::string sent("G\r\0\xFE\x11\x13", 6);
  this->harness_.Send(sent.substr(0, 3));
  this->harness_.Send(sent.substr(3));
  this->PumpUntil([&] { return this->received_.size() >= sent.size(); });
  EXPECT_EQ(this->received_, sent);
  EXPECT_GE(this->notifications_, 1);
  EXPECT_EQ(this->connection_->Read(), "");
}

TYPED_TEST_P(SerialContract, TheDeviceRunsAtTheSpeedOpenedWith) {
  for (const std::uint32_t baud : {9600u, 115200u}) {
    this->Open(baud);
    this->PumpUntil([&] { return this->harness_.Speed() == baud; });
    EXPECT_EQ(this->harness_.Speed(), baud);
    this->connection_.reset();
  }
}

// A pseudo-terminal (or Wine's port on one) says 0 however much waits.
TYPED_TEST_P(SerialContract, AQueueCountIsTruthfulOrNone) {
  this->Open(115200);
  const std::string waiting(4096, 'q');  // the other end takes none of it
  this->connection_->Write(waiting);
  const std::optional<std::size_t> queued = this->connection_->QueuedBytes();
  if (queued) {
    EXPECT_EQ(*queued, waiting.size());
  }
  EXPECT_EQ(this->harness_.Received(waiting.size()), waiting);
}

TYPED_TEST_P(SerialContract, AGoneDeviceIsVanishedAndEveryWriteFails) {
  this->Open();
  EXPECT_FALSE(this->connection_->Vanished());
  this->harness_.HangUp();
  this->PumpUntil([&] { return this->connection_->Vanished(); });
  EXPECT_TRUE(this->connection_->Vanished());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(this->ErrorOf([&] { this->connection_->Write("abc"); }),
              kDeviceFailed);
  }
  EXPECT_EQ(this->connection_->Read(), "");
}

// The serial control closes the port from its receive handler; nothing is
// announced to a destroyed connection.
TYPED_TEST_P(SerialContract, TheReceiveHandlerMayCloseThePort) {
  int calls = 0;
  this->connection_ = this->harness_.serial().Open(
      this->harness_.port(), LineSettings{38400}, [this, &calls] {
        ++calls;
        this->connection_.reset();
      });
  this->harness_.Send("x");
  this->PumpUntil([&] { return this->connection_ == nullptr; });
  EXPECT_EQ(this->connection_, nullptr);
  this->harness_.Send("y");
  for (int i = 0; i < 3; ++i) this->harness_.Pump();
  EXPECT_EQ(calls, 1);
  this->Open();  // and it is free again
  EXPECT_NE(this->connection_, nullptr);
}

TYPED_TEST_P(SerialContract, ExistingPortsAreAscendingWithinOneTo255) {
  const std::vector<int> ports = this->harness_.serial().ExistingPorts();
  for (std::size_t i = 0; i < ports.size(); ++i) {
    EXPECT_GE(ports[i], 1);
    EXPECT_LE(ports[i], 255);
    if (i > 0) {
      EXPECT_LT(ports[i - 1], ports[i]);
    }
  }
}

REGISTER_TYPED_TEST_SUITE_P(SerialContract, OpeningAMissingPortFailsWith8002,
                            APortIsHeldUntilItsConnectionIsDestroyed,
                            WrittenBytesArriveWholeAndInOrder,
                            ReceivedBytesAreAnnouncedAndReadWholeInOrder,
                            TheDeviceRunsAtTheSpeedOpenedWith,
                            AQueueCountIsTruthfulOrNone,
                            AGoneDeviceIsVanishedAndEveryWriteFails,
                            TheReceiveHandlerMayCloseThePort,
                            ExistingPortsAreAscendingWithinOneTo255);

}  // namespace quorvix::contract
