#pragma once
// Debug trace output, one call per line, no line end.

#include <string_view>

namespace quorvix {

class TraceSink {
 public:
  virtual ~TraceSink() = default;

  // Whether a line written now would reach anyone. Asked before every line,
  // so it must cost no more than reading a flag: a line nobody reads is not
  // even built.
  virtual bool Listening() const = 0;

  // `line` is raw bytes without a zero byte (the caller cuts it there).
  virtual void Write(std::string_view line) = 0;
};

}  // namespace quorvix
