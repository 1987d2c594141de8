#include "log.h"

#include <glib.h>

#include <cstdio>
#include <string>

namespace quorvix::ola_bridge {
namespace {

constexpr const char* kDomain = "quorvix-ola";

int level_shown = static_cast<int>(Priority::kInformation);

GLogLevelFlags GlibLevel(Priority priority) {
  switch (priority) {
    // Not G_LOG_LEVEL_ERROR: GLib aborts on it.
    case Priority::kError: return G_LOG_LEVEL_CRITICAL;
    case Priority::kWarning: return G_LOG_LEVEL_WARNING;
    case Priority::kInformation: return G_LOG_LEVEL_MESSAGE;
    case Priority::kTrace: return G_LOG_LEVEL_DEBUG;
  }
  return G_LOG_LEVEL_MESSAGE;
}

GLogWriterOutput Write(GLogLevelFlags level, const GLogField* fields,
                       gsize count, gpointer) {
  if (g_log_writer_is_journald(fileno(stderr))) {
    return g_log_writer_journald(level, fields, count, nullptr);
  }
  std::string line = "quorvix-ola: ";
  for (gsize i = 0; i < count; ++i) {
    if (std::string_view(fields[i].key) != "MESSAGE") continue;
    line.append(static_cast<const char*>(fields[i].value),
                fields[i].length < 0
                    ? std::char_traits<char>::length(
                          static_cast<const char*>(fields[i].value))
                    : static_cast<std::size_t>(fields[i].length));
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return G_LOG_WRITER_HANDLED;
}

}  // namespace

void StartLog(int level) {
  level_shown = level;
  g_log_set_writer_func(&Write, nullptr, nullptr);
}

void Log(Priority priority, std::string_view text) {
  if (static_cast<int>(priority) > level_shown) return;
  std::string line;
  for (const char c : text) {
    line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  g_log_structured(kDomain, GlibLevel(priority), "MESSAGE", "%s", line.c_str());
}

void LogOnce::Log(Priority priority, std::string_view text) {
  if (said_) return;
  said_ = true;
  ola_bridge::Log(priority, text);
}

}  // namespace quorvix::ola_bridge
