#pragma once
// Trace lines through OutputDebugStringA: debuggers and DBWIN listeners see
// them as they are, bytes 0x80 to 0xFF included.

#include <windows.h>

#include <string>

#include "platform/trace_sink.h"

namespace quorvix::win32 {

class DebugOutput final : public TraceSink {
 public:
  // Debug viewers listen without the program knowing.
  bool Listening() const override { return true; }
  void Write(std::string_view line) override {
    const std::string terminated(line.substr(0, line.find('\0')));
    OutputDebugStringA(terminated.c_str());
  }
};

}  // namespace quorvix::win32
