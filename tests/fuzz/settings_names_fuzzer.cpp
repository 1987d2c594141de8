// Application titles and section names from the host, to settings file and
// group names: the file stays inside the settings folder whatever the title
// holds, no two titles or sections share a name, and a value written under
// them reads back.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/temp_folder.h"
#include "platform/error.h"
#include "platform/posix/keyfile_names.h"
#include "platform/posix/keyfile_store.h"

namespace {

namespace fs = std::filesystem;
using quorvix::posix::EscapeGroup;
using quorvix::posix::EscapeTitle;

std::unique_ptr<quorvix::common::TempFolder> config_home;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  std::abort();  // the escapes are upper-case hex, always
}

// Undoes the %XX escapes; a '%' without two hex digits after it aborts.
std::string Unescape(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '%') {
      out += name[i];
      continue;
    }
    if (i + 2 >= name.size()) std::abort();
    out +=
        static_cast<char>(HexValue(name[i + 1]) * 16 + HexValue(name[i + 2]));
    i += 2;
  }
  return out;
}

void CheckTitle(std::string_view title) {
  const std::string name = EscapeTitle(title);
  if (name.find('/') != std::string::npos) std::abort();
  if (name.find('\0') != std::string::npos) std::abort();
  if (!name.empty() && name.front() == '.') std::abort();
  if (name.size() > quorvix::posix::kMaxEscapedTitle + 17) std::abort();
  if (name.size() <= quorvix::posix::kMaxEscapedTitle) {
    if (Unescape(name) != title) std::abort();
  } else if (name[quorvix::posix::kMaxEscapedTitle] != '~') {
    std::abort();
  }
}

void CheckGroup(std::string_view section) {
  const std::string group = EscapeGroup(section);
  if (group.empty()) std::abort();
  for (const char c : group) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '[' || c == ']') std::abort();
  }
  if (section.empty() ? group != "%" : Unescape(group) != section) {
    std::abort();
  }
}

// The only files anywhere under the configuration home are the one the
// title names and its lock file, directly inside the settings folder.
void CheckOnlyFile(const fs::path& folder, std::string_view title) {
  const std::string name = EscapeTitle(title) + ".ini";
  const fs::path expected = folder / name;
  const fs::path lock = folder / ("." + name + ".lock");
  int files = 0;
  for (const auto& entry :
       fs::recursive_directory_iterator(config_home->path())) {
    if (entry.is_directory()) {
      if (entry.path() != folder) std::abort();
      continue;
    }
    ++files;
    if (entry.path() != expected && entry.path() != lock) std::abort();
  }
  if (files != 2) std::abort();
}

void CheckStored(std::string_view title, std::string_view section) {
  const fs::path folder = config_home->path() / "quorvix";
  quorvix::posix::KeyFileStore store;
  const std::string value = "7";
  try {
    store.Write(title, section, {{"ComPort", value}});
  } catch (const quorvix::Error& error) {
    // A name the file system refuses (too long for it) may fail, cleanly.
    if (error.number() != quorvix::kStoreFailure) std::abort();
    fs::remove_all(folder);
    return;
  }
  CheckOnlyFile(folder, title);
  if (store.Read(title, section, "ComPort", "none") != value) std::abort();
  fs::remove_all(folder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  config_home = std::make_unique<quorvix::common::TempFolder>("quorvix-fuzz");
  ::setenv("XDG_CONFIG_HOME", config_home->path().c_str(), 1);
  std::atexit([] { config_home.reset(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string title = provider.ConsumeRandomLengthString(400);
  const std::string section = provider.ConsumeRemainingBytesAsString();
  CheckTitle(title);
  CheckGroup(section);
  CheckStored(title, section);
  return 0;
}
