#include "host_sinks.h"

#include <algorithm>
#include <array>
#include <string>

namespace quorvix::capi {

void HostTraceSink::Set(qvx_trace_fn function, void* context) {
  const std::lock_guard lock(mutex_);
  function_ = function;
  context_ = function ? context : nullptr;
  host_listens_ = function != nullptr;
}

bool HostTraceSink::Listening() const {
  return host_listens_ || fallback_.Listening();
}

void HostTraceSink::Write(std::string_view line) {
  const std::lock_guard lock(mutex_);
  if (!function_) {
    fallback_.Write(line);
    return;
  }
  // Most lines are short: terminate them on the stack, not the heap.
  std::array<char, 256> short_line;
  if (line.size() < short_line.size()) {
    std::copy(line.begin(), line.end(), short_line.begin());
    short_line[line.size()] = '\0';
    function_(context_, short_line.data());
    return;
  }
  const std::string terminated(line);
  function_(context_, terminated.c_str());
}

void HostMessageSink::Set(qvx_message_fn function, void* context) {
  const std::lock_guard lock(mutex_);
  function_ = function;
  context_ = function ? context : nullptr;
}

bool HostMessageSink::HostSet() const {
  const std::lock_guard lock(mutex_);
  return function_ != nullptr;
}

void HostMessageSink::Show(MessageIcon icon, std::string_view text) {
  const std::lock_guard lock(mutex_);
  if (!function_) {
    fallback_.Show(icon, text);
    return;
  }
  const std::string title(kMessageBoxTitle);
  const std::string terminated(text);
  function_(context_, icon == MessageIcon::kError ? 1 : 0, title.c_str(),
            terminated.c_str());
}

}  // namespace quorvix::capi
