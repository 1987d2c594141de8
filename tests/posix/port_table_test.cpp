#include "platform/posix/port_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>

#include "common/temp_folder.h"
#include "platform/error.h"
#include "platform/posix/glib_event_loop.h"
#include "platform/posix/port_links.h"
#include "platform/posix/serial_devices.h"
#include "platform/posix/termios_serial.h"
#include "temp_config.h"

namespace quorvix::test {
namespace {

using namespace quorvix::posix;
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

SerialDevice Adapter(const std::string& device, const std::string& by_id) {
  return {device, "/dev/serial/by-id/" + by_id, "0403:6001", "FTDI FT232R"};
}

TEST(PortTable, LinksUartsAndOfferedAdaptersEachHaveANumber) {
  TempConfigHome home;
  const SerialDevice linked = Adapter("/dev/ttyUSB2", "usb-C");
  const std::vector<SerialDevice> devices{{"/dev/ttyS0", {}, {}, {}},
                                          {"/dev/ttyS2", {}, {}, {}},
                                          Adapter("/dev/ttyUSB1", "usb-B"),
                                          Adapter("/dev/ttyUSB0", "usb-A"),
                                          linked};
  // COM3 is a link, so ttyS2 (its UART number) is hidden behind it; COM9
  // leads nowhere now.
  const std::vector<PortEntry> table =
      BuildPortTable({{3, "/dev/serial/by-id/usb-C", "/dev/ttyUSB2"},
                      {9, "/dev/serial/by-id/gone", ""}},
                     devices);
  std::vector<int> numbers;
  for (const PortEntry& entry : table) numbers.push_back(entry.port);
  // Adapters take the lowest free numbers, by stable name, not in the order
  // the kernel found them.
  EXPECT_THAT(numbers, ElementsAre(1, 2, 3, 4, 9));
  EXPECT_EQ(table[0].path, "/dev/ttyS0");
  EXPECT_FALSE(table[0].offered);
  EXPECT_EQ(table[1].path, "/dev/serial/by-id/usb-A");
  EXPECT_TRUE(table[1].offered);
  EXPECT_EQ(table[1].device->device, "/dev/ttyUSB0");
  EXPECT_EQ(table[2].path, PortLinkPath(3));
  EXPECT_EQ(table[2].link_target, "/dev/serial/by-id/usb-C");
  EXPECT_EQ(table[2].device->usb_id, "0403:6001");
  EXPECT_FALSE(table[2].offered);
  EXPECT_EQ(table[3].path, "/dev/serial/by-id/usb-B");
  EXPECT_TRUE(table[3].offered);
  EXPECT_FALSE(table[4].device.has_value());
  EXPECT_EQ(table[4].link_target, "/dev/serial/by-id/gone");
}

TEST(PortTable, AnAdapterWithoutAStableNameIsOfferedByItsKernelName) {
  const std::vector<PortEntry> table =
      BuildPortTable({}, {{"/dev/ttyACM0", {}, "2341:0043", "Arduino Uno"}});
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].port, 1);
  EXPECT_EQ(table[0].path, "/dev/ttyACM0");
  EXPECT_TRUE(table[0].offered);
}

TEST(PortLinks, APortIsItsLinkElseItsUartAndALinkIsReplacedWhole) {
  TempConfigHome home;
  EXPECT_EQ(PortDevicePath(4), "/dev/ttyS3");
  LinkPort(4, "/dev/serial/by-id/usb-A");
  const fs::path link = home.quorvix() / "ports" / "COM4";
  EXPECT_EQ(PortDevicePath(4), link.string());
  EXPECT_EQ(fs::read_symlink(link), "/dev/serial/by-id/usb-A");
  LinkPort(4, "/dev/serial/by-id/usb-B");
  EXPECT_EQ(fs::read_symlink(link), "/dev/serial/by-id/usb-B");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(link.parent_path())) {
    names.push_back(entry.path().filename());
  }
  EXPECT_THAT(names, ElementsAre("COM4"));
}

TEST(PortLinks, ALinkThatCannotBeWrittenIsAStoreErrorNamingIt) {
  TempConfigHome home;
  fs::create_directories(home.quorvix());
  // A file where the folder should be: even root cannot write there.
  std::ofstream(home.quorvix() / "ports") << "not a folder";
  try {
    LinkPort(2, "/dev/ttyUSB0");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), kStoreFailure);
    EXPECT_THAT(error.what(), HasSubstr(PortLinkPath(2)));
    EXPECT_THAT(error.what(), HasSubstr("/dev/ttyUSB0"));
  }
}

TEST(SerialDevices, TheStableNameIsTheLinkToTheSameDevice) {
  const common::TempFolder folder("quorvix-by-id");
  fs::create_symlink("/dev/zero", folder.path() / "usb-Other-if00");
  fs::create_symlink("/dev/null", folder.path() / "usb-Wanted-if00");
  EXPECT_EQ(StableNameOf("/dev/null", folder.path()),
            (folder.path() / "usb-Wanted-if00").string());
  EXPECT_EQ(StableNameOf("/dev/full", folder.path()), "");
  EXPECT_EQ(StableNameOf("/dev/null", folder.path() / "none"), "");
}

struct SilentTrace : TraceSink {
  bool Listening() const override { return true; }
  void Write(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

TEST(PortTable, OpeningAnOfferedAdapterLinksItByItsStableName) {
  TempConfigHome home;
  int master = -1;
  int slave = -1;
  std::array<char, 256> name{};
  ASSERT_EQ(openpty(&master, &slave, name.data(), nullptr, nullptr), 0);
  // The pseudo-terminal stands for an adapter whose stable name is a link.
  const common::TempFolder by_id("quorvix-by-id");
  const fs::path stable = by_id.path() / "usb-Test-if00";
  fs::create_symlink(name.data(), stable);
  const auto context = std::unique_ptr<GMainContext, void (*)(GMainContext*)>(
      g_main_context_new(), g_main_context_unref);
  const PinnedContext pinned(context.get());
  SilentTrace trace;
  TermiosSerial serial(pinned, trace, [&] {
    return std::vector<SerialDevice>{{name.data(), stable, {}, {}}};
  });
  EXPECT_THAT(serial.ExistingPorts(), ElementsAre(1));
  {
    const auto connection = serial.Open(1, {19200}, [] {});
    EXPECT_EQ(fs::read_symlink(home.quorvix() / "ports" / "COM1"), stable);
  }
  EXPECT_THAT(trace.lines,
              ElementsAre("[Quorvix] COM1 is now " + stable.string() + " (" +
                          PortLinkPath(1) + ")"));
  // Linked now: listed as the link, no longer offered.
  const std::vector<PortEntry> table =
      CurrentPortTable({{name.data(), stable, {}, {}}});
  ASSERT_EQ(table.size(), 1u);
  EXPECT_FALSE(table[0].offered);
  EXPECT_EQ(table[0].link_target, stable);
  close(master);
  close(slave);
}

}  // namespace
}  // namespace quorvix::test
