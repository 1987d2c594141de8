#pragma once
// Settings under "HKEY_CURRENT_USER\Software\VB and VBA Program Settings
// \<application>\<section>", as REG_SZ values: where automation plug-ins of
// this kind have always kept them, so that users' settings keep working. A
// backslash in the section opens a subkey.

#include "platform/settings_store.h"

namespace quorvix::win32 {

class RegistryStore final : public SettingsStore {
 public:
  std::string Read(std::string_view application, std::string_view section,
                   std::string_view key,
                   std::string_view default_value) override;
  void Write(std::string_view application, std::string_view section,
             std::string_view key, std::string_view value) override;
};

}  // namespace quorvix::win32
