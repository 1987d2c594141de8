#include "protocol_parser.h"

#include <algorithm>

namespace quorvix::sim {
namespace {

constexpr std::uint8_t kFrameStart = 0xFF;
constexpr std::uint8_t kDmxInStart = 0xFC;
constexpr std::uint8_t kQueryFirst = 'c';
constexpr std::uint8_t kQuerySecond = '?';
constexpr std::size_t kMaxDiscardedPerEvent = 256;

}  // namespace

void ProtocolParser::Feed(std::span<const std::uint8_t> bytes,
                          std::vector<Event>& events) {
  for (const std::uint8_t b : bytes) Push(b, events);
  FlushDiscarded(events);
}

void ProtocolParser::Push(std::uint8_t byte, std::vector<Event>& events) {
  if (resyncing_) {
    if (byte != kFrameStart) {
      discarded_.push_back(byte);
      if (discarded_.size() >= kMaxDiscardedPerEvent) FlushDiscarded(events);
      return;
    }
    FlushDiscarded(events);
    resyncing_ = false;
  }
  if (pending_.empty()) {
    switch (byte) {
      case kFrameStart:
      case kDmxInStart:
      case kQueryFirst: pending_.push_back(byte); return;
      case 'I': events.emplace_back(InfoRequest{}); return;
      case 'S': events.emplace_back(SetupRequest{}); return;
      default: events.emplace_back(UnknownByte{byte}); return;
    }
  }
  pending_.push_back(byte);
  const std::size_t at = pending_.size() - 1;
  switch (pending_.front()) {
    case kFrameStart:
      if ((at == 3 && byte != 0x01) || (at == 5 && byte != 0x00))
        return Reject(events);
      if (at == 5) Complete(events);
      return;
    case kDmxInStart:
      if ((at == 1 || at == 2) && byte != 0x00) return Reject(events);
      if (at == 3) Complete(events);
      return;
    default:  // 'c'
      if (byte == kQuerySecond) return Complete(events);
      pending_.clear();
      events.emplace_back(UnknownByte{kQueryFirst});
      Push(byte, events);
      return;
  }
}

void ProtocolParser::Complete(std::vector<Event>& events) {
  switch (pending_.front()) {
    case kFrameStart: {
      const int zero_based = (pending_[2] & 0x7F) << 8 | pending_[1];
      events.emplace_back(ChannelFrame{zero_based + 1, pending_[4]});
      break;
    }
    case kDmxInStart: events.emplace_back(DmxInRequest{pending_[3]}); break;
    default: events.emplace_back(HandshakeQuery{}); break;
  }
  pending_.clear();
}

void ProtocolParser::Reject(std::vector<Event>& events) {
  Bytes rest;
  rest.swap(pending_);
  const auto next_start = std::find(rest.begin() + 1, rest.end(), kFrameStart);
  events.emplace_back(Malformed{Bytes(rest.begin(), next_start)});
  resyncing_ = true;
  // At most five bytes go round again, each time fewer, so this ends.
  for (auto it = next_start; it != rest.end(); ++it) Push(*it, events);
}

void ProtocolParser::FlushDiscarded(std::vector<Event>& events) {
  if (discarded_.empty()) return;
  events.emplace_back(Discarded{std::move(discarded_)});
  discarded_.clear();
}

}  // namespace quorvix::sim
