// The simulator's parsers. The line's: every byte it was fed is accounted
// for by exactly one event, in order, whatever the pieces the bytes arrive
// in. The command lines': a command or a reason, never both, and a blank or
// comment line neither.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <type_traits>
#include <variant>
#include <vector>

#include "command.h"
#include "protocol_parser.h"

namespace {

using namespace quorvix::sim;

// The bytes an event stands for. A channel frame's bit 15 is not kept, so
// its high byte is compared without it.
struct Expected {
  Bytes bytes;
  std::uint8_t mask_at_2 = 0xFF;
};

Expected BytesOf(const Event& event) {
  return std::visit(
      [](const auto& e) -> Expected {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, ChannelFrame>) {
          if (e.channel < 1 || e.channel > 32768) std::abort();
          const int zero_based = e.channel - 1;
          return {
              {0xFF, static_cast<std::uint8_t>(zero_based & 0xFF),
               static_cast<std::uint8_t>(zero_based >> 8), 0x01, e.value, 0x00},
              0x7F};
        } else if constexpr (std::is_same_v<T, HandshakeQuery>) {
          return {{'c', '?'}};
        } else if constexpr (std::is_same_v<T, DmxInRequest>) {
          return {{0xFC, 0x00, 0x00, e.count}};
        } else if constexpr (std::is_same_v<T, InfoRequest>) {
          return {{'I'}};
        } else if constexpr (std::is_same_v<T, SetupRequest>) {
          return {{'S'}};
        } else if constexpr (std::is_same_v<T, UnknownByte>) {
          return {{e.byte}};
        } else {
          if (e.bytes.empty()) std::abort();
          return {e.bytes};
        }
      },
      event);
}

// Walks the events along the input; returns how many bytes they cover.
std::size_t CheckAgainst(const std::vector<Event>& events, const Bytes& input) {
  std::size_t at = 0;
  for (const Event& event : events) {
    const Expected expected = BytesOf(event);
    if (at + expected.bytes.size() > input.size()) std::abort();
    for (std::size_t i = 0; i < expected.bytes.size(); ++i) {
      const std::uint8_t mask = i == 2 ? expected.mask_at_2 : 0xFF;
      if ((input[at + i] & mask) != expected.bytes[i]) std::abort();
    }
    at += expected.bytes.size();
  }
  return at;
}

// Skipped bytes come out per call; joined, both feeds must agree.
std::vector<Event> JoinDiscarded(const std::vector<Event>& events) {
  std::vector<Event> joined;
  for (const Event& event : events) {
    const auto* skipped = std::get_if<Discarded>(&event);
    auto* last =
        joined.empty() ? nullptr : std::get_if<Discarded>(&joined.back());
    if (skipped != nullptr && last != nullptr) {
      last->bytes.insert(last->bytes.end(), skipped->bytes.begin(),
                         skipped->bytes.end());
    } else {
      joined.push_back(event);
    }
  }
  return joined;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::size_t pieces_seed = provider.ConsumeIntegral<std::uint32_t>();
  const Bytes input = provider.ConsumeRemainingBytes<std::uint8_t>();

  std::vector<Event> whole_events;
  ProtocolParser whole;
  whole.Feed(input, whole_events);
  const std::size_t covered = CheckAgainst(whole_events, input);
  // Only an unfinished request (at most five bytes) may still wait.
  if (input.size() - covered > 5) std::abort();

  std::vector<Event> piece_events;
  ProtocolParser pieces;
  std::size_t at = 0;
  std::size_t seed = pieces_seed;
  while (at < input.size()) {
    const std::size_t length =
        std::min<std::size_t>(1 + seed % 7, input.size() - at);
    seed = seed / 7 + length * 31;
    pieces.Feed(std::span(input).subspan(at, length), piece_events);
    at += length;
  }
  if (JoinDiscarded(piece_events) != JoinDiscarded(whole_events)) std::abort();

  std::string_view line(reinterpret_cast<const char*>(input.data()),
                        input.size());
  const ParsedCommand parsed = ParseCommand(line);
  if (parsed.command && !parsed.error.empty()) std::abort();
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto first = line.find_first_not_of(" \t");
  const bool blank = first == std::string_view::npos || line[first] == '#';
  if (blank != (!parsed.command && parsed.error.empty())) std::abort();
  return 0;
}
