#include "platform/posix/syslog_trace.h"

#include <syslog.h>

#include <mutex>

namespace quorvix {

void SyslogTrace::Write(std::string_view line) {
  static std::once_flag opened;
  std::call_once(opened, [] { openlog("quorvix", LOG_PID, LOG_USER); });
  syslog(LOG_DEBUG, "%.*s", static_cast<int>(line.size()), line.data());
}

}  // namespace quorvix
