#include "platform/posix/keyfile_store.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/error.h"
#include "platform/posix/config_home.h"
#include "platform/posix/file_lock.h"
#include "platform/posix/keyfile_names.h"
#include "platform/posix/replace_file.h"

namespace quorvix::posix {
namespace {

using KeyFilePtr = std::unique_ptr<GKeyFile, decltype(&g_key_file_unref)>;

struct ErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorDeleter>;

struct TextDeleter {
  void operator()(gchar* text) const { g_free(text); }
};
using TextPtr = std::unique_ptr<gchar, TextDeleter>;

std::string FileName(std::string_view application) {
  return EscapeTitle(application) + ".ini";
}

std::string FilePath(std::string_view application) {
  return QuorvixConfigDir() + "/" + FileName(application);
}

// Keys are the driver's own fixed names; anything GKeyFile would misread
// (or take as a translation, "Key[de]") is refused.
void CheckKey(std::string_view key) {
  const bool plain = !key.empty() && key.front() != ' ' && key.back() != ' ' &&
                     key.find_first_of("=[]#") == std::string_view::npos &&
                     std::all_of(key.begin(), key.end(),
                                 [](char c) { return c >= 0x20 && c < 0x7F; });
  if (!plain) {
    throw Error(kStoreFailure,
                "the settings key \"" + std::string(key) +
                    "\" cannot be stored: keys are printable ASCII without "
                    "'=', '[', ']', '#' or blanks at either end");
  }
}

void CheckValue(const SettingValue& setting) {
  const std::string& value = setting.value;
  if (value.find('\0') != std::string::npos ||
      !g_utf8_validate(value.data(), static_cast<gssize>(value.size()),
                       nullptr)) {
    throw Error(kStoreFailure, "the value of \"" + setting.key +
                                   "\" cannot be stored: it is not UTF-8 text "
                                   "without zero bytes");
  }
}

// Loads `path`; an absent file gives an empty key file.
KeyFilePtr Load(const std::string& path) {
  KeyFilePtr file(g_key_file_new(), g_key_file_unref);
  GError* raw = nullptr;
  if (g_key_file_load_from_file(
          file.get(), path.c_str(),
          static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS |
                                     G_KEY_FILE_KEEP_TRANSLATIONS),
          &raw)) {
    return file;
  }
  const ErrorPtr error(raw);
  if (g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
    return file;
  }
  throw Error(kStoreFailure, "cannot read the settings file \"" + path +
                                 "\": " + error->message);
}

}  // namespace

std::string KeyFileStore::Read(std::string_view application,
                               std::string_view section, std::string_view key,
                               std::string_view default_value) {
  CheckKey(key);
  const std::string path = FilePath(application);
  const KeyFilePtr file = Load(path);
  const std::string group = EscapeGroup(section);
  const std::string key_name(key);
  if (!g_key_file_has_key(file.get(), group.c_str(), key_name.c_str(),
                          nullptr)) {
    return std::string(default_value);
  }
  GError* raw = nullptr;
  const TextPtr value(
      g_key_file_get_string(file.get(), group.c_str(), key_name.c_str(), &raw));
  if (value == nullptr) {
    const ErrorPtr error(raw);
    throw Error(kStoreFailure, "cannot read \"" + key_name + "\" in [" + group +
                                   "] of the settings file \"" + path +
                                   "\": " + error->message);
  }
  return value.get();
}

void KeyFileStore::Write(std::string_view application, std::string_view section,
                         const std::vector<SettingValue>& values) {
  for (const SettingValue& setting : values) {
    CheckKey(setting.key);
    CheckValue(setting);
  }
  if (values.empty()) return;
  const std::string folder = QuorvixConfigDir();
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
    const int error = errno;
    throw Error(kStoreFailure, "cannot create the settings folder \"" + folder +
                                   "\": " + std::strerror(error));
  }
  const std::string name = FileName(application);
  const std::string path = folder + "/" + name;
  const FileLock lock(folder + "/." + name + ".lock", path, lock_wait_);
  const KeyFilePtr file = Load(path);
  const std::string group = EscapeGroup(section);
  for (const SettingValue& setting : values) {
    g_key_file_set_string(file.get(), group.c_str(), setting.key.c_str(),
                          setting.value.c_str());
  }
  gsize length = 0;
  const TextPtr text(g_key_file_to_data(file.get(), &length, nullptr));
  ReplaceFile(LinkTarget(path), std::string_view(text.get(), length));
}

}  // namespace quorvix::posix
