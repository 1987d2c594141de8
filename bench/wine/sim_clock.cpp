#include "sim_clock.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace quorvix::bench {
namespace {

// A reply later than this is a lost datagram; one that comes later still is
// told from the next reply by its sequence number.
constexpr long long kReplyWaitUs = 200'000;

std::runtime_error SocketError(const char* what) {
  return std::runtime_error(std::string(what) + " (Winsock error " +
                            std::to_string(WSAGetLastError()) + ")");
}

}  // namespace

long long LocalMicroseconds() {
  static const long long frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart / frequency * 1'000'000 +
         counter.QuadPart % frequency * 1'000'000 / frequency;
}

SimClock::SimClock(unsigned short echo_port) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    throw std::runtime_error("Winsock does not start");
  }
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in echo{};
  echo.sin_family = AF_INET;
  echo.sin_port = htons(echo_port);
  echo.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  u_long non_blocking = 1;
  if (socket_ == INVALID_SOCKET ||
      connect(socket_, reinterpret_cast<const sockaddr*>(&echo), sizeof echo) !=
          0 ||
      ioctlsocket(socket_, FIONBIO, &non_blocking) != 0) {
    const auto error = SocketError("no socket to the clock echo");
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    WSACleanup();
    throw error;
  }
}

SimClock::~SimClock() {
  closesocket(socket_);
  WSACleanup();
}

// The reply is awaited by asking again and again, not by a blocking
// receive: Wine wakes a blocked receive through its server, which would add
// its own delay to one leg of the round trip.
bool SimClock::RoundTrip(Placement& placement) {
  const std::string request = std::to_string(++sequence_);
  const long long sent = LocalMicroseconds();
  if (send(socket_, request.data(), static_cast<int>(request.size()), 0) !=
      static_cast<int>(request.size())) {
    return false;
  }
  char reply[64];
  for (;;) {
    const int size = recv(socket_, reply, sizeof reply - 1, 0);
    const long long now = LocalMicroseconds();
    if (size > 0) {
      reply[size] = '\0';
      char* rest = nullptr;
      const unsigned long sequence = std::strtoul(reply, &rest, 10);
      if (sequence != sequence_ || *rest != ' ') continue;  // a late one
      const long long echo_us = std::strtoll(rest + 1, nullptr, 10);
      placement.local_us = sent + (now - sent) / 2;
      placement.offset_us = echo_us - placement.local_us;
      placement.round_trip_us = now - sent;
      return true;
    }
    if (size < 0 && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    if (now - sent > kReplyWaitUs) return false;
  }
}

Placement SimClock::Place(int round_trips) {
  Placement best;
  bool placed = false;
  for (int i = 0; i < round_trips; ++i) {
    Placement placement;
    if (!RoundTrip(placement)) {
      if (!placed && i >= 4) break;  // no echo there
      continue;
    }
    if (!placed || placement.round_trip_us < best.round_trip_us) {
      best = placement;
      placed = true;
    }
    Sleep(1);  // spread over time, and leave the echo's core alone
  }
  if (!placed) {
    throw SocketError("no answer from the clock echo on 127.0.0.1");
  }
  return best;
}

long long ToSimulator(long long local_us, const Placement& before,
                      const Placement& after) {
  const long long span = after.local_us - before.local_us;
  if (span <= 0) return local_us + before.offset_us;
  const double share = static_cast<double>(local_us - before.local_us) /
                       static_cast<double>(span);
  return local_us + before.offset_us +
         static_cast<long long>(
             share * static_cast<double>(after.offset_us - before.offset_us));
}

}  // namespace quorvix::bench
