#pragma once
// Debug trace output, one call per line, no line end.

#include <string_view>

namespace quorvix {

class TraceSink {
 public:
  virtual ~TraceSink() = default;

  // `line` is raw bytes without a zero byte (the caller cuts it there).
  virtual void Write(std::string_view line) = 0;
};

}  // namespace quorvix
