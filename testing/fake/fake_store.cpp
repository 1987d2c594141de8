#include "testing/fake/fake_store.h"

#include "platform/error.h"

namespace quorvix::fake {

std::string FakeStore::Read(std::string_view application,
                            std::string_view section, std::string_view key,
                            std::string_view default_value) {
  const auto found = values_.find(Address{
      std::string(application), std::string(section), std::string(key)});
  const std::string value =
      found != values_.end() ? found->second : std::string(default_value);
  reads_.push_back(StoreAccess{std::string(application), std::string(section),
                               std::string(key), value});
  if (fail_reads_ || fail_read_key_ == key) {
    throw Error(kStoreFailure, "Cannot read setting \"" + std::string(key) +
                                   "\" (scripted failure)");
  }
  return value;
}

void FakeStore::Write(std::string_view application, std::string_view section,
                      const std::vector<SettingValue>& values) {
  ++write_attempts_;
  for (const SettingValue& v : values) {
    if (fail_write_key_ == v.key) {
      throw Error(kStoreFailure,
                  "Cannot write setting \"" + v.key + "\" (scripted failure)");
    }
  }
  for (const SettingValue& v : values) {
    Set(application, section, v.key, v.value);
    writes_.push_back(StoreAccess{std::string(application),
                                  std::string(section), v.key, v.value});
  }
}

void FakeStore::Set(std::string_view application, std::string_view section,
                    std::string_view key, std::string_view value) {
  values_[Address{std::string(application), std::string(section),
                  std::string(key)}] = std::string(value);
}

std::optional<std::string> FakeStore::Get(std::string_view application,
                                          std::string_view section,
                                          std::string_view key) const {
  const auto found = values_.find(Address{
      std::string(application), std::string(section), std::string(key)});
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> FakeStore::ReadKeys() const {
  std::vector<std::string> keys;
  for (const StoreAccess& r : reads_) keys.push_back(r.key);
  return keys;
}

void FakeStore::ClearLogs() {
  reads_.clear();
  writes_.clear();
  write_attempts_ = 0;
}

}  // namespace quorvix::fake
