#include "host_context.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/com_ref.h"
#include "tools/sim/event_log_reader.h"

namespace {

std::wstring SettingsKey() {
  return std::wstring(L"Software\\VB and VBA Program Settings\\") + kTitle +
         L"\\Plugins\\" + kFile;
}

}  // namespace

IDispatch* HostContext::Create() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(kProgId, &clsid))) return nullptr;
  quorvix::win32::ComRef<IDispatch> driver;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IDispatch, driver.PutVoid()))) {
    return nullptr;
  }
  return driver.Detach();
}

void HostContext::Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

bool HostContext::SimCommand(const std::string& line) {
  const auto taken = [&] {
    const std::vector<std::string> lines = SimEvents("cmd");
    return std::count(lines.begin(), lines.end(), line);
  };
  const auto before = taken();
  {
    std::ofstream out(std::filesystem::path(sim_commands),
                      std::ios::app | std::ios::binary);
    out << line << '\n';
  }
  return PumpUntil([&] { return taken() > before; });
}

std::vector<std::string> HostContext::SimEvents(const std::string& event) {
  return quorvix::sim::EventDetails(
      quorvix::sim::ReadSimEventLog(std::filesystem::path(sim_log)), event);
}

void SetSetting(const wchar_t* key, const wchar_t* value) {
  HKEY opened = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, nullptr, 0,
                  KEY_SET_VALUE, nullptr, &opened, nullptr);
  RegSetValueExW(opened, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
}

std::wstring GetSetting(const wchar_t* key) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey().c_str(), 0,
                    KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return {};
  }
  const LSTATUS status = RegQueryValueExW(
      opened, key, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return {};
  if (type != REG_SZ) return L"<not text>";
  return buffer;
}

void ClearSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey().c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, SettingsKey().c_str());
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  std::istringstream in(hex);
  std::string pair;
  while (in >> pair) {
    bytes.push_back(static_cast<char>(std::stoi(pair, nullptr, 16)));
  }
  return bytes;
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(
      CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      out.data(), size);
  return out;
}
