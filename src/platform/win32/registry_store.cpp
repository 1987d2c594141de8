#include "platform/win32/registry_store.h"

#include <windows.h>

#include <vector>

#include "platform/error.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

constexpr std::string_view kRoot = "Software\\VB and VBA Program Settings\\";

std::string KeyPath(std::string_view application, std::string_view section) {
  std::string path(kRoot);
  path += application;
  path += '\\';
  path += section;
  return path;
}

std::string Where(std::string_view key, std::string_view path) {
  return "setting \"" + std::string(key) + "\" in HKEY_CURRENT_USER\\" +
         std::string(path);
}

// The registry stops reading a name at a zero character.
void RefuseZeros(std::string_view key, std::string_view path,
                 std::string_view application, std::string_view section) {
  const auto has_zero = [](std::string_view text) {
    return text.find('\0') != std::string_view::npos;
  };
  if (has_zero(key) || has_zero(application) || has_zero(section)) {
    throw Error(kStoreFailure, "Cannot address " + Where(key, path) +
                                   ": a name holds a zero character");
  }
}

}  // namespace

std::string RegistryStore::Read(std::string_view application,
                                std::string_view section, std::string_view key,
                                std::string_view default_value) {
  const std::string path = KeyPath(application, section);
  RefuseZeros(key, path, application, section);
  HKEY opened_key = nullptr;
  const LSTATUS open_status = RegOpenKeyExW(
      HKEY_CURRENT_USER, Widen(path).c_str(), 0, KEY_QUERY_VALUE, &opened_key);
  const UniqueKey opened(opened_key);
  if (open_status == ERROR_FILE_NOT_FOUND) return std::string(default_value);
  if (open_status != ERROR_SUCCESS) {
    throw Error(kStoreFailure, "Cannot read " + Where(key, path) + ": " +
                                   SystemErrorText(open_status));
  }
  const std::wstring name = Widen(key);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status =
        RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return std::string(default_value);
    if (status == ERROR_MORE_DATA) {
      buffer.resize(bytes / sizeof(wchar_t) + 1);
      continue;
    }
    if (status != ERROR_SUCCESS) {
      throw Error(kStoreFailure, "Cannot read " + Where(key, path) + ": " +
                                     SystemErrorText(status));
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      throw Error(kStoreFailure, "Cannot read " + Where(key, path) +
                                     ": it is not a text value (REG_SZ)");
    }
    std::wstring_view text(buffer.data(), bytes / sizeof(wchar_t));
    // A stored string may or may not carry its terminating zero.
    text = text.substr(0, text.find(L'\0'));
    return Narrow(text);
  }
}

void RegistryStore::Write(std::string_view application,
                          std::string_view section,
                          const std::vector<SettingValue>& values) {
  const std::string path = KeyPath(application, section);
  // Everything that can be refused is refused before the first value is set.
  std::vector<std::wstring> texts;
  texts.reserve(values.size());
  for (const SettingValue& v : values) {
    RefuseZeros(v.key, path, application, section);
    texts.push_back(Widen(v.value));
    if ((texts.back().size() + 1) * sizeof(wchar_t) > 0x7fffffff) {
      throw Error(kStoreFailure, "Cannot write " + Where(v.key, path) +
                                     ": the text is too long");
    }
  }
  if (values.empty()) return;
  HKEY created_key = nullptr;
  const LSTATUS create_status = RegCreateKeyExW(
      HKEY_CURRENT_USER, Widen(path).c_str(), 0, nullptr,
      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created_key, nullptr);
  const UniqueKey created(created_key);
  if (create_status != ERROR_SUCCESS) {
    throw Error(kStoreFailure, "Cannot write " +
                                   Where(values.front().key, path) + ": " +
                                   SystemErrorText(create_status));
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::wstring& text = texts[i];
    const LSTATUS status =
        RegSetValueExW(created.get(), Widen(values[i].key).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
      throw Error(kStoreFailure, "Cannot write " + Where(values[i].key, path) +
                                     ": " + SystemErrorText(status));
    }
  }
}

}  // namespace quorvix::win32
