// The termios back end keeps the serial back ends' contract, on a
// pseudo-terminal whose master side is the other end.
#include <termios.h>

#include <filesystem>
#include <memory>

#include "contract/serial_contract.h"
#include "platform/posix/glib_event_loop.h"
#include "platform/posix/termios_serial.h"
#include "pty_pair.h"
#include "temp_config.h"

namespace quorvix::test {
namespace {

namespace fs = std::filesystem;

struct SilentTrace : TraceSink {
  bool Listening() const override { return false; }
  void Write(std::string_view) override {}
};

class TermiosSerialHarness {
 public:
  static constexpr int kPort = 7;
  static constexpr int kMissing = 9;

  TermiosSerialHarness() {
    const fs::path ports = home_.quorvix() / "ports";
    fs::create_directories(ports);
    fs::create_symlink(pty_.slave_path(),
                       ports / ("COM" + std::to_string(kPort)));
    fs::create_symlink(home_.root() / "no-such-device",
                       ports / ("COM" + std::to_string(kMissing)));
  }
  ~TermiosSerialHarness() { g_main_context_unref(context_); }
  TermiosSerialHarness(const TermiosSerialHarness&) = delete;
  TermiosSerialHarness& operator=(const TermiosSerialHarness&) = delete;

  SerialBackend& serial() { return serial_; }
  int port() const { return kPort; }
  int missing_port() const { return kMissing; }
  void Pump() {
    loop_.WaitAndPump(loop_.Now() + std::chrono::milliseconds(20));
  }

  void Send(std::string_view bytes) { ASSERT_TRUE(pty_.Send(bytes)); }
  std::string Received(std::size_t count) { return pty_.Received(count); }

  // The master side reads the slave's settings.
  std::optional<std::uint32_t> Speed() const {
    termios settings{};
    if (tcgetattr(pty_.master(), &settings) != 0) return std::nullopt;
    switch (cfgetospeed(&settings)) {
      case B9600: return 9600;
      case B38400: return 38400;
      case B115200: return 115200;
      default: return 0;
    }
  }

  void HangUp() { pty_.CloseMaster(); }

  std::string CannotSee(std::string_view) const { return {}; }

 private:
  PtyPair pty_;
  TempConfigHome home_;
  GMainContext* const context_ = g_main_context_new();
  posix::PinnedContext pinned_{context_};
  posix::GlibEventLoop loop_{pinned_};
  SilentTrace trace_;
  posix::TermiosSerial serial_{
      pinned_, trace_, [] { return std::vector<posix::SerialDevice>{}; }};
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Termios, SerialContract,
                               ::testing::Types<test::TermiosSerialHarness>);
}  // namespace quorvix::contract
