#include "platform/posix/termios_serial.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/posix/glib_event_loop.h"
#include "platform/posix/line_termios.h"
#include "pty_pair.h"
#include "temp_config.h"

namespace quorvix::test {
namespace {

using namespace quorvix::posix;

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct RecordingTrace : TraceSink {
  bool Listening() const override { return true; }
  void Write(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

struct ContextDeleter {
  void operator()(GMainContext* context) const {
    g_main_context_unref(context);
  }
};

// Runs `action`, expecting Error `number` whose text holds `part`.
template <typename Action>
void ExpectError(Action action, int number, const std::string& part) {
  try {
    action();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), number) << error.what();
    EXPECT_THAT(error.what(), HasSubstr(part));
  }
}

class TermiosSerialTest : public ::testing::Test {
 protected:
  static constexpr int kPort = 7;

  TermiosSerialTest() { Link(kPort, pty_.slave_path()); }
  ~TermiosSerialTest() override { connection_.reset(); }

  void Link(int port, const fs::path& target) {
    fs::create_directories(home_.quorvix() / "ports");
    fs::create_symlink(
        target, home_.quorvix() / "ports" / ("COM" + std::to_string(port)));
  }

  void OpenPort(const LineSettings& settings = {19200}) {
    connection_ = serial_.Open(kPort, settings, [this] {
      ++notifications_;
      received_ += connection_->Read();
    });
  }

  void CloseMaster() { pty_.CloseMaster(); }
  std::string FromMaster(std::size_t count) { return pty_.Received(count); }
  void ToMaster(std::string_view bytes) { ASSERT_TRUE(pty_.Send(bytes)); }

  template <typename Done>
  void PumpUntil(Done done) {
    const auto give_up = loop_.Now() + std::chrono::seconds(5);
    while (!done() && loop_.Now() < give_up) loop_.WaitAndPump(give_up);
  }

  // Descriptors of this process on the slave (shown "... (deleted)" once
  // the master is gone); the test holds one itself.
  int OpenOnSlave() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      std::error_code ignored;
      const std::string target = fs::read_symlink(entry.path(), ignored);
      count += target == pty_.slave_path() ||
               target == pty_.slave_path() + " (deleted)";
    }
    return count;
  }

  termios SlaveSettings() const {
    termios settings{};
    tcgetattr(pty_.slave(), &settings);
    return settings;
  }

  PtyPair pty_;
  TempConfigHome home_;
  std::unique_ptr<GMainContext, ContextDeleter> context_{g_main_context_new()};
  PinnedContext pinned_{context_.get()};
  GlibEventLoop loop_{pinned_};
  RecordingTrace trace_;
  TermiosSerial serial_{pinned_, trace_};
  std::unique_ptr<SerialConnection> connection_;
  int notifications_ = 0;
  std::string received_;
};

TEST(LineTermios, MapsTheLineSettingsToRawTermios) {
  struct Case {
    LineSettings settings;
    speed_t speed;
    tcflag_t frame;
  };
  const Case cases[] = {
      {{19200, Parity::kNone, 8, StopBits::kOne}, B19200, CS8},
      {{9600, Parity::kEven, 7, StopBits::kTwo}, B9600, CS7 | PARENB | CSTOPB},
      {{110, Parity::kOdd, 6, StopBits::kOne}, B110, CS6 | PARENB | PARODD},
      {{38400, Parity::kMark, 8, StopBits::kOne},
       B38400,
       CS8 | PARENB | PARODD | CMSPAR},
      {{115200, Parity::kSpace, 5, StopBits::kOnePointFive},
       B115200,
       CS5 | PARENB | CMSPAR | CSTOPB},
  };
  termios cooked{};
  cooked.c_cflag = CS7 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL;
  cooked.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  cooked.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | INPCK;
  cooked.c_oflag = OPOST | ONLCR;
  for (const Case& c : cases) {
    const termios got = LineTermios(cooked, c.settings, "COM1");
    EXPECT_EQ(cfgetospeed(&got), c.speed) << c.settings.baud;
    EXPECT_EQ(cfgetispeed(&got), c.speed) << c.settings.baud;
    EXPECT_EQ(got.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB),
              c.frame)
        << c.settings.baud;
    EXPECT_EQ(got.c_cflag & (CREAD | CLOCAL | CRTSCTS | HUPCL),
              CREAD | CLOCAL | HUPCL);
    EXPECT_EQ(got.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(got.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(got.c_oflag & OPOST, 0u);
    EXPECT_EQ(got.c_cc[VMIN], 1);
    EXPECT_EQ(got.c_cc[VTIME], 0);
  }
}

TEST_F(TermiosSerialTest, PutsTheDeviceIntoRawModeAtItsBaudRate) {
  // Ptys on recent kernels refuse every framing but 8N1: the rest is
  // checked on LineTermios above.
  termios cooked = SlaveSettings();
  cooked.c_lflag |= ICANON | ECHO;
  cooked.c_iflag |= ICRNL;
  cooked.c_oflag |= OPOST;
  tcsetattr(pty_.slave(), TCSANOW, &cooked);
  for (const auto& [baud, speed] :
       {std::pair{9600u, B9600}, {38400u, B38400}, {4000000u, B4000000}}) {
    OpenPort({baud, Parity::kEven, 7, StopBits::kTwo});
    const termios got = SlaveSettings();
    EXPECT_EQ(cfgetospeed(&got), speed) << baud;
    EXPECT_EQ(cfgetispeed(&got), speed) << baud;
    EXPECT_EQ(got.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(got.c_iflag & (ICRNL | IXON), 0u);
    EXPECT_EQ(got.c_oflag & OPOST, 0u);
    EXPECT_EQ(got.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
    connection_.reset();
  }
  // Raw means bytes pass untouched both ways.
  OpenPort();
  connection_->Write("\r\n\x03");
  EXPECT_EQ(FromMaster(3), "\r\n\x03");
  ToMaster("\r\x03\x11");
  PumpUntil([&] { return received_.size() >= 3; });
  EXPECT_EQ(received_, "\r\x03\x11");
}

TEST_F(TermiosSerialTest, RefusesWhatTermiosCannotDo) {
  ExpectError([&] { OpenPort({14400}); }, kInvalidPropertyValue, "14400");
  ExpectError([&] { OpenPort({256000}); }, kInvalidPropertyValue, "256000");
  ExpectError(
      [&] {
        OpenPort({19200, Parity::kNone, 4});
      },
      kInvalidPropertyValue, "4 data bits");
  ExpectError([&] { serial_.Open(0, {}, [] {}); }, kInvalidPropertyValue, "0");
  ExpectError([&] { serial_.Open(256, {}, [] {}); }, kInvalidPropertyValue,
              "256");
  OpenPort();  // nothing of the refused attempts holds the port
  EXPECT_NE(connection_, nullptr);
}

// Against this process the serial contract shows it.
TEST_F(TermiosSerialTest, APortHeldByAnotherProgramIsInUse) {
  const int other = open(pty_.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  ExpectError([&] { OpenPort(); }, kPortInUse, "in use");
  close(other);
  OpenPort();
}

TEST_F(TermiosSerialTest, MissingOrUnsuitableDevicesAreNamed) {
  Link(9, home_.root() / "no-such-device");
  ExpectError([&] { serial_.Open(9, {}, [] {}); }, kPortMissing,
              "COM9 does not exist");
  const fs::path plain = home_.root() / "plain-file";
  std::ofstream(plain) << "not a terminal";
  Link(10, plain);
  ExpectError([&] { serial_.Open(10, {}, [] {}); }, kDeviceFailed,
              "COM10 is not a serial device");
}

// A user outside the device's group is told which group lets them in.
TEST_F(TermiosSerialTest, APermissionProblemNamesTheGroupThatMayOpen) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to open as another user";
  const group* const dialout = getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no group dialout here";
  ASSERT_EQ(chown(pty_.slave_path().c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(chmod(pty_.slave_path().c_str(), 0660), 0);
  Link(11, pty_.slave_path());
  // The other user must still find the port's link.
  for (const auto& entry : fs::recursive_directory_iterator(home_.root())) {
    if (entry.is_directory()) chmod(entry.path().c_str(), 0755);
  }
  chmod(home_.root().c_str(), 0755);
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string what = "opened";
    if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 &&
        setuid(65534) == 0) {
      try {
        serial_.Open(11, {}, [] {});
      } catch (const Error& error) {
        what = std::to_string(error.number()) + " " + error.what();
      }
    } else {
      what = "cannot drop privileges";
    }
    (void)!write(pipe_ends[1], what.data(), what.size());
    _exit(0);
  }
  close(pipe_ends[1]);
  std::array<char, 1024> text{};
  const ssize_t n = read(pipe_ends[0], text.data(), text.size());
  close(pipe_ends[0]);
  waitpid(child, nullptr, 0);
  const std::string what(text.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
  EXPECT_THAT(what, ::testing::StartsWith(std::to_string(kDeviceFailed) +
                                          " COM11 cannot be opened"));
  EXPECT_THAT(what, ::testing::HasSubstr("Permission denied"));
  EXPECT_THAT(what, ::testing::HasSubstr(
                        "members of the group dialout may open it: sudo "
                        "usermod -aG dialout $USER, then log in again"));
}

TEST_F(TermiosSerialTest, AHangUpIsNoticedOnce) {
  OpenPort();
  EXPECT_EQ(OpenOnSlave(), 2);
  EXPECT_FALSE(connection_->Vanished());
  CloseMaster();
  PumpUntil([&] { return !trace_.lines.empty(); });
  // Closed at once, before anyone writes: a replugged adapter gets its name.
  EXPECT_EQ(OpenOnSlave(), 1);
  EXPECT_TRUE(connection_->Vanished());
  for (int i = 0; i < 5; ++i) loop_.PumpPending();
  ASSERT_EQ(trace_.lines.size(), 1u);
  EXPECT_THAT(trace_.lines[0], StartsWith("[Quorvix] COM7: device vanished ("));
  // Its source is gone: nothing is left to run, so nothing can spin.
  EXPECT_FALSE(g_main_context_pending(context_.get()));
  EXPECT_LE(notifications_, 1);
  ExpectError([&] { connection_->Write("abc"); }, kDeviceFailed, "COM7");
  EXPECT_EQ(connection_->Read(), "");
  EXPECT_EQ(trace_.lines.size(), 1u);
}

TEST_F(TermiosSerialTest, AWriteToAVanishedDeviceFailsAndIsNoticedOnce) {
  OpenPort();
  CloseMaster();
  ExpectError([&] { connection_->Write("abcdef"); }, kDeviceFailed, "COM7");
  EXPECT_TRUE(connection_->Vanished());
  EXPECT_EQ(OpenOnSlave(), 1);
  ASSERT_EQ(trace_.lines.size(), 1u);
  EXPECT_EQ(trace_.lines[0],
            "[Quorvix] COM7: device vanished (Input/output error)");
  for (int i = 0; i < 5; ++i) loop_.PumpPending();
  EXPECT_EQ(trace_.lines.size(), 1u);
  EXPECT_FALSE(g_main_context_pending(context_.get()));
}

TEST_F(TermiosSerialTest, ReadTakesAtMost64KiBAtATime) {
  OpenPort();
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    const std::string burst(4096, 'f');
    while (!stop) {
      pollfd ready{pty_.master(), POLLOUT, 0};
      if (poll(&ready, 1, 100) > 0) {
        if (write(pty_.master(), burst.data(), burst.size()) < 0 &&
            errno != EAGAIN) {
          return;
        }
      }
    }
  });
  std::size_t total = 0;
  for (int i = 0; i < 40 && total < 300'000; ++i) {
    const std::string bytes = connection_->Read();
    EXPECT_LE(bytes.size(), 65536u);
    total += bytes.size();
    loop_.Sleep(std::chrono::milliseconds(1));
  }
  stop = true;
  flood.join();
  EXPECT_GT(total, 0u);
}

// The serial contract shows that its count is not taken at its word.
TEST_F(TermiosSerialTest, APseudoTerminalIsToldFromOtherDevices) {
  EXPECT_TRUE(IsPseudoTerminal(pty_.slave()));
  const int null_device = open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(null_device, 0);
  EXPECT_FALSE(IsPseudoTerminal(null_device));
  close(null_device);
}

TEST_F(TermiosSerialTest, AFullLineFailsAfterItsBoundAndNeverSilently) {
  OpenPort({4000000});
  const std::string chunk(1024, 'w');
  int written = 0;
  try {
    // Nobody reads the master side: the line fills up.
    for (; written < 1000; ++written) connection_->Write(chunk);
    ADD_FAILURE() << "the line never filled up";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), kDeviceFailed);
    EXPECT_THAT(error.what(), HasSubstr("write did not finish within"));
    EXPECT_THAT(error.what(), HasSubstr("of 1024 bytes sent"));
  }
  EXPECT_GT(written, 0);
  EXPECT_TRUE(trace_.lines.empty());  // full is not vanished
  EXPECT_FALSE(connection_->Vanished());
}

}  // namespace
}  // namespace quorvix::test
