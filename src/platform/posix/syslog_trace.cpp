#include "platform/posix/syslog_trace.h"

#include <syslog.h>

namespace quorvix::posix {

// No openlog: a plug-in must not replace the host's own syslog ident; the
// "[Quorvix] " prefix of every line tells them apart.
void SyslogTrace::Write(std::string_view line) {
  syslog(LOG_USER | LOG_DEBUG, "%.*s", static_cast<int>(line.size()),
         line.data());
}

}  // namespace quorvix::posix
