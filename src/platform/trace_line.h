#pragma once
// Trace lines travel as zero-terminated byte strings, so a line ends at its
// first zero byte (the channel frame always holds one).

#include <string_view>

#include "platform/trace_sink.h"

namespace quorvix {

inline void Trace(TraceSink& sink, std::string_view line) {
  sink.Write(line.substr(0, line.find('\0')));
}

}  // namespace quorvix
