// The termios back end keeps the serial back ends' contract, on a
// pseudo-terminal whose master side is the other end.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <memory>

#include "contract/serial_contract.h"
#include "platform/posix/glib_event_loop.h"
#include "platform/posix/termios_serial.h"
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
    std::array<char, 256> name{};
    if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) != 0) {
      std::abort();
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    const fs::path ports = home_.quorvix() / "ports";
    fs::create_directories(ports);
    fs::create_symlink(name.data(), ports / ("COM" + std::to_string(kPort)));
    fs::create_symlink(home_.root() / "no-such-device",
                       ports / ("COM" + std::to_string(kMissing)));
  }
  ~TermiosSerialHarness() {
    HangUp();
    close(slave_);
    g_main_context_unref(context_);
  }
  TermiosSerialHarness(const TermiosSerialHarness&) = delete;
  TermiosSerialHarness& operator=(const TermiosSerialHarness&) = delete;

  SerialBackend& serial() { return serial_; }
  int port() const { return kPort; }
  int missing_port() const { return kMissing; }
  void Pump() {
    loop_.WaitAndPump(loop_.Now() + std::chrono::milliseconds(20));
  }

  void Send(std::string_view bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

  std::string Received(std::size_t count) {
    std::string bytes;
    std::array<char, 4096> chunk{};
    while (bytes.size() < count) {
      pollfd ready{master_, POLLIN, 0};
      if (poll(&ready, 1, 5000) <= 0) break;
      const ssize_t n = read(master_, chunk.data(),
                             std::min(chunk.size(), count - bytes.size()));
      if (n <= 0) break;
      bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
    return bytes;
  }

  // The master side reads the slave's settings.
  std::optional<std::uint32_t> Speed() const {
    termios settings{};
    if (tcgetattr(master_, &settings) != 0) return std::nullopt;
    switch (cfgetospeed(&settings)) {
      case B9600: return 9600;
      case B38400: return 38400;
      case B115200: return 115200;
      default: return 0;
    }
  }

  void HangUp() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  std::string CannotSee(std::string_view) const { return {}; }

 private:
  TempConfigHome home_;
  GMainContext* const context_ = g_main_context_new();
  posix::PinnedContext pinned_{context_};
  posix::GlibEventLoop loop_{pinned_};
  SilentTrace trace_;
  posix::TermiosSerial serial_{
      pinned_, trace_, [] { return std::vector<posix::SerialDevice>{}; }};
  int master_ = -1;
  int slave_ = -1;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Termios, SerialContract,
                               ::testing::Types<test::TermiosSerialHarness>);
}  // namespace quorvix::contract
