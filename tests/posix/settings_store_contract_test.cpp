// The key-file store keeps the settings stores' contract, in a configuration
// folder of its own.
#include "contract/settings_store_contract.h"
#include "platform/posix/keyfile_store.h"
#include "temp_config.h"

namespace quorvix::test {
namespace {

struct KeyFileStoreHarness {
  SettingsStore& store() { return keyfile; }
  std::string Application(std::string_view name) { return std::string(name); }
  // GKeyFile could not give it back.
  SettingValue Refused() { return {"Refused", "\xFF"}; }
  TempConfigHome home;
  posix::KeyFileStore keyfile;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(KeyFile, SettingsStoreContract,
                               ::testing::Types<test::KeyFileStoreHarness>);
}  // namespace quorvix::contract
