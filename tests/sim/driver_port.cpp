#include "driver_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace quorvix::test {
namespace {

constexpr int kGuardMs = 10'000;

}  // namespace

Port::Port(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}

void Port::Write(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{fd_.get(), POLLOUT, 0};
      if (::poll(&p, 1, kGuardMs) <= 0) return;
    } else {
      return;
    }
  }
}

std::vector<std::uint8_t> Port::Read(std::size_t count) {
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < count) {
    pollfd p{fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, kGuardMs) <= 0) break;
    std::uint8_t chunk[512];
    const ssize_t n =
        ::read(fd_.get(), chunk, std::min(sizeof chunk, count - bytes.size()));
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

void Port::SetSpeed(unsigned speed) {
  termios settings{};
  ::tcgetattr(fd_.get(), &settings);
  ::cfsetispeed(&settings, speed);
  ::cfsetospeed(&settings, speed);
  ::tcsetattr(fd_.get(), TCSANOW, &settings);
}

bool Port::Readable() {
  pollfd p{fd_.get(), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

bool Port::HungUp() {
  pollfd p{fd_.get(), 0, 0};
  return ::poll(&p, 1, kGuardMs) > 0 && (p.revents & POLLHUP);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace quorvix::test
