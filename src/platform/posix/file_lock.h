#pragma once
// An advisory lock (flock) on a lock file, held while the owner lives.

#include <chrono>
#include <string>

#include "common/unique_fd.h"

namespace quorvix::posix {

class FileLock {
 public:
  // Creates `lock_path` if need be and takes its exclusive lock, waiting at
  // most `wait` for another holder to let go: a stuck program must not stop
  // this one for ever. Failing, throws 75 naming `guarded`, the file the
  // lock stands for.
  FileLock(const std::string& lock_path, const std::string& guarded,
           std::chrono::milliseconds wait);

 private:
  // Closing the file lets go of the lock.
  common::UniqueFd fd_;
};

}  // namespace quorvix::posix
