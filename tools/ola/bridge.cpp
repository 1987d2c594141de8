#include "bridge.h"

#include <glib-unix.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <utility>

#include "line_rate.h"
#include "log.h"
#include "platform/guard.h"

namespace quorvix::ola_bridge {
namespace {

constexpr const char* kPluginFile = "libquorvix.so";
constexpr guint kEnableRetrySeconds = 5;
// How long a send pass waits when the plug-in is inside one of its waits,
// and at least between passes: a few tokens per wake-up, not one.
constexpr guint kStepAsideMs = 5;
constexpr guint kMinPassGapMs = 4;

std::string ErrorText(const std::string& call, const Outcome& outcome) {
  return call + " failed: error " + std::to_string(outcome.error) + ": " +
         outcome.error_text;
}

std::string SettingsFileFor(const std::string& app) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "~";
  return (config && *config ? std::string(config) : home + "/.config") +
         "/quorvix/" + app + ".ini";
}

}  // namespace

Bridge::Bridge(const Options& options, host::PluginLibrary& plugin)
    : options_(options),
      driver_(plugin, *this),
      loop_(g_main_loop_new(nullptr, FALSE), &g_main_loop_unref) {}

int Bridge::Run() {
  if (const Outcome init = driver_.Init(options_.app, kPluginFile);
      init.error != 0) {
    Log(Priority::kError, ErrorText("Init", init));
    return 1;
  }
  if (!options_.device.empty()) {
    std::int32_t port = 0;
    if (const Outcome named = driver_.SetPortDevice(options_.device, port);
        named.error != 0) {
      Log(Priority::kError, ErrorText("--device " + options_.device, named));
      driver_.Term();
      return 2;
    }
  }
  if (!CheckSettings()) {
    driver_.Term();
    return 2;
  }
  ola_ = std::make_unique<OlaLink>(
      options_.universe,
      [this](std::span<const std::uint8_t> frame) { OnFrame(frame); });
  sigint_.reset(g_unix_signal_add(SIGINT, &Bridge::OnSignal, this));
  sigterm_.reset(g_unix_signal_add(SIGTERM, &Bridge::OnSignal, this));
  // Enable runs inside the loop, so a signal during its handshake is not
  // lost before the loop starts.
  start_.reset(g_idle_add(&Bridge::OnStart, this));
  g_main_loop_run(loop_.get());
  const int code = Stop();
  return failure_exit_code_ != 0 ? failure_exit_code_ : code;
}

template <typename Step>
void Bridge::Guarded(Step&& step) {
  const bool completed =
      Guard(std::forward<Step>(step),
            PassCaught("an unknown error", [](const std::exception& error) {
              Log(Priority::kError, std::string("stopping: ") + error.what());
            }));
  if (!completed) {
    failure_exit_code_ = 1;
    g_main_loop_quit(loop_.get());
  }
}

bool Bridge::CheckSettings() {
  const qvx_line_status status = driver_.LineStatus();
  if (options_.input_universe && status.dmx_in_active == 0) {
    Log(Priority::kError,
        "--input-universe " + std::to_string(*options_.input_universe) +
            " needs DMX input, which is off in the settings: set "
            "DMXInActive=True "
            "in group [Plugins\\" +
            kPluginFile + "] of " + SettingsFileFor(options_.app) +
            " (application \"" + options_.app + "\")");
    return false;
  }
  if (!options_.input_universe && status.dmx_in_active != 0) {
    Log(Priority::kWarning,
        "DMX input is on in the settings, but without --input-universe it "
        "goes nowhere");
  }
  input_size_ = static_cast<std::size_t>(
      std::clamp<std::int32_t>(status.dmx_in_channels, 1, kChannels));
  return true;
}

void Bridge::TryEnable() {
  enabling_ = true;
  const Outcome enable = driver_.Enable();
  enabling_ = false;
  if (enable.error != 0 || !enable.result) {
    Log(Priority::kWarning,
        (enable.error != 0 ? ErrorText("Enable", enable)
                           : std::string("the transmitter is not ready")) +
            "; retrying every " + std::to_string(kEnableRetrySeconds) + " s");
    // A port left open after a failed handshake would never be reopened.
    driver_.Disable();
    enable_retry_.reset(g_timeout_add_seconds(kEnableRetrySeconds,
                                              &Bridge::OnEnableRetry, this));
    return;
  }
  const qvx_line_status status = driver_.LineStatus();
  const LineRate rate = LineRateFor(status.baud_rate, status.dmx_in_active != 0,
                                    status.dmx_in_interval_ms);
  const auto now = TokenBucket::Clock::now();
  if (bucket_) {
    bucket_->SetRate(rate.frames_per_second, rate.burst_frames, now);
  } else {
    bucket_.emplace(rate.frames_per_second, rate.burst_frames, now);
  }
  ready_ = true;
  last_message_.clear();
  table_.ResendAll();
  Log("transmitter ready at " + std::to_string(status.baud_rate) +
      " baud: at most " +
      std::to_string(static_cast<int>(rate.frames_per_second)) +
      " channel frames a second");
  if (options_.input_universe && status.dmx_in_active != 0 &&
      status.dmx_in_interval_ms > 0) {
    input_tick_.reset(
        g_timeout_add(static_cast<guint>(status.dmx_in_interval_ms),
                      &Bridge::OnInputTick, this));
  }
  ScheduleSend(0);
}

void Bridge::LoseTransmitter(const std::string& why) {
  Log(Priority::kWarning, why + "; enabling again every " +
                              std::to_string(kEnableRetrySeconds) + " s");
  ready_ = false;
  send_.reset();
  input_tick_.reset();
  driver_.Disable();
  enable_retry_.reset(
      g_timeout_add_seconds(kEnableRetrySeconds, &Bridge::OnEnableRetry, this));
}

void Bridge::OnFrame(std::span<const std::uint8_t> frame) {
  table_.Update(frame);
  if (ready_ && !send_) ScheduleSend(0);
}

void Bridge::ScheduleSend(guint delay_ms) {
  send_.reset(g_timeout_add(delay_ms, &Bridge::OnSendTimer, this));
}

void Bridge::SendPass() {
  if (!ready_) return;
  if (enabling_ || g_main_depth() > 1) {
    ScheduleSend(kStepAsideMs);
    return;
  }
  const auto now = TokenBucket::Clock::now();
  while (const std::optional<ChannelValue> next = table_.NextPending()) {
    if (!bucket_->TryTake(now)) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
          bucket_->TimeUntilToken(now));
      ScheduleSend(std::max(kMinPassGapMs, static_cast<guint>(wait.count())));
      return;
    }
    const Outcome sent = driver_.SetChannel(next->channel, next->value);
    if (sent.error != 0) {
      LoseTransmitter(ErrorText("SetChannel", sent));
      return;
    }
    if (!sent.result) {
      LoseTransmitter("the transmitter is no longer ready");
      return;
    }
    table_.MarkSent(*next);
  }
}

void Bridge::SendInput() {
  if (ola_ && options_.input_universe) {
    ola_->Send(*options_.input_universe,
               std::span<const std::uint8_t>(input_.data(), input_size_));
  }
}

int Bridge::Stop() {
  start_.reset();
  enable_retry_.reset();
  send_.reset();
  input_tick_.reset();
  ola_.reset();
  driver_.Disable();
  if (const Outcome term = driver_.Term(); term.error != 0) {
    Log(Priority::kError,
        ErrorText("Term", term) + "; the settings may not be saved");
    return 1;
  }
  Log("driver disabled, settings saved");
  return 0;
}

void Bridge::OnTrace(std::string_view line) {
  // Why the port did not open, and a device gone or back, are for everyone.
  const bool about_port = line.starts_with("[Quorvix] Open failed: ") ||
                          line.starts_with("[Quorvix] COM");
  // A retry every few seconds would repeat the same reason.
  if (about_port && line != last_port_trace_) {
    last_port_trace_ = std::string(line);
    Log(line.starts_with("[Quorvix] Open failed: ") ? Priority::kWarning
                                                    : Priority::kInformation,
        std::string("trace: ").append(line));
  } else {
    Log(Priority::kTrace, std::string("trace: ").append(line));
  }
}

void Bridge::OnMessage(bool is_error, std::string_view text) {
  // While retrying, the same message would come every few seconds.
  if (text == last_message_) return;
  last_message_ = std::string(text);
  Log(is_error ? Priority::kWarning : Priority::kInformation,
      std::string(is_error ? "error message: " : "message: ").append(text));
}

void Bridge::OnInput(std::int32_t channel, std::uint8_t value) {
  if (channel >= 1 && channel <= kChannels) {
    input_[static_cast<std::size_t>(channel - 1)] = value;
  }
}

gboolean Bridge::OnStart(gpointer self) {
  auto& bridge = *static_cast<Bridge*>(self);
  Forget(bridge.start_);
  bridge.Guarded([&] { bridge.TryEnable(); });
  return G_SOURCE_REMOVE;
}

gboolean Bridge::OnEnableRetry(gpointer self) {
  auto& bridge = *static_cast<Bridge*>(self);
  Forget(bridge.enable_retry_);
  bridge.Guarded([&] { bridge.TryEnable(); });
  return G_SOURCE_REMOVE;
}

gboolean Bridge::OnSendTimer(gpointer self) {
  auto& bridge = *static_cast<Bridge*>(self);
  Forget(bridge.send_);
  bridge.Guarded([&] { bridge.SendPass(); });
  return G_SOURCE_REMOVE;
}

gboolean Bridge::OnInputTick(gpointer self) {
  auto& bridge = *static_cast<Bridge*>(self);
  bridge.Guarded([&] { bridge.SendInput(); });
  return G_SOURCE_CONTINUE;
}

gboolean Bridge::OnSignal(gpointer self) {
  auto& bridge = *static_cast<Bridge*>(self);
  Log("stopping on a signal");
  g_main_loop_quit(bridge.loop_.get());
  return G_SOURCE_CONTINUE;
}

}  // namespace quorvix::ola_bridge
