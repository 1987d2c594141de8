#pragma once
// A pseudo-terminal standing in for a serial device: the back end opens the
// slave by its path, the test plays the far end on the master.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/unique_fd.h"

namespace quorvix::test {

class PtyPair {
 public:
  PtyPair() {
    std::array<char, 256> name{};
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, name.data(), nullptr, nullptr) != 0) {
      std::abort();  // nothing to test without one
    }
    master_.reset(master);
    slave_.reset(slave);
    slave_path_ = name.data();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  }

  int master() const { return master_.get(); }
  int slave() const { return slave_.get(); }
  const std::string& slave_path() const { return slave_path_; }

  // The far end hangs up: the back end sees the line gone.
  void CloseMaster() { master_.reset(); }

  bool Send(std::string_view bytes) const {
    return write(master(), bytes.data(), bytes.size()) ==
           static_cast<ssize_t>(bytes.size());
  }

  // Up to `count` bytes the back end wrote; gives up after 5 s of silence.
  std::string Received(std::size_t count) const {
    std::string bytes;
    std::array<char, 4096> chunk{};
    while (bytes.size() < count) {
      pollfd ready{master(), POLLIN, 0};
      if (poll(&ready, 1, 5000) <= 0) break;
      const ssize_t n = read(master(), chunk.data(),
                             std::min(chunk.size(), count - bytes.size()));
      if (n <= 0) break;
      bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
    return bytes;
  }

 private:
  common::UniqueFd master_;
  common::UniqueFd slave_;
  std::string slave_path_;
};

}  // namespace quorvix::test
