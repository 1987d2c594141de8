#include "core/persisted_settings.h"

#include <string>

#include "core/settings_conversion.h"
#include "platform/error.h"

namespace quorvix {
namespace {

constexpr std::string_view kComPort = "ComPort";
constexpr std::string_view kComSettings = "ComSettings";
constexpr std::string_view kDMXInActive = "DMXInActive";
constexpr std::string_view kDMXInChannels = "DMXInChannels";
constexpr std::string_view kDMXInInterval = "DMXInInterval";

// What a host without stored settings gets. The line differs from the port
// control's own default (CommControl::kDefaultSettings) on purpose.
constexpr std::string_view kDefaultComPort = "1";
constexpr std::string_view kDefaultComSettings = "19200,n,8,1";
constexpr std::string_view kDefaultDMXInActive = "False";
constexpr std::string_view kDefaultDMXInChannels = "50";

// The port and the timer refuse values with their own error; the host
// still needs to know which stored key held it.
template <typename Apply>
void ApplyStored(std::string_view key, std::string_view text, Apply&& apply) {
  try {
    apply();
  } catch (const Error& error) {
    throw Error(error.number(), "Setting \"" + std::string(key) +
                                    "\" holds \"" + std::string(text) +
                                    "\": " + error.what());
  }
}

}  // namespace

SettingsAddress AddressFor(std::string_view calling_app_title,
                           std::string_view my_filename) {
  return {std::string(calling_app_title),
          "Plugins\\" + std::string(my_filename)};
}

void ReadSettings(SettingsStore& store, const SettingsAddress& address,
                  modMain& state, frmMain& window) {
  const auto read = [&](std::string_view key, std::string_view default_value) {
    return store.Read(address.application, address.section, key, default_value);
  };
  const std::string port = read(kComPort, kDefaultComPort);
  const std::int16_t port_number = StoredInteger(kComPort, port);
  ApplyStored(kComPort, port, [&] { window.comMain.SetCommPort(port_number); });

  const std::string line_settings = read(kComSettings, kDefaultComSettings);
  ApplyStored(kComSettings, line_settings,
              [&] { window.comMain.SetSettings(line_settings); });

  state.DMXInActive =
      StoredBoolean(kDMXInActive, read(kDMXInActive, kDefaultDMXInActive));
  state.DMXInChannels =
      StoredLong(kDMXInChannels, read(kDMXInChannels, kDefaultDMXInChannels));

  const std::string interval =
      read(kDMXInInterval, std::to_string(frmMain::kDefaultPollInterval));
  const std::int32_t interval_ms = StoredLong(kDMXInInterval, interval);
  ApplyStored(kDMXInInterval, interval,
              [&] { window.timCheckDMXIn.SetInterval(interval_ms); });
}

void WriteSettings(SettingsStore& store, const SettingsAddress& address,
                   const modMain& state, const frmMain& window) {
  store.Write(
      address.application, address.section,
      {{std::string(kComPort), std::to_string(window.comMain.CommPort())},
       {std::string(kComSettings), window.comMain.Settings()},
       {std::string(kDMXInActive), state.DMXInActive ? "True" : "False"},
       {std::string(kDMXInChannels), std::to_string(state.DMXInChannels)},
       {std::string(kDMXInInterval),
        std::to_string(window.timCheckDMXIn.Interval())}});
}

}  // namespace quorvix
