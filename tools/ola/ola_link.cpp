#include "ola_link.h"

#include <glib-unix.h>
#include <ola/Callback.h>
#include <ola/Constants.h>
#include <ola/network/IPV4Address.h>
#include <ola/network/SocketAddress.h>

#include <string>

namespace quorvix::ola_bridge {
namespace {

constexpr guint kRetrySeconds = 3;
constexpr int kMaxSendsUnanswered = 4;

std::string Where() {
  return "olad at 127.0.0.1:" + std::to_string(ola::OLA_DEFAULT_PORT);
}

}  // namespace

OlaLink::OlaLink(std::uint32_t universe, FrameHandler on_frame)
    : universe_(universe), on_frame_(std::move(on_frame)) {
  TryConnect();
}

OlaLink::~OlaLink() {
  retry_.reset();
  Disconnect();
}

void OlaLink::TryConnect() {
  // Loopback only, and never ola's auto-start: the daemon is the user's.
  socket_.reset(
      ola::network::TCPSocket::Connect(ola::network::IPV4SocketAddress(
          ola::network::IPV4Address::Loopback(), ola::OLA_DEFAULT_PORT)));
  if (!socket_) {
    unreachable_.Log(Priority::kWarning,
                     "cannot reach " + Where() + "; retrying every " +
                         std::to_string(kRetrySeconds) + " s");
    ScheduleRetry();
    return;
  }
  socket_->SetNoDelay();
  closed_ = false;
  sends_unanswered_ = 0;
  client_ = std::make_unique<ola::client::OlaClient>(socket_.get());
  select_server_.AddReadDescriptor(socket_.get());
  if (!client_->Setup()) {
    Disconnect();
    unreachable_.Log(Priority::kWarning, "cannot set up a client of " +
                                             Where() + "; retrying every " +
                                             std::to_string(kRetrySeconds) +
                                             " s");
    ScheduleRetry();
    return;
  }
  client_->SetCloseHandler(ola::NewSingleCallback(this, &OlaLink::OnClosed));
  client_->SetDMXCallback(ola::NewCallback(this, &OlaLink::OnDmx));
  client_->RegisterUniverse(
      universe_, ola::client::REGISTER,
      ola::NewSingleCallback(this, &OlaLink::OnRegistered));
  watch_.reset(
      g_unix_fd_add(socket_->ReadDescriptor(),
                    static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                    &OlaLink::OnReadable, this));
  unreachable_.Forget();
  send_failed_.Forget();
  Log("connected to " + Where() + "; receiving universe " +
      std::to_string(universe_));
}

void OlaLink::Disconnect() {
  watch_.reset();
  if (client_) {
    // Also after a close (the SelectServer keeps a closed socket), and
    // before Stop closes the descriptor it is known by.
    select_server_.RemoveReadDescriptor(socket_.get());
    client_->Stop();
    client_.reset();
  }
  socket_.reset();
}

void OlaLink::ScheduleRetry() {
  retry_.reset(g_timeout_add_seconds(kRetrySeconds, &OlaLink::OnRetry, this));
}

void OlaLink::OnClosed() {
  // Runs inside the SelectServer's pass: the socket is let go after it.
  closed_ = true;
}

void OlaLink::OnRegistered(const ola::client::Result& result) {
  if (!result.Success()) {
    Log(Priority::kWarning, "olad refused universe " +
                                std::to_string(universe_) + ": " +
                                result.Error());
  }
}

void OlaLink::OnSent(const ola::client::Result& result) {
  if (sends_unanswered_ > 0) --sends_unanswered_;
  if (result.Success()) {
    send_failed_.Forget();
  } else {
    // "Universe doesn't exist" until something uses the universe; sending
    // goes on and works from then on.
    send_failed_.Log(Priority::kWarning,
                     "olad refuses the input universe: " + result.Error() +
                         " (still sending)");
  }
}

void OlaLink::OnDmx(const ola::client::DMXMetadata& metadata,
                    const ola::DmxBuffer& data) {
  if (metadata.universe != universe_) return;
  on_frame_(std::span<const std::uint8_t>(data.GetRaw(), data.Size()));
}

void OlaLink::Send(std::uint32_t universe, std::span<const std::uint8_t> data) {
  if (!client_ || closed_ || sends_unanswered_ >= kMaxSendsUnanswered) return;
  ++sends_unanswered_;
  ola::DmxBuffer buffer;
  buffer.Set(data.data(), static_cast<unsigned int>(data.size()));
  client_->SendDMX(
      universe, buffer,
      ola::client::SendDMXArgs(ola::NewSingleCallback(this, &OlaLink::OnSent)));
}

gboolean OlaLink::OnReadable(gint /*fd*/, GIOCondition /*condition*/,
                             gpointer self) {
  auto& link = *static_cast<OlaLink*>(self);
  link.select_server_.RunOnce(ola::TimeInterval(0, 0));
  if (!link.closed_) return G_SOURCE_CONTINUE;
  Forget(link.watch_);
  link.Disconnect();
  Log(Priority::kWarning, "lost the connection to " + Where() +
                              "; retrying every " +
                              std::to_string(kRetrySeconds) + " s");
  link.ScheduleRetry();
  return G_SOURCE_REMOVE;
}

gboolean OlaLink::OnRetry(gpointer self) {
  auto& link = *static_cast<OlaLink*>(self);
  Forget(link.retry_);
  link.TryConnect();
  return G_SOURCE_REMOVE;
}

}  // namespace quorvix::ola_bridge
