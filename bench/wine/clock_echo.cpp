// The Linux end of the Wine benchmark's clock: answers each datagram on
// 127.0.0.1 with the datagram, a space and CLOCK_MONOTONIC in microseconds
// at its arrival, the clock quorvix-sim logs with, so that a Windows program
// under Wine can place its own clock against it by round trips. Prints
// "port N" once it listens; ends on SIGTERM, or after ten minutes with no
// datagram.
//   wine_clock_echo

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/unique_fd.h"

namespace {

constexpr int kIdleMs = 600'000;

long long MonotonicMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main() {
  const quorvix::common::UniqueFd socket_fd(
      ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (!socket_fd.is_valid() ||
      ::bind(socket_fd.get(), reinterpret_cast<const sockaddr*>(&address),
             sizeof address) != 0 ||
      ::getsockname(socket_fd.get(), reinterpret_cast<sockaddr*>(&address),
                    &length) != 0) {
    std::fprintf(stderr, "wine_clock_echo: no socket on 127.0.0.1: %s\n",
                 std::strerror(errno));
    return 1;
  }
  std::printf("port %d\n", ntohs(address.sin_port));
  std::fflush(stdout);

  for (;;) {
    pollfd ready{socket_fd.get(), POLLIN, 0};
    const int polled = ::poll(&ready, 1, kIdleMs);
    if (polled == 0) return 0;
    if (polled < 0) {
      if (errno == EINTR) continue;
      std::perror("wine_clock_echo: poll");
      return 1;
    }
    char request[64];
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t size =
        ::recvfrom(socket_fd.get(), request, sizeof request, 0,
                   reinterpret_cast<sockaddr*>(&from), &from_length);
    const long long now = MonotonicMicroseconds();
    if (size < 0) continue;
    const std::string reply =
        std::string(request, static_cast<std::size_t>(size)) + ' ' +
        std::to_string(now);
    ::sendto(socket_fd.get(), reply.data(), reply.size(), 0,
             reinterpret_cast<const sockaddr*>(&from), from_length);
  }
}
