#pragma once
// Event handlers have no caller to return an error to: an error inside one
// ends the handler and is reported as one trace line instead of escaping
// into the host's event loop.

#include <exception>
#include <string>
#include <string_view>

#include "platform/trace_line.h"

namespace quorvix {

template <typename Handler>
void RunGuarded(TraceSink& trace, std::string_view handler_name,
                Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& error) {
    try {
      Trace(trace, [&] {
        return "[Quorvix] " + std::string(handler_name) +
               " failed: " + error.what();
      });
    } catch (...) {  // nothing left to tell it to
    }
  } catch (...) {
    try {
      Trace(trace, [&] {
        return "[Quorvix] " + std::string(handler_name) +
               " failed: unknown error";
      });
    } catch (...) {
    }
  }
}

}  // namespace quorvix
