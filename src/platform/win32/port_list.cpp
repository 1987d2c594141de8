// Which ports exist: the serial ports the system lists under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (values such as "\Device\Serial0" =
// "COM3"); USB adapters appear there while they are plugged in.

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/serial_port.h"
#include "platform/win32/unique_handle.h"

namespace quorvix::win32 {
namespace {

constexpr int kMaxPort = 255;

// Holds nothing when the key cannot be opened.
UniqueKey OpenToQuery(HKEY parent, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return UniqueKey();
  }
  return UniqueKey(key);
}

// The whole number after "COM", or 0.
int PortNumber(std::wstring_view name) {
  constexpr std::wstring_view kPrefix = L"COM";
  if (name.size() <= kPrefix.size() || name.substr(0, 3) != kPrefix) return 0;
  int number = 0;
  for (const wchar_t c : name.substr(kPrefix.size())) {
    if (c < L'0' || c > L'9' || number > kMaxPort) return 0;
    number = number * 10 + (c - L'0');
  }
  return number;
}

}  // namespace

std::vector<int> SerialPorts::ExistingPorts() const {
  const UniqueKey key =
      OpenToQuery(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
  std::set<int> ports;
  if (key.get() == nullptr) return {};
  for (DWORD index = 0;; ++index) {
    wchar_t value_name[256];
    DWORD name_length = static_cast<DWORD>(std::size(value_name));
    wchar_t data[64] = {};
    DWORD data_size = sizeof(data) - sizeof(wchar_t);  // room for a zero
    DWORD type = 0;
    const LONG status =
        RegEnumValueW(key.get(), index, value_name, &name_length, nullptr,
                      &type, reinterpret_cast<BYTE*>(data), &data_size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    const int port = PortNumber(std::wstring_view(data, wcsnlen(data, 63)));
    if (port >= 1 && port <= kMaxPort) ports.insert(port);
  }
  return {ports.begin(), ports.end()};
}

}  // namespace quorvix::win32
