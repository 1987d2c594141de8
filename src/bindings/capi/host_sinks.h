#pragma once
// Trace and message sinks that go to the host's callbacks when it set them,
// else to the defaults (GLib's structured log, standard error).

#include <mutex>

#include "platform/message_box.h"
#include "platform/posix/glib_log_trace.h"
#include "platform/trace_sink.h"
#include "quorvix.h"

namespace quorvix::capi {

// The host's callback always listens, and gets the raw bytes.
class HostTraceSink : public TraceSink {
 public:
  explicit HostTraceSink(posix::GlibLogTrace& fallback) : fallback_(fallback) {}
  void Set(qvx_trace_fn function, void* context);
  void ReadLogListeners() { fallback_.ReadListeners(); }

  bool Listening() const override {
    return function_ != nullptr || fallback_.Listening();
  }
  void Write(std::string_view line) override;

 private:
  posix::GlibLogTrace& fallback_;
  qvx_trace_fn function_ = nullptr;
  void* context_ = nullptr;
};

class HostMessageSink : public MessageBoxes {
 public:
  explicit HostMessageSink(MessageBoxes& fallback) : fallback_(fallback) {}
  void Set(qvx_message_fn function, void* context);
  bool HostSet() const { return function_ != nullptr; }
  void Show(MessageIcon icon, std::string_view text) override;

 private:
  MessageBoxes& fallback_;
  qvx_message_fn function_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace quorvix::capi
