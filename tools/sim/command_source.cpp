#include "command_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace quorvix::sim {

common::UniqueFd OpenCommandSource(const std::string& path) {
  struct stat info {};
  const bool fifo = stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
  common::UniqueFd fd(
      open(path.c_str(), (fifo ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK));
  if (!fd.is_valid()) {
    throw std::runtime_error("--commands " + path + ": " +
                             std::strerror(errno));
  }
  return fd;
}

void Detach() {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) {
    throw std::runtime_error(std::string("--background: cannot fork: ") +
                             std::strerror(errno));
  }
  if (child > 0) {
    std::printf("%d\n", static_cast<int>(child));
    std::fflush(stdout);
    _exit(0);
  }
  setsid();
  // Whoever started it may wait for the end of its output ($(...)).
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
      dup2(null, fd);
    }
    close(null);
  }
}

}  // namespace quorvix::sim
