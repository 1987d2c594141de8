#include "link/comm_control.h"

#include <string>

#include "link/line_settings.h"
#include "platform/error.h"

namespace quorvix {

CommControl::CommControl(SerialBackend& backend, std::function<void()> on_comm)
    : backend_(backend),
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
    return;
  }
  if (connection_) {
    throw Error(kPortInUse,
                "COM" + std::to_string(comm_port_) + " is already open");
  }
  connection_ = backend_.Open(comm_port_, line_settings_, [this] {
    if (on_comm_) on_comm_();
  });
}

void CommControl::Output(std::string_view bytes) {
  if (!connection_) {
    throw Error(kPortNotOpen, "Cannot write to COM" +
                                  std::to_string(comm_port_) +
                                  ": the port is not open");
  }
  connection_->Write(bytes);
}

std::string CommControl::Input() {
  if (!connection_) {
    throw Error(kPortNotOpen, "Cannot read from COM" +
                                  std::to_string(comm_port_) +
                                  ": the port is not open");
  }
  return connection_->Read();
}

}  // namespace quorvix
