#pragma once
// What the transmitter answers to each request, and how it can be told to
// misbehave (silence, a different handshake answer, another trailing byte).

#include <optional>
#include <string_view>

#include "bytes.h"
#include "protocol_parser.h"
#include "universe.h"

namespace quorvix::sim {

inline constexpr std::string_view kInfoText =
    "Quorvix-Sim DMX-Transmitter, 512 out / 512 in\r\n";
inline constexpr std::string_view kSetupText =
    "Quorvix-Sim setup menu: nothing to set\r\n";

struct Reply {
  std::string_view kind;  // "handshake", "dmxin", "info" or "setup"
  Bytes bytes;
};

class Responder {
 public:
  // The reply the request calls for, or none (not a request, or silent).
  // The DMX-In reply is input channels 1 to n, then the trailing byte.
  std::optional<Reply> ReplyTo(const Event& event, const Universe& input) const;

  // Names the kind of reply a request would get, also while silent.
  static std::optional<std::string_view> KindOf(const Event& event);

  bool silent = false;
  Bytes handshake_reply{'G'};
  std::uint8_t trailer = 0x00;
};

}  // namespace quorvix::sim
