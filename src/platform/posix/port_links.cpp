#include "platform/posix/port_links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/error.h"
#include "platform/posix/config_home.h"

namespace quorvix::posix {

std::string PortLinkPath(int port) {
  return QuorvixConfigDir() + "/ports/COM" + std::to_string(port);
}

std::string PortDevicePath(int port) {
  const std::string link = PortLinkPath(port);
  struct stat info {};
  if (lstat(link.c_str(), &info) == 0) return link;
  return "/dev/ttyS" + std::to_string(port - 1);
}

void LinkPort(int port, const std::string& device) {
  const std::string link = PortLinkPath(port);
  const auto fail = [&](const std::string& what, int error) {
    throw Error(kStoreFailure, "cannot link " + link + " to " + device + ": " +
                                   what + ": " + std::strerror(error));
  };
  std::error_code made;
  std::filesystem::create_directories(std::filesystem::path(link).parent_path(),
                                      made);
  if (made) fail("cannot make its folder", made.value());
  // A link made beside it and renamed over it: a reader sees the old device
  // or the new one, never no link.
  const std::string fresh = link + ".new" + std::to_string(getpid());
  unlink(fresh.c_str());
  if (symlink(device.c_str(), fresh.c_str()) != 0) fail("symlink", errno);
  if (rename(fresh.c_str(), link.c_str()) != 0) {
    const int error = errno;
    unlink(fresh.c_str());
    fail("rename", error);
  }
}

}  // namespace quorvix::posix
