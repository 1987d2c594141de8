// The Linux plug-in loaded with dlopen against quorvix-sim over a real
// pseudo-terminal.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "plugin_fixture.h"
#include "sim_log.h"

namespace quorvix::test {
namespace {

using ::testing::HasSubstr;

const std::string kPortOpenFailed = "Fehler beim Öffnen des COM-Ports!";
const std::string kNotReady = "DMX-Transmitter nicht funktionsbereit!";

class LinkTest : public PluginFixture {};

TEST_F(LinkTest, TenThousandFramesReachTheTransmitterByteForByte) {
  WriteSettings("Show Host", "quorvix.so",
                "ComPort=2\nComSettings=38400,n,8,1\n");
  StartSim(2);
  ASSERT_EQ(Init("Show Host", "quorvix.so"), 0) << plugin_->last_error();
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  EXPECT_EQ(result_, -1);
  EXPECT_TRUE(messages_.empty());

  Bytes expected{0x63, 0x3F};  // the handshake query
  std::mt19937 random(7);
  std::uniform_int_distribution<int> channel(1, 512);
  std::uniform_int_distribution<int> value(0, 255);
  for (int i = 0; i < 10000; ++i) {
    const int c = channel(random);
    const int v = value(random);
    ASSERT_EQ(SetChannel(c, v), 0) << plugin_->last_error();
    ASSERT_EQ(result_, -1);
    const Bytes frame{0xFF,
                      static_cast<std::uint8_t>((c - 1) & 0xFF),
                      static_cast<std::uint8_t>(((c - 1) >> 8) & 0x7F),
                      0x01,
                      static_cast<std::uint8_t>(v),
                      0x00};
    expected.insert(expected.end(), frame.begin(), frame.end());
  }
  ASSERT_EQ(Disable(), 0);
  EXPECT_EQ(result_, -1);
  ASSERT_EQ(Term(), 0);
  EXPECT_EQ(result_, 0);

  // Closing the port waits for nothing: let the simulator read the rest.
  for (int i = 0; i < 100 && ReceivedBytes(SimLog(2)).size() < expected.size();
       ++i) {
    usleep(20000);
  }
  EXPECT_EQ(ReceivedBytes(SimLog(2)), expected);
  EXPECT_EQ(LoggedBytes(SimLog(2), "frame").size(), 10000u);

  EXPECT_EQ(ReadFile(SettingsFile("Show Host")),
            "[Plugins\\quorvix.so]\n"
            "ComPort=2\n"
            "ComSettings=38400,n,8,1\n"
            "DMXInActive=False\n"
            "DMXInChannels=50\n"
            "DMXInInterval=50\n");
}

TEST_F(LinkTest, FirstStartWritesTheDefaultsAtTerm) {
  ASSERT_EQ(Init("Fresh Host", "q.so"), 0);
  ASSERT_EQ(Term(), 0);
  EXPECT_EQ(ReadFile(SettingsFile("Fresh Host")),
            "[Plugins\\q.so]\n"
            "ComPort=1\n"
            "ComSettings=19200,n,8,1\n"
            "DMXInActive=False\n"
            "DMXInChannels=50\n"
            "DMXInInterval=50\n");
}

TEST_F(LinkTest, SlowLineWarnsButEnables) {
  StartSim(1);
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  EXPECT_EQ(result_, -1);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].is_error);
  EXPECT_EQ(messages_[0].title, "Quorvix Transmitter Driver");
  EXPECT_THAT(messages_[0].text, HasSubstr("Achtung:\r\nDie Übertragung"));
}

TEST_F(LinkTest, MissingPortShowsOpenFailure) {
  std::filesystem::create_symlink("/nonexistent/tty", PortLink(1));
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].is_error);
  EXPECT_EQ(messages_[0].text, kPortOpenFailed);
  EXPECT_EQ(CountTrace("[Quorvix] Enable: End"), 1u);
}

TEST_F(LinkTest, BusyPortShowsOpenFailure) {
  host::SimProcess& sim = StartSim(1);
  const int holder =
      open(sim.pty_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);

  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, kPortOpenFailed);
  close(holder);

  // Once the other program lets go, the same driver gets the line.
  messages_.clear();
  ASSERT_EQ(Enable(), 0);
  EXPECT_EQ(result_, -1);
}

TEST_F(LinkTest, SilentTransmitterFailsAfterTheWholeHandshake) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  StartSim(1, {"--silent"});
  ASSERT_EQ(Init("Host", "q.so"), 0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Enable(), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].is_error);
  EXPECT_EQ(messages_[0].text, kNotReady);
  // 201 passes, each with a 10 ms sleep.
  EXPECT_GE(took, std::chrono::milliseconds(2010));
  // The port stays open: SetChannel still finds the driver not ready.
  ASSERT_EQ(SetChannel(1, 1), 0);
  EXPECT_EQ(result_, 0);
}

TEST_F(LinkTest, HandshakeWithTrailingCarriageReturnFails) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  StartSim(1, {"--handshake-reply", "G\\r"});
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, kNotReady);
}

TEST_F(LinkTest, VanishedDeviceFailsClearlyAndIsNoticedOnce) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  host::SimProcess& sim = StartSimByStableName(1);
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  ASSERT_EQ(result_, -1);

  ASSERT_EQ(sim.Command("vanish").rfind("ok", 0), 0u);
  Pump(100);
  const int rc = SetChannel(1, 255);
  EXPECT_EQ(rc, 8020);
  EXPECT_THAT(std::string(plugin_->last_error()), HasSubstr("COM1"));

  // Nothing keeps firing for the dead line.
  trace_.clear();
  Pump(300);
  EXPECT_EQ(CountTrace("[Quorvix] OnComm: Begin"), 0u);
  EXPECT_EQ(Disable(), 0);
}

TEST_F(LinkTest, FloodingTransmitterDoesNotHangTheHandshake) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  StartSim(1, {"--flood"});
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  // The flood fills LastRecv before any "G" could arrive alone.
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, kNotReady);
  // The receive handler shows at most 4,000 bytes of the buffer.
  for (const std::string& line : trace_) EXPECT_LE(line.size(), 4100u);
}

TEST_F(LinkTest, CallsFromAnotherThreadAreRefused) {
  int rc = -1;
  std::string text;
  std::thread other([&] {
    qvx_bool result = 0;
    rc = plugin_->Disable(driver_, &result);
    text = plugin_->last_error();
  });
  other.join();
  EXPECT_EQ(rc, 5);
  EXPECT_THAT(text, HasSubstr("thread"));
  EXPECT_EQ(Disable(), 0);
}

TEST_F(LinkTest, NullArgumentsAreInvalid) {
  EXPECT_EQ(plugin_->Enable(nullptr, &result_), 5);
  EXPECT_EQ(plugin_->Enable(driver_, nullptr), 5);
  EXPECT_THAT(std::string(plugin_->last_error()), HasSubstr("result"));
  qvx_bool result = 0;
  EXPECT_EQ(plugin_->Init(driver_, nullptr, "q.so", nullptr, &result), 5);
  const char* name = nullptr;
  ASSERT_EQ(plugin_->PluginName(driver_, &name), 0);
  EXPECT_STREQ(name, "Quorvix Transmitter");
}

}  // namespace
}  // namespace quorvix::test
