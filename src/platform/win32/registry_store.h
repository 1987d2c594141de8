#pragma once
// Settings under "HKEY_CURRENT_USER\Software\VB and VBA Program Settings
// \<application>\<section>", as REG_SZ values: where automation plug-ins of
// this kind have always kept them, so that users' settings keep working. A
// backslash in the section opens a subkey.
//
// The registry sets each value atomically but several only one after the
// other: a write opens the key once and sets its values in order, after
// refusing any it could not store, so only a failure of the registry itself
// part way (a full hive, a key other software locked) or a process killed
// in between can leave the first values of a write new and the rest old.

#include "platform/settings_store.h"

namespace quorvix::win32 {

class RegistryStore final : public SettingsStore {
 public:
  std::string Read(std::string_view application, std::string_view section,
                   std::string_view key,
                   std::string_view default_value) override;
  void Write(std::string_view application, std::string_view section,
             const std::vector<SettingValue>& values) override;
};

}  // namespace quorvix::win32
