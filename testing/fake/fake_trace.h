#pragma once
// Keeps every trace line; can play a sink that nobody listens to.

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/trace_sink.h"

namespace quorvix::fake {

class FakeTrace final : public TraceSink {
 public:
  bool Listening() const override { return listening_; }
  // Lines written all the same are kept, for a test to find.
  void SetListening(bool listening) { listening_ = listening; }

  void Write(std::string_view line) override {
    if (line.find('\0') != std::string_view::npos) ++lines_with_zero_;
    lines_.emplace_back(line);
    const auto on_line = on_line_;
    if (on_line) on_line(lines_.back());
  }

  void SetOnLine(std::function<void(const std::string&)> action) {
    on_line_ = std::move(action);
  }
  const std::vector<std::string>& lines() const { return lines_; }
  bool Contains(std::string_view line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }
  // Lines handed over with a zero byte inside (the sink must never get one).
  int lines_with_zero() const { return lines_with_zero_; }
  void Clear() { lines_.clear(); }

 private:
  bool listening_ = true;
  std::vector<std::string> lines_;
  int lines_with_zero_ = 0;
  std::function<void(const std::string&)> on_line_;
};

}  // namespace quorvix::fake
