#include "platform/posix/glib_log_trace.h"

#include <glib.h>

#include <array>
#include <string>

#include "platform/windows_1252.h"

namespace quorvix::posix {

void GlibLogTrace::ReadListeners() {
  listening_ = !g_log_writer_default_would_drop(G_LOG_LEVEL_DEBUG, kDomain);
}

void GlibLogTrace::Write(std::string_view line) {
  const std::string message = Windows1252ToUtf8(line);
  // The array form takes no format string and wants the level spelt out as
  // the journal's priority (7: debug).
  const std::array<GLogField, 3> fields{{
      {"GLIB_DOMAIN", kDomain, -1},
      {"PRIORITY", "7", -1},
      {"MESSAGE", message.c_str(), -1},
  }};
  g_log_structured_array(G_LOG_LEVEL_DEBUG, fields.data(), fields.size());
}

}  // namespace quorvix::posix
