#pragma once
// The five settings kept per host and plug-in file, under section
// "Plugins\" + file name of the host's application.

#include <string>
#include <string_view>

#include "link/frmMain.h"
#include "platform/settings_store.h"
#include "state/modMain.h"

namespace quorvix {

struct SettingsAddress {
  std::string application;  // the host's title
  std::string section;      // "Plugins\" + the plug-in's file name
};

SettingsAddress AddressFor(std::string_view calling_app_title,
                           std::string_view my_filename);

// Reads "ComPort", "ComSettings", "DMXInActive", "DMXInChannels" and
// "DMXInInterval" in this order, applying each before the next is read; the
// first failure ends the reading.
void ReadSettings(SettingsStore& store, const SettingsAddress& address,
                  modMain& state, frmMain& window);

// Writes the same keys in the same order from the live values, in one
// write of the store: a failure leaves what was stored before.
void WriteSettings(SettingsStore& store, const SettingsAddress& address,
                   const modMain& state, const frmMain& window);

}  // namespace quorvix
