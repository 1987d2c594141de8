#pragma once
// The serial devices present on this machine, as udev knows them: what a
// user needs to tell them apart and to name one that survives a replug.

#include <string>
#include <vector>

namespace quorvix::posix {

struct SerialDevice {
  std::string device;       // "/dev/ttyUSB0"
  std::string stable_name;  // "/dev/serial/by-id/usb-...", empty if none
  std::string usb_id;       // "0403:6001", empty when not on USB
  std::string description;  // "FTDI FT232R USB UART", empty if unknown
};

// Terminal devices with hardware behind them (UARTs that answer, USB and
// platform adapters), in the order udev lists them; virtual consoles and
// pseudo-terminals are left out. The udev database gives the stable names
// where udevd runs; sysfs alone still gives the rest.
std::vector<SerialDevice> PresentSerialDevices();

// The name in `folder` (udev's /dev/serial/by-id) that leads to the same
// device as `device`, or empty when none does.
std::string StableNameOf(const std::string& device,
                         const std::string& folder = "/dev/serial/by-id");

}  // namespace quorvix::posix
