#pragma once
// An in-memory settings store that keeps a log of every read and written
// value and can be told to fail (Error 75) on a given read or write. A
// failing write sets none of its values, as the real stores promise.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/settings_store.h"

namespace quorvix::fake {

struct StoreAccess {
  std::string application;
  std::string section;
  std::string key;
  std::string value;  // what was read (or the default) / what was written
};

class FakeStore final : public SettingsStore {
 public:
  std::string Read(std::string_view application, std::string_view section,
                   std::string_view key,
                   std::string_view default_value) override;
  void Write(std::string_view application, std::string_view section,
             const std::vector<SettingValue>& values) override;

  // --- for tests ---
  void Set(std::string_view application, std::string_view section,
           std::string_view key, std::string_view value);
  std::optional<std::string> Get(std::string_view application,
                                 std::string_view section,
                                 std::string_view key) const;
  bool empty() const { return values_.empty(); }

  void FailReads(bool fail = true) { fail_reads_ = fail; }
  void FailReadOf(std::string key) { fail_read_key_ = std::move(key); }
  // Every write call that holds `key` fails.
  void FailWriteOf(std::string key) { fail_write_key_ = std::move(key); }

  // Every read attempted, a failing one included.
  const std::vector<StoreAccess>& reads() const { return reads_; }
  // Values of the writes that took effect, in order.
  const std::vector<StoreAccess>& writes() const { return writes_; }
  // Write calls, a failing one included.
  int write_attempts() const { return write_attempts_; }
  std::vector<std::string> ReadKeys() const;
  void ClearLogs();

 private:
  using Address = std::tuple<std::string, std::string, std::string>;

  std::map<Address, std::string> values_;
  std::vector<StoreAccess> reads_;
  std::vector<StoreAccess> writes_;
  int write_attempts_ = 0;
  bool fail_reads_ = false;
  std::optional<std::string> fail_read_key_;
  std::optional<std::string> fail_write_key_;
};

}  // namespace quorvix::fake
