#pragma once
// The default trace sink: syslog at debug priority, ident "quorvix".

#include "platform/trace_sink.h"

namespace quorvix::posix {

class SyslogTrace : public TraceSink {
 public:
  // Opens the log on first use; the bytes go out as they are.
  void Write(std::string_view line) override;
};

}  // namespace quorvix::posix
