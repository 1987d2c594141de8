// The registry store keeps the settings stores' contract, under Wine, on
// applications of its own that it deletes afterwards.
#include <windows.h>

#include <set>
#include <string>

#include "contract/settings_store_contract.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/wide_text.h"

namespace quorvix::test {
namespace {

class RegistryStoreHarness {
 public:
  ~RegistryStoreHarness() {
    for (const std::string& application : applications_) {
      RegDeleteTreeW(
          HKEY_CURRENT_USER,
          win32::Widen("Software\\VB and VBA Program Settings\\" + application)
              .c_str());
    }
  }

  SettingsStore& store() { return registry_; }
  std::string Application(std::string_view name) {
    const std::string application = "Quorvix contract " +
                                    std::to_string(GetCurrentProcessId()) +
                                    " " + std::string(name);
    applications_.insert(application);
    return application;
  }
  // The registry would stop reading the name at its zero.
  SettingValue Refused() { return {std::string("Refused\0key", 11), "x"}; }

 private:
  win32::RegistryStore registry_;
  std::set<std::string> applications_;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Registry, SettingsStoreContract,
                               ::testing::Types<test::RegistryStoreHarness>);
}  // namespace quorvix::contract
