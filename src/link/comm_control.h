#pragma once
// `comMain`: the serial control with the properties of the classic Windows
// serial component. Port number and line settings are validated when set and
// take effect at the next opening (also when set while the port is open).
//
// A device that vanishes while the port is open (a USB adapter pulled) does
// not close the port: its dead handle is gone at once, PortOpen stays true,
// and writes fail with 8020. A write (a frame, a poll's request) opens the
// same port number with the same line settings again: the first write after
// the loss at once, however long the device was gone, later ones at most
// once per kReopenPause. The first that succeeds traces
// "[Quorvix] COMn: device back", lets the owner restore what the device lost
// and goes out. So a host carries on after the adapter is back without
// Disable and Enable; TransmitterReady is untouched.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/platform.h"
#include "platform/serial.h"

namespace quorvix {

class CommControl {
 public:
  // What the classic serial control holds before anyone sets it; the stored
  // settings' default (core/persisted_settings.cpp) is another value.
  static constexpr std::string_view kDefaultSettings = "9600,n,8,1";
  static constexpr std::chrono::seconds kReopenPause{1};

  // `on_comm` runs on the loop's thread whenever bytes may be waiting.
  CommControl(Platform& platform, std::function<void()> on_comm);

  std::int16_t CommPort() const { return comm_port_; }
  // 1..255, else Error 380.
  void SetCommPort(std::int64_t port);

  const std::string& Settings() const { return settings_; }
  // Error 380 unless the text parses (see ParseLineSettings).
  void SetSettings(std::string_view text);

  bool PortOpen() const { return open_; }
  // Opening throws 8002, 8005 or 8020 and leaves the port closed; opening an
  // open port throws 8005. Closing a closed port does nothing.
  void SetPortOpen(bool open);

  // Error 8012 when closed; 8020 when the device fails or is still gone.
  void Output(std::string_view bytes);
  // Error 8012 when closed; nothing while the device is gone.
  std::string Input();

  // Runs after a vanished device was opened again, before the write that
  // found it back; may write through Output.
  void SetOnDeviceBack(std::function<void()> handler) {
    on_device_back_ = std::move(handler);
  }

 private:
  std::unique_ptr<SerialConnection> OpenConnection();
  Error NotOpen(std::string_view what) const;
  // Drops the handle of a device that has gone.
  void DropVanished();
  bool MayReopen() const;
  // Opens the vanished device again, or throws 8020.
  void Reopen();

  SerialBackend& backend_;
  EventLoop& events_;
  TraceSink& trace_;
  std::function<void()> on_comm_;
  std::function<void()> on_device_back_;
  std::int16_t comm_port_ = 1;
  std::string settings_{kDefaultSettings};
  LineSettings line_settings_;
  bool open_ = false;
  // Null while open_ only when the device has vanished.
  std::unique_ptr<SerialConnection> connection_;
  // Counted from the last attempt, not from the loss: a device found gone
  // long after it went, and already back, is reopened by the first write.
  std::optional<Clock::time_point> last_attempt_;
};

}  // namespace quorvix
