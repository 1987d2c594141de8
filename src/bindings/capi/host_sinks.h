#pragma once
// Trace and message sinks that go to the host's callbacks when it set them,
// else to the defaults (syslog, standard error).

#include <mutex>

#include "platform/message_box.h"
#include "platform/trace_sink.h"
#include "quorvix.h"

namespace quorvix::capi {

class HostTraceSink : public TraceSink {
 public:
  explicit HostTraceSink(TraceSink& fallback) : fallback_(fallback) {}
  void Set(qvx_trace_fn function, void* context);
  void Write(std::string_view line) override;

 private:
  TraceSink& fallback_;
  qvx_trace_fn function_ = nullptr;
  void* context_ = nullptr;
};

class HostMessageSink : public MessageBoxes {
 public:
  explicit HostMessageSink(MessageBoxes& fallback) : fallback_(fallback) {}
  void Set(qvx_message_fn function, void* context);
  void Show(MessageIcon icon, std::string_view text) override;

 private:
  MessageBoxes& fallback_;
  qvx_message_fn function_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace quorvix::capi
