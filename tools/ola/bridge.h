#pragma once
// quorvix-ola's one job: the driver as an OLA output (and DMX-In as an OLA
// input), kept running through a missing transmitter or an absent olad.
//
// Sending: every frame of universe U updates the channel table; a send pass
// takes channels from it while the token bucket allows, so at most about
// 20 ms of line time is queued and the loop is never held longer. A pass
// that finds itself inside one of the plug-in's waits (its Enable handshake
// or a DMX-In reply wait pump this thread's GLib context) steps aside and
// comes back a few milliseconds later: a frame written then would interleave
// with the exchange the wait is for.

#include <glib.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "channel_table.h"
#include "driver.h"
#include "glib_source.h"
#include "ola_link.h"
#include "options.h"
#include "token_bucket.h"

namespace quorvix::ola_bridge {

class Bridge : public DriverEvents {
 public:
  Bridge(const Options& options, host::PluginLibrary& plugin);
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // Runs until SIGINT or SIGTERM; returns the exit code.
  int Run();

 private:
  void OnTrace(std::string_view line) override;
  void OnMessage(bool is_error, std::string_view text) override;
  void OnInput(std::int32_t channel, std::uint8_t value) override;

  bool CheckSettings();
  void TryEnable();
  void LoseTransmitter(const std::string& why);
  void OnFrame(std::span<const std::uint8_t> frame);
  void ScheduleSend(guint delay_ms);
  void SendPass();
  void SendInput();
  int Stop();
  // Runs `step` from a GLib callback: an exception must not unwind through
  // GLib, so it ends the program with a log line and exit code 1.
  template <typename Step>
  void Guarded(Step&& step);

  static gboolean OnStart(gpointer self);
  static gboolean OnEnableRetry(gpointer self);
  static gboolean OnSendTimer(gpointer self);
  static gboolean OnInputTick(gpointer self);
  static gboolean OnSignal(gpointer self);

  const Options options_;
  Driver driver_;
  ChannelTable table_;
  std::optional<TokenBucket> bucket_;
  std::array<std::uint8_t, kChannels> input_{};
  std::size_t input_size_ = 0;
  std::unique_ptr<GMainLoop, void (*)(GMainLoop*)> loop_;
  std::unique_ptr<OlaLink> ola_;
  bool enabling_ = false;
  bool ready_ = false;
  int failure_exit_code_ = 0;
  std::string last_message_;
  std::string last_port_trace_;
  GlibSource start_;
  GlibSource enable_retry_;
  GlibSource send_;
  GlibSource input_tick_;
  GlibSource sigint_;
  GlibSource sigterm_;
};

}  // namespace quorvix::ola_bridge
