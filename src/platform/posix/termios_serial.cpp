#include "platform/posix/termios_serial.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "common/unique_fd.h"
#include "platform/error.h"
#include "platform/posix/line_termios.h"
#include "platform/posix/port_links.h"
#include "platform/posix/termios_connection.h"
#include "platform/trace_line.h"

namespace quorvix::posix {
namespace {

// Serial devices belong to a group (dialout on Debian) whose members may
// open them; a user new to Linux rarely knows.
std::string PermissionHint(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  const group* const owner = getgrgid(info.st_gid);
  if (owner == nullptr || info.st_gid == 0) return {};
  const std::string name = owner->gr_name;
  return "; members of the group " + name +
         " may open it: sudo usermod -aG " + name +
         " $USER, then log in again";
}

[[noreturn]] void ThrowOpenError(int error, const std::string& name,
                                 const std::string& path) {
  // A pulled adapter leaves its link dangling: the target says which.
  std::error_code unreadable;
  const std::filesystem::path target =
      std::filesystem::read_symlink(path, unreadable);
  const std::string shown =
      unreadable ? path : path + " -> " + target.string();
  const std::string detail = " (" + shown + ": " + std::strerror(error) + ")";
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case ELOOP: throw Error(kPortMissing, name + " does not exist" + detail);
    case EBUSY:
    case EWOULDBLOCK:
      throw Error(
          kPortInUse,
          name + " is already open or in use by another program" + detail);
    case EACCES:
    case EPERM:
      throw Error(kDeviceFailed, name + " cannot be opened" + detail +
                                     PermissionHint(path));
    default: throw Error(kDeviceFailed, name + " cannot be opened" + detail);
  }
}

}  // namespace

std::string TermiosSerial::DevicePath(int port) {
  const auto offer = offers_.find(port);
  struct stat info {};
  if (offer == offers_.end() || lstat(PortLinkPath(port).c_str(), &info) == 0) {
    return PortDevicePath(port);
  }
  const std::string device = offer->second;
  offers_.erase(offer);
  try {
    LinkPort(port, device);
    Trace(trace_, "[Quorvix] COM" + std::to_string(port) + " is now " +
                      device + " (" + PortLinkPath(port) + ")");
    return PortLinkPath(port);
  } catch (const Error& error) {
    // The user chose this adapter: it is used, if only this once.
    Trace(trace_, std::string("[Quorvix] ") + error.what());
    return device;
  }
}

TermiosSerial::TermiosSerial(const PinnedContext& context, TraceSink& trace,
                             DeviceSource devices)
    : context_(context.get()), trace_(trace), devices_(std::move(devices)) {}

std::unique_ptr<SerialConnection> TermiosSerial::Open(
    int port, const LineSettings& settings, std::function<void()> on_receive) {
  if (port < 1 || port > 255) {
    throw Error(kInvalidPropertyValue,
                "port number " + std::to_string(port) + " is outside 1 to 255");
  }
  const std::string name = "COM" + std::to_string(port);
  const std::string path = DevicePath(port);
  common::UniqueFd fd(
      open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) ThrowOpenError(errno, name, path);
  // The lock comes first: TIOCEXCL and its undoing on close must only ever
  // touch a device this process holds.
  if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    ThrowOpenError(errno, name, path);
  }
  if (!isatty(fd.get())) {
    throw Error(kDeviceFailed, name + " is not a serial device (" + path + ")");
  }
  ApplyLineSettings(fd.get(), settings, name);
  if (ioctl(fd.get(), TIOCEXCL) != 0) ThrowOpenError(errno, name, path);
  // A pseudo-terminal says 0 is queued however full it is.
  const bool counts_queue = !IsPseudoTerminal(fd.get());
  return std::make_unique<TermiosConnection>(fd.release(), name, settings.baud,
                                             counts_queue, context_, trace_,
                                             std::move(on_receive));
}

}  // namespace quorvix::posix
