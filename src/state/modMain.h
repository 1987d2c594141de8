#pragma once
// The one record of state shared by the driver objects, the receive path,
// the poll cycle and the dialog. It exists once per loaded library.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/host_helper.h"

namespace quorvix {

struct modMain {
  // LastRecv keeps at most this many bytes; later ones are dropped until it
  // is emptied, so a transmitter that never stops cannot grow the host.
  static constexpr std::size_t kLastRecvLimit = 64 * 1024;

  std::string LastRecv;
  bool TransmitterReady = false;
  bool DMXInActive = false;
  std::int32_t DMXInChannels = 0;
  std::array<std::uint8_t, 256> DMXInCurrent{};
  std::array<std::uint8_t, 256> DMXInPrevious{};
  // Shared so that a report in progress keeps the helper alive when the host
  // calls Term from inside it.
  std::shared_ptr<HostHelper> PluginHelper;

  void AppendReceived(std::string_view bytes) {
    const std::size_t room = kLastRecvLimit - LastRecv.size();
    LastRecv.append(bytes.substr(0, room));
  }
};

}  // namespace quorvix
