// Stored settings: the three conversions agree with each other on any text,
// and a whole settings read from any .ini file either applies every value or
// fails with one of the errors a host is told about; what it applied is
// written back and read again unchanged.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/temp_folder.h"
#include "core/persisted_settings.h"
#include "core/settings_conversion.h"
#include "link/frmMain.h"
#include "link/line_settings.h"
#include "platform/error.h"
#include "platform/posix/keyfile_store.h"
#include "testing/fake/fake_platform.h"

namespace {

using namespace quorvix;

std::unique_ptr<common::TempFolder> config_home;

constexpr std::string_view kTitle = "Fuzz";
constexpr std::string_view kFile = "Fuzz.dll";

template <typename Convert>
auto Converted(Convert&& convert, int& error_number)
    -> std::optional<decltype(convert())> {
  try {
    return convert();
  } catch (const Error& error) {
    error_number = error.number();
    if (error_number != kOverflow && error_number != kTypeMismatch) {
      std::abort();
    }
    return std::nullopt;
  }
}

void CheckConversions(std::string_view text) {
  int short_error = 0;
  int long_error = 0;
  int bool_error = 0;
  const auto as_short =
      Converted([&] { return StoredInteger("ComPort", text); }, short_error);
  const auto as_long =
      Converted([&] { return StoredLong("DMXInChannels", text); }, long_error);
  const auto as_bool =
      Converted([&] { return StoredBoolean("DMXInActive", text); }, bool_error);
  if (as_short && (!as_long || *as_long != *as_short)) std::abort();
  if (as_long && *as_long >= -32768 && *as_long <= 32767 && !as_short) {
    std::abort();
  }
  // Both read the same number syntax; only the range differs.
  if ((short_error == kTypeMismatch) != (long_error == kTypeMismatch)) {
    std::abort();
  }
  if (long_error == kOverflow && short_error != kOverflow) std::abort();
  if (bool_error == kOverflow) std::abort();
  // Every number is a boolean, and only zero is false.
  if (long_error != kTypeMismatch && !as_bool) std::abort();
  if (as_long && *as_long != 0 && !*as_bool) std::abort();
}

struct Applied {
  std::int16_t port;
  std::string line;
  bool active;
  std::int32_t channels;
  std::uint16_t interval;
  bool operator==(const Applied&) const = default;
};

// Reads the settings of kTitle into a fresh window; nullopt on a refusal.
std::optional<Applied> ReadAll(SettingsStore& store) {
  fake::FakePlatform fake;
  modMain state;
  frmMain window(fake.platform, state);
  try {
    ReadSettings(store, AddressFor(kTitle, kFile), state, window);
  } catch (const Error& error) {
    switch (error.number()) {
      case kOverflow:
      case kTypeMismatch:
      case kStoreFailure:
      case kInvalidPropertyValue: return std::nullopt;
      default: std::abort();
    }
  }
  const Applied applied{window.comMain.CommPort(), window.comMain.Settings(),
                        state.DMXInActive, state.DMXInChannels,
                        window.timCheckDMXIn.Interval()};
  if (applied.port < 1 || applied.port > 255) std::abort();
  ParseLineSettings(applied.line);  // must not throw: it was applied
  return applied;
}

void CheckWholeRead(std::string_view ini) {
  const auto folder = config_home->path() / "quorvix";
  std::filesystem::create_directories(folder);
  {
    std::ofstream file(folder / (std::string(kTitle) + ".ini"),
                       std::ios::binary | std::ios::trunc);
    file.write(ini.data(), static_cast<std::streamsize>(ini.size()));
  }
  posix::KeyFileStore store;
  const std::optional<Applied> first = ReadAll(store);
  if (first) {
    fake::FakePlatform fake;
    modMain state;
    frmMain window(fake.platform, state);
    window.comMain.SetCommPort(first->port);
    window.comMain.SetSettings(first->line);
    state.DMXInActive = first->active;
    state.DMXInChannels = first->channels;
    window.timCheckDMXIn.SetInterval(first->interval);
    WriteSettings(store, AddressFor(kTitle, kFile), state, window);
    if (ReadAll(store) != first) std::abort();
  }
  std::filesystem::remove_all(folder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  config_home = std::make_unique<common::TempFolder>("quorvix-fuzz");
  ::setenv("XDG_CONFIG_HOME", config_home->path().c_str(), 1);
  std::atexit([] { config_home.reset(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckConversions(text);
  CheckWholeRead(text);
  return 0;
}
