// The scripted serial line keeps the serial back ends' contract.
#include "contract/serial_contract.h"
#include "testing/fake/fake_event_loop.h"
#include "testing/fake/fake_serial.h"

namespace quorvix::test {
namespace {

class FakeSerialHarness {
 public:
  static constexpr int kPort = 3;
  static constexpr int kMissing = 9;

  FakeSerialHarness() {
    fake_.MissingPort(kMissing);
    fake_.SetExistingPorts({kPort, 1, 12});
  }

  SerialBackend& serial() { return fake_; }
  int port() const { return kPort; }
  int missing_port() const { return kMissing; }
  void Pump() { loop_.PumpPending(); }
  void Send(std::string_view bytes) { fake_.Deliver(std::string(bytes)); }
  std::string Received(std::size_t count) const {
    return fake_.written().substr(0, count);
  }
  std::optional<std::uint32_t> Speed() const {
    if (!fake_.IsOpen()) return std::nullopt;
    return fake_.opens().back().settings.baud;
  }
  void HangUp() { fake_.Unplug(); }
  std::string CannotSee(std::string_view) const { return {}; }

 private:
  fake::FakeEventLoop loop_;
  fake::FakeSerial fake_{loop_};
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SerialContract,
                               ::testing::Types<test::FakeSerialHarness>);
}  // namespace quorvix::contract
