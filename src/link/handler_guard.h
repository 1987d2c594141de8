#pragma once
// Event handlers have no caller to return an error to: an error inside one
// ends the handler and is reported as one trace line instead of escaping
// into the host's event loop.

#include <string_view>
#include <utility>

#include "platform/guard.h"

namespace quorvix {

template <typename Handler>
void RunGuarded(TraceSink& trace, std::string_view handler_name,
                Handler&& handler) noexcept {
  Guard(std::forward<Handler>(handler), ToTraceLine(trace, handler_name));
}

}  // namespace quorvix
