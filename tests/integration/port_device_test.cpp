// qvx_set_port_device: a host names the device of the driver's port, and it
// stays named for later runs.

#include <filesystem>

#include "plugin_fixture.h"

namespace quorvix::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

constexpr int kInvalidArgumentError = 5;

class PortDeviceTest : public PluginFixture {};

TEST_F(PortDeviceTest, TheNamedDeviceIsThePortsLinkAndIsOpenedAtEnable) {
  // The simulator stands for an adapter under its stable name; the settings
  // name port 4, which has no link yet.
  const std::filesystem::path stable = StartUnlinkedSim("usb-sim");
  WriteSettings("Host", "q.so", "ComPort=4\n");
  std::int32_t port = 0;
  EXPECT_EQ(plugin_->set_port_device(driver_, stable.c_str(), &port),
            kInvalidArgumentError)
      << "before Init there is no port";
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(plugin_->set_port_device(driver_, stable.c_str(), &port), 0)
      << plugin_->last_error();
  EXPECT_EQ(port, 4);
  EXPECT_EQ(std::filesystem::read_symlink(PortLink(4)), stable);
  EXPECT_THAT(trace_, Contains("[Quorvix] COM4 is now " + stable.string() +
                               " (" + PortLink(4).string() + ")"));
  ASSERT_EQ(Enable(), 0);
  EXPECT_EQ(result_, -1) << "the transmitter behind the named device answers";
}

TEST_F(PortDeviceTest, ARelativeOrMissingPathIsRefusedByName) {
  ASSERT_EQ(Init("Host", "q.so"), 0);
  std::int32_t port = 0;
  EXPECT_EQ(plugin_->set_port_device(driver_, "ttyUSB0", &port),
            kInvalidArgumentError);
  EXPECT_THAT(plugin_->last_error(), HasSubstr("\"ttyUSB0\""));
  EXPECT_EQ(plugin_->set_port_device(driver_, nullptr, &port),
            kInvalidArgumentError);
  EXPECT_FALSE(std::filesystem::is_symlink(PortLink(1)));
}

}  // namespace
}  // namespace quorvix::test
