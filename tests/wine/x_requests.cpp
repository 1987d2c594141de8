#include "x_requests.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kLimitMs = 60000;

std::wstring Folder() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD length =
      GetEnvironmentVariableW(L"QUORVIX_X_REQUESTS", folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? folder : L"";
}

}  // namespace

bool XRequestsAvailable() { return !Folder().empty(); }

bool XRequest(const std::string& request) {
  const std::wstring folder = Folder();
  if (folder.empty()) return false;
  const std::wstring pending = folder + L"\\request.tmp";
  const std::wstring posted = folder + L"\\request";
  const std::wstring done = folder + L"\\done";
  DeleteFileW(done.c_str());
  {
    std::ofstream out(std::filesystem::path(pending),
                      std::ios::binary | std::ios::trunc);
    out << request << '\n';
  }
  // Whole or not at all: run.sh must never read half a request.
  if (!MoveFileExW(pending.c_str(), posted.c_str(),
                   MOVEFILE_REPLACE_EXISTING)) {
    return false;
  }
  for (DWORD waited = 0; waited < kLimitMs; waited += kPollMs) {
    std::ifstream in(std::filesystem::path(done), std::ios::binary);
    std::string status;
    if (in && std::getline(in, status)) {
      in.close();
      DeleteFileW(done.c_str());
      return status == "0";
    }
    Sleep(kPollMs);
  }
  return false;
}
