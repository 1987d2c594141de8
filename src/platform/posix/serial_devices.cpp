#include "platform/posix/serial_devices.h"

#include <dirent.h>
#include <libudev.h>
#include <sys/stat.h>

#include <memory>
#include <string_view>

namespace quorvix::posix {
namespace {

struct UdevUnref {
  void operator()(udev* context) const { udev_unref(context); }
  void operator()(udev_enumerate* list) const { udev_enumerate_unref(list); }
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string Attribute(udev_device* device, const char* name) {
  std::string value = Text(udev_device_get_sysattr_value(device, name));
  while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
    value.pop_back();
  }
  return value;
}

// "FTDI" and "FT232R USB UART" make "FTDI FT232R USB UART"; a product that
// already names its maker stands alone.
std::string Joined(const std::string& maker, const std::string& product) {
  if (maker.empty() || product.starts_with(maker)) return product;
  if (product.empty()) return maker;
  return maker + " " + product;
}

// The 8250 driver makes a ttyS for every UART it might have; "type" 0
// (unknown) says none answered there.
bool IsAbsentUart(udev_device* tty, udev_device* parent) {
  const std::string driver = Text(udev_device_get_driver(parent));
  return driver.starts_with("serial8250") && Attribute(tty, "type") == "0";
}

void AddUsb(udev_device* tty, SerialDevice& found) {
  udev_device* const usb =
      udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
  if (usb == nullptr) return;
  found.usb_id = Attribute(usb, "idVendor") + ":" + Attribute(usb, "idProduct");
  found.description =
      Joined(Attribute(usb, "manufacturer"), Attribute(usb, "product"));
  if (found.description.empty()) {
    found.description = Joined(
        Text(udev_device_get_property_value(tty, "ID_VENDOR_FROM_DATABASE")),
        Text(udev_device_get_property_value(tty, "ID_MODEL_FROM_DATABASE")));
  }
}

std::string StableLink(udev_device* tty) {
  constexpr std::string_view kById = "/dev/serial/by-id/";
  for (udev_list_entry* link = udev_device_get_devlinks_list_entry(tty);
       link != nullptr; link = udev_list_entry_get_next(link)) {
    const std::string name = Text(udev_list_entry_get_name(link));
    if (name.starts_with(kById)) return name;
  }
  return {};
}

}  // namespace

std::vector<SerialDevice> PresentSerialDevices() {
  std::vector<SerialDevice> devices;
  const UdevPtr<udev> context(udev_new());
  if (!context) return devices;
  const UdevPtr<udev_enumerate> list(udev_enumerate_new(context.get()));
  if (!list || udev_enumerate_add_match_subsystem(list.get(), "tty") < 0 ||
      udev_enumerate_scan_devices(list.get()) < 0) {
    return devices;
  }
  for (udev_list_entry* entry = udev_enumerate_get_list_entry(list.get());
       entry != nullptr; entry = udev_list_entry_get_next(entry)) {
    const UdevPtr<udev_device> tty(udev_device_new_from_syspath(
        context.get(), udev_list_entry_get_name(entry)));
    if (!tty) continue;
    udev_device* const parent = udev_device_get_parent(tty.get());
    const std::string node = Text(udev_device_get_devnode(tty.get()));
    if (parent == nullptr || node.empty() || IsAbsentUart(tty.get(), parent)) {
      continue;
    }
    SerialDevice found{node, StableLink(tty.get()), {}, {}};
    if (found.stable_name.empty()) found.stable_name = StableNameOf(node);
    AddUsb(tty.get(), found);
    devices.push_back(std::move(found));
  }
  return devices;
}

std::string StableNameOf(const std::string& device, const std::string& folder) {
  struct stat wanted {};
  if (stat(device.c_str(), &wanted) != 0 || !S_ISCHR(wanted.st_mode)) return {};
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()),
                                                closedir);
  if (!dir) return {};
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = folder + "/" + entry->d_name;
    struct stat info {};
    if (entry->d_name[0] != '.' && stat(name.c_str(), &info) == 0 &&
        S_ISCHR(info.st_mode) && info.st_rdev == wanted.st_rdev) {
      return name;
    }
  }
  return {};
}

}  // namespace quorvix::posix
