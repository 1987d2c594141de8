#pragma once
// `comMain`: the serial control with the properties of the classic Windows
// serial component. Port number and line settings are validated when set and
// take effect at the next opening (also when set while the port is open).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/serial.h"

namespace quorvix {

class CommControl {
 public:
  // What the classic serial control holds before anyone sets it; the stored
  // settings' default (core/persisted_settings.cpp) is another value.
  static constexpr std::string_view kDefaultSettings = "9600,n,8,1";

  // `on_comm` runs on the loop's thread whenever bytes may be waiting.
  CommControl(SerialBackend& backend, std::function<void()> on_comm);

  std::int16_t CommPort() const { return comm_port_; }
  // 1..255, else Error 380.
  void SetCommPort(std::int64_t port);

  const std::string& Settings() const { return settings_; }
  // Error 380 unless the text parses (see ParseLineSettings).
  void SetSettings(std::string_view text);

  bool PortOpen() const { return connection_ != nullptr; }
  // Opening throws 8002, 8005 or 8020 and leaves the port closed; opening an
  // open port throws 8005. Closing a closed port does nothing.
  void SetPortOpen(bool open);

  // Error 8012 when closed; 8020 when the device fails.
  void Output(std::string_view bytes);
  // Error 8012 when closed.
  std::string Input();

 private:
  SerialBackend& backend_;
  std::function<void()> on_comm_;
  std::int16_t comm_port_ = 1;
  std::string settings_{kDefaultSettings};
  LineSettings line_settings_;
  std::unique_ptr<SerialConnection> connection_;
};

}  // namespace quorvix
