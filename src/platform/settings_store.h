#pragma once
// Per-user settings store: text values addressed by application, section
// and key. Failures throw Error 75 naming what could not be read or written.

#include <string>
#include <string_view>
#include <vector>

namespace quorvix {

struct SettingValue {
  std::string key;
  std::string value;
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Returns `default_value` when the value is absent.
  virtual std::string Read(std::string_view application,
                           std::string_view section, std::string_view key,
                           std::string_view default_value) = 0;

  // Sets every value of one section together: once it returns, all of them
  // are stored; a value the store refuses is refused before any is set.
  // Each back end says how far a failure part way can leave the others.
  virtual void Write(std::string_view application, std::string_view section,
                     const std::vector<SettingValue>& values) = 0;
};

}  // namespace quorvix
