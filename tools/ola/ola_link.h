#pragma once
// The bridge's connection to olad: receives universe U, sends the input
// universe, and reconnects every few seconds while olad is away.
//
// One thread, no busy polling: GLib's main loop runs the thread, because the
// plug-in's timers and serial source already live in its context and its
// waits (handshake, DMX-In reply) pump that context. The OLA client keeps
// its own SelectServer, but only as a dispatcher: the client's socket is a
// GLib fd watch, and when it is readable one pass of the SelectServer runs
// with a zero timeout. Both sides thus sleep in GLib's single poll().

#include <glib.h>
#include <ola/DmxBuffer.h>
#include <ola/client/ClientTypes.h>
#include <ola/client/OlaClient.h>
#include <ola/client/Result.h>
#include <ola/io/SelectServer.h>
#include <ola/network/TCPSocket.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "glib_source.h"
#include "log.h"

namespace quorvix::ola_bridge {

class OlaLink {
 public:
  using FrameHandler = std::function<void(std::span<const std::uint8_t>)>;

  OlaLink(std::uint32_t universe, FrameHandler on_frame);
  ~OlaLink();
  OlaLink(const OlaLink&) = delete;
  OlaLink& operator=(const OlaLink&) = delete;

  bool Connected() const { return client_ != nullptr; }

  // Dropped while not connected, or while olad still owes the answers to
  // a few earlier sends (a stuck daemon must not pile up requests): input
  // is sent again every poll tick anyway.
  void Send(std::uint32_t universe, std::span<const std::uint8_t> data);

 private:
  void TryConnect();
  void Disconnect();
  void ScheduleRetry();
  void OnClosed();
  void OnRegistered(const ola::client::Result& result);
  void OnSent(const ola::client::Result& result);
  void OnDmx(const ola::client::DMXMetadata& metadata,
             const ola::DmxBuffer& data);
  static gboolean OnReadable(gint fd, GIOCondition condition, gpointer self);
  static gboolean OnRetry(gpointer self);

  std::uint32_t universe_;
  FrameHandler on_frame_;
  ola::io::SelectServer select_server_;
  std::unique_ptr<ola::network::TCPSocket> socket_;
  std::unique_ptr<ola::client::OlaClient> client_;
  bool closed_ = false;
  int sends_unanswered_ = 0;
  GlibSource watch_;
  GlibSource retry_;
  LogOnce unreachable_;
  LogOnce send_failed_;
};

}  // namespace quorvix::ola_bridge
