#include "link/comm_control.h"

#include <string>

#include "link/line_settings.h"
#include "link/paced_connection.h"
#include "platform/error.h"
#include "platform/trace_line.h"

namespace quorvix {

CommControl::CommControl(Platform& platform, std::function<void()> on_comm)
    : backend_(platform.serial),
      events_(platform.events),
      trace_(platform.trace),
      on_comm_(std::move(on_comm)),
      line_settings_(ParseLineSettings(settings_)) {}

void CommControl::SetCommPort(std::int64_t port) {
  if (port < 1 || port > 255) {
    throw Error(
        kInvalidPropertyValue,
        "Invalid port number " + std::to_string(port) + ": must be 1 to 255");
  }
  comm_port_ = static_cast<std::int16_t>(port);
}

void CommControl::SetSettings(std::string_view text) {
  line_settings_ = ParseLineSettings(text);
  settings_ = std::string(text);
}

void CommControl::SetPortOpen(bool open) {
  if (!open) {
    connection_.reset();
    open_ = false;
    return;
  }
  if (open_) {
    throw Error(kPortInUse,
                "COM" + std::to_string(comm_port_) + " is already open");
  }
  connection_ = OpenConnection();
  open_ = true;
  last_attempt_.reset();
}

std::unique_ptr<SerialConnection> CommControl::OpenConnection() {
  auto line = backend_.Open(comm_port_, line_settings_, [this] {
    if (on_comm_) on_comm_();
  });
  return std::make_unique<PacedConnection>(std::move(line), line_settings_,
                                           events_,
                                           "COM" + std::to_string(comm_port_));
}

Error CommControl::NotOpen(std::string_view what) const {
  return Error(kPortNotOpen, "Cannot " + std::string(what) + " COM" +
                                 std::to_string(comm_port_) +
                                 ": the port is not open");
}

void CommControl::DropVanished() {
  if (connection_ && connection_->Vanished()) connection_.reset();
}

bool CommControl::MayReopen() const {
  return !last_attempt_ || events_.Now() - *last_attempt_ >= kReopenPause;
}

void CommControl::Reopen() {
  const std::string name = "COM" + std::to_string(comm_port_);
  if (!MayReopen()) {
    throw Error(kDeviceFailed,
                "Cannot write to " + name + ": the device has vanished");
  }
  last_attempt_ = events_.Now();
  try {
    connection_ = OpenConnection();
  } catch (const Error& error) {
    throw Error(kDeviceFailed, "Cannot write to " + name +
                                   ": the device is still gone (" +
                                   error.what() + ")");
  }
  Trace(trace_, [&] { return "[Quorvix] " + name + ": device back"; });
  // A host's trace sink may have closed the port on that line.
  if (connection_ && on_device_back_) on_device_back_();
}

void CommControl::Output(std::string_view bytes) {
  if (!open_) throw NotOpen("write to");
  // At most two passes: the second only when the first write found the
  // device gone and no reopening was tried within the pause.
  for (;;) {
    DropVanished();
    if (!connection_) {
      Reopen();
      if (!connection_) throw NotOpen("write to");
    }
    try {
      connection_->Write(bytes);
      return;
    } catch (const Error&) {
      // A host's trace sink may have closed the port on the back end's
      // "device vanished" line.
      if (!connection_ || !connection_->Vanished() || !MayReopen()) throw;
    }
  }
}

std::string CommControl::Input() {
  if (!open_) throw NotOpen("read from");
  DropVanished();
  return connection_ ? connection_->Read() : std::string();
}

}  // namespace quorvix
