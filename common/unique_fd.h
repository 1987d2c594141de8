#pragma once
// Owns one file descriptor and closes it when it goes.

#include <unistd.h>

#include "common/scoped_handle.h"

namespace quorvix::common {

struct FdTraits {
  static int Invalid() { return -1; }
  static bool IsValid(int fd) { return fd >= 0; }
  static void Free(int fd) { ::close(fd); }
};

using UniqueFd = ScopedHandle<FdTraits>;

}  // namespace quorvix::common
