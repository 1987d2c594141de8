#include "platform/posix/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/error.h"

namespace quorvix::posix {

FileLock::FileLock(const std::string& lock_path, const std::string& guarded,
                   const std::chrono::milliseconds wait)
    : fd_(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
  if (!fd_.is_valid()) {
    const int error = errno;
    throw Error(kStoreFailure, "cannot open the lock file \"" + lock_path +
                                   "\" of the settings file \"" + guarded +
                                   "\": " + std::strerror(error));
  }
  // flock cannot time out; polling it can, and needs no signal.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + wait;
  std::chrono::milliseconds pause{1};
  while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK) {
      throw Error(kStoreFailure, "cannot lock the settings file \"" + guarded +
                                     "\" (lock file \"" + lock_path +
                                     "\"): " + std::strerror(error));
    }
    if (Clock::now() >= deadline) {
      throw Error(kStoreFailure,
                  "the settings file \"" + guarded +
                      "\" is locked by another program, which did not let go "
                      "of its lock file \"" +
                      lock_path + "\" within " + std::to_string(wait.count()) +
                      " ms");
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds{50});
  }
}

}  // namespace quorvix::posix
