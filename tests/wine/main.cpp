// The Wine test host: a Win32 program that uses quorvix.dll as a host
// does, through COM, and runs one scenario per invocation:
//   quorvix_wine_host <scenario> <sim log> <sim command file>
//   quorvix_wine_host watch-boxes <box log> <stop file>
// It ends with "N passed, M failed" and exits non-zero on any failure.

#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "host_context.h"
#include "scenarios.h"

namespace {

// Beside a script client: dismisses the plug-in's boxes until `stop_file`
// exists, logging each as "<icon>|<text>" in UTF-8.
int WatchBoxes(const wchar_t* log_path, const wchar_t* stop_file) {
  std::ofstream log(std::filesystem::path(log_path),
                    std::ios::binary | std::ios::app);
  while (GetFileAttributesW(stop_file) == INVALID_FILE_ATTRIBUTES) {
    for (const SeenBox& box : DismissBoxes(kBoxTitle)) {
      log << Utf8(box.icon) << '|' << Utf8(box.text) << '\n';
      log.flush();
    }
    Sleep(20);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"watch-boxes") {
    return WatchBoxes(argv[2], argv[3]);
  }
  const auto& scenarios = Scenarios();
  if (argc != 4 || !scenarios.count(argv[1])) {
    std::fprintf(stderr,
                 "usage: quorvix_wine_host <scenario> <sim log> <sim commands>"
                 "\n       quorvix_wine_host watch-boxes <log> <stop file>\n"
                 "scenarios:");
    for (const auto& entry : scenarios) {
      std::fprintf(stderr, " %s", Utf8(entry.first).c_str());
    }
    std::fprintf(stderr, "\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Checks checks;
  {
    DbwinListener traces;
    checks.Expect(traces.ok(), "DBWIN listener started");
    BoxWatcher boxes(kBoxTitle);
    HostContext context{checks, traces, boxes, argv[2], argv[3]};
    scenarios.at(argv[1])(context);
  }
  CoUninitialize();
  std::printf("%d passed, %d failed\n", checks.passed(), checks.failed());
  return checks.failed() == 0 ? 0 : 1;
}
