#pragma once
// The default trace sink: GLib's structured log, domain "Quorvix", debug
// level. It reaches the journal or standard error as every GLib program's
// debug output does, shown when G_MESSAGES_DEBUG names the domain or "all".

#include <string_view>

#include "platform/trace_sink.h"

namespace quorvix::posix {

class GlibLogTrace final : public TraceSink {
 public:
  static constexpr const char* kDomain = "Quorvix";

  // Asks GLib's default writer once whether it would show the domain's
  // debug lines; the answer holds until asked again. Until then nobody
  // listens.
  void ReadListeners();

  bool Listening() const override { return listening_; }
  // The bytes are read as Windows-1252: the log wants UTF-8.
  void Write(std::string_view line) override;

 private:
  bool listening_ = false;
};

}  // namespace quorvix::posix
