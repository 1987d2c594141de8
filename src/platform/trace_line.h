#pragma once
// Trace lines travel as zero-terminated byte strings, so a line ends at its
// first zero byte (the channel frame always holds one).

#include <concepts>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/trace_sink.h"

namespace quorvix {

inline void Trace(TraceSink& sink, std::string_view line) {
  if (!sink.Listening()) return;
  sink.Write(line.substr(0, line.find('\0')));
}

// For a line that takes work to build: `build` runs only when someone
// listens, so a silent trace costs no formatting and no allocation.
template <std::invocable Build>
void Trace(TraceSink& sink, Build&& build) {
  if (!sink.Listening()) return;
  const auto line = std::invoke(std::forward<Build>(build));
  const std::string_view bytes(line);
  sink.Write(bytes.substr(0, bytes.find('\0')));
}

}  // namespace quorvix
