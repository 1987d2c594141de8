#include "responder.h"

namespace quorvix::sim {
namespace {

Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace

std::optional<std::string_view> Responder::KindOf(const Event& event) {
  if (std::holds_alternative<HandshakeQuery>(event)) return "handshake";
  if (std::holds_alternative<DmxInRequest>(event)) return "dmxin";
  if (std::holds_alternative<InfoRequest>(event)) return "info";
  if (std::holds_alternative<SetupRequest>(event)) return "setup";
  return std::nullopt;
}

std::optional<Reply> Responder::ReplyTo(const Event& event,
                                        const Universe& input) const {
  const auto kind = KindOf(event);
  if (!kind || silent) return std::nullopt;
  if (std::holds_alternative<HandshakeQuery>(event))
    return Reply{*kind, handshake_reply};
  if (std::holds_alternative<InfoRequest>(event))
    return Reply{*kind, BytesOf(kInfoText)};
  if (std::holds_alternative<SetupRequest>(event))
    return Reply{*kind, BytesOf(kSetupText)};
  const int count = std::get<DmxInRequest>(event).count;
  Bytes bytes;
  bytes.reserve(count + 1);
  for (int channel = 1; channel <= count; ++channel)
    bytes.push_back(input.Get(channel));
  bytes.push_back(trailer);
  return Reply{*kind, std::move(bytes)};
}

}  // namespace quorvix::sim
