#pragma once
// Splits the byte stream from the driver into requests. Bytes may arrive in
// any pieces; a request is recognised once its last byte is in.
//
//   FF lo hi 01 value 00   channel frame, channel = ((hi & 7F) << 8 | lo) + 1
//   63 3F ("c?")           handshake query
//   FC 00 00 n             DMX-In request for n values
//   49 ("I"), 53 ("S")     information text, setup menu
//
// Any other byte outside a request is reported as unknown on its own; a "c"
// not followed by "?" is unknown and the byte after it starts afresh. A
// channel frame or DMX-In request with a wrong fixed byte is dropped as
// malformed as soon as the wrong byte arrives, and the parser then skips
// everything up to the next FF (which may lie inside the dropped bytes),
// since only FF can start a frame with certainty.

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "bytes.h"

namespace quorvix::sim {

struct ChannelFrame {
  int channel;  // 1 to 32768; only 1 to 512 address the universe
  std::uint8_t value;
  bool operator==(const ChannelFrame&) const = default;
};
struct HandshakeQuery {
  bool operator==(const HandshakeQuery&) const = default;
};
struct DmxInRequest {
  std::uint8_t count;
  bool operator==(const DmxInRequest&) const = default;
};
struct InfoRequest {
  bool operator==(const InfoRequest&) const = default;
};
struct SetupRequest {
  bool operator==(const SetupRequest&) const = default;
};
struct UnknownByte {
  std::uint8_t byte;
  bool operator==(const UnknownByte&) const = default;
};
// The bytes of a broken frame or request, up to the next FF among them.
struct Malformed {
  Bytes bytes;
  bool operator==(const Malformed&) const = default;
};
// Bytes skipped while looking for an FF after a malformed frame.
struct Discarded {
  Bytes bytes;
  bool operator==(const Discarded&) const = default;
};

using Event =
    std::variant<ChannelFrame, HandshakeQuery, DmxInRequest, InfoRequest,
                 SetupRequest, UnknownByte, Malformed, Discarded>;

class ProtocolParser {
 public:
  // Appends the events completed by these bytes, in stream order. Skipped
  // bytes are reported at the latest at the end of each call, so nothing
  // accumulates while the driver sends garbage.
  void Feed(std::span<const std::uint8_t> bytes, std::vector<Event>& events);

 private:
  void Push(std::uint8_t byte, std::vector<Event>& events);
  void Complete(std::vector<Event>& events);
  void Reject(std::vector<Event>& events);
  void FlushDiscarded(std::vector<Event>& events);

  Bytes pending_;  // an unfinished request, at most 6 bytes
  bool resyncing_ = false;
  Bytes discarded_;
};

}  // namespace quorvix::sim
