#pragma once
// Trace and message sinks that go to the host's callbacks when it set them,
// else to the defaults (GLib's structured log, standard error).
//
// A host may set a callback from any thread while the driver's thread
// uses it: the function and its context change together, and a call in
// progress ends before Set returns, so a context the host frees after Set is
// never used again. The lock is recursive because a callback may call into
// the plug-in, and set a sink, on the driver's thread.

#include <atomic>
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

  bool Listening() const override;
  void Write(std::string_view line) override;

 private:
  posix::GlibLogTrace& fallback_;
  mutable std::recursive_mutex mutex_;
  // Read without the lock: asked before every line, on the hot path of
  // SetChannel, and a stale answer only builds a line nobody gets or
  // skips one being swapped in.
  std::atomic<bool> host_listens_{false};
  qvx_trace_fn function_ = nullptr;
  void* context_ = nullptr;
};

class HostMessageSink : public MessageBoxes {
 public:
  explicit HostMessageSink(MessageBoxes& fallback) : fallback_(fallback) {}
  void Set(qvx_message_fn function, void* context);
  bool HostSet() const;
  void Show(MessageIcon icon, std::string_view text) override;

 private:
  MessageBoxes& fallback_;
  mutable std::recursive_mutex mutex_;
  qvx_message_fn function_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace quorvix::capi
