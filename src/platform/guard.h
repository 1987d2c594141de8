#pragma once
// Where a call crosses a boundary that no exception may cross (a host's
// call, an event handler, the user's input to a dialog), Guard runs it and
// hands whatever it throws to a policy, which turns it into what that
// boundary passes on: an error number, a trace line, a message box, an
// HRESULT (bindings/com/com_errors.h), or nothing at all.

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/current_error.h"
#include "platform/message_box.h"
#include "platform/trace_line.h"

namespace quorvix {

// Runs `body`. If it throws, `policy` runs inside the handler, where it may
// rethrow to look at what was caught; it must not throw itself. Returns
// whether the body ended normally, or, for a policy that yields a value,
// that value when the body threw.
template <typename Body, typename Policy>
auto Guard(Body&& body, Policy&& policy) noexcept {
  using Result = std::invoke_result_t<Policy&>;
  if constexpr (std::is_void_v<Result>) {
    try {
      body();
      return true;
    } catch (...) {
      policy();
      return false;
    }
  } else {
    try {
      body();
      return std::optional<Result>();
    } catch (...) {
      return std::optional<Result>(policy());
    }
  }
}

// --- policies ---

// The caught exception goes nowhere: whoever threw has told the user.
inline void Swallow() noexcept {}

// The caught exception as an error number and a description (the table in
// error.h): CurrentErrorReport, from current_error.h.

// Hands `sink` the caught std::exception, or anything else as a
// std::runtime_error saying `unknown`; what the sink throws goes nowhere.
template <typename Sink>
auto PassCaught(std::string_view unknown, Sink sink) {
  return [unknown, sink = std::move(sink)]() mutable noexcept {
    try {
      try {
        throw;
      } catch (const std::exception& error) {
        sink(error);
      } catch (...) {
        sink(std::runtime_error(std::string(unknown)));
      }
    } catch (...) {  // nobody left to tell
    }
  };
}

// One trace line: "[Quorvix] <handler> failed: <what>".
inline auto ToTraceLine(TraceSink& trace, std::string_view handler_name) {
  return PassCaught("unknown error",
                    [&trace, handler_name](const std::exception& error) {
                      Trace(trace, [&] {
                        return "[Quorvix] " + std::string(handler_name) +
                               " failed: " + error.what();
                      });
                    });
}

// An error box with the text `describe` makes of the caught exception.
template <typename Describe>
auto ToMessageBox(MessageBoxes& messages, Describe describe) {
  return PassCaught(
      "unknown error",
      [&messages, describe = std::move(describe)](const std::exception& error) {
        messages.Show(MessageIcon::kError, describe(error));
      });
}

// A dialog view hands the user's doing to the model, which reports its own
// failures; nothing may unwind through the toolkit. A quiet view (being
// built or torn down) hands on nothing.
template <typename Event>
void ReportToModel(bool quiet, Event&& event) noexcept {
  if (!quiet) Guard(std::forward<Event>(event), Swallow);
}

}  // namespace quorvix
