// The in-memory store keeps the settings stores' contract.
#include "contract/settings_store_contract.h"
#include "testing/fake/fake_store.h"

namespace quorvix::test {
namespace {

struct FakeStoreHarness {
  FakeStoreHarness() { fake.FailWriteOf("Refused"); }
  SettingsStore& store() { return fake; }
  std::string Application(std::string_view name) { return std::string(name); }
  SettingValue Refused() { return {"Refused", "x"}; }
  fake::FakeStore fake;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SettingsStoreContract,
                               ::testing::Types<test::FakeStoreHarness>);
}  // namespace quorvix::contract
