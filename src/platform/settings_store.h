#pragma once
// Per-user settings store: text values addressed by application, section
// and key. Failures throw Error 75 naming what could not be read or written.

#include <string>
#include <string_view>

namespace quorvix {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Returns `default_value` when the value is absent.
  virtual std::string Read(std::string_view application,
                           std::string_view section, std::string_view key,
                           std::string_view default_value) = 0;

  virtual void Write(std::string_view application, std::string_view section,
                     std::string_view key, std::string_view value) = 0;
};

}  // namespace quorvix
