#include "dialog_driver.h"

#include <cstring>

#include "driver_client.h"
#include "scenario_tools.h"

IDispatch* InitDriver(HostContext& host, const wchar_t* line_settings) {
  UseSimulator(host, line_settings);
  IDispatch* driver = host.Create();
  if (!host.checks.Expect(driver != nullptr, "created by ProgID")) {
    return nullptr;
  }
  DriverClient(driver).Boolean(L"Init", {Text(kTitle), Text(kFile), Empty()});
  return driver;
}

bool BoxesOverDialog(DialogProbe& probe, BoxOwners& owners, std::size_t count,
                     const std::wstring& text, const std::wstring& icon,
                     std::string& seen) {
  const std::vector<SeenBox> boxes = BoxesSeen(probe.host, count);
  std::vector<HWND> owned;
  // The hook records a box when it is destroyed, just after the watcher saw
  // it.
  probe.WaitFor([&] {
    for (const HWND owner : owners.Take()) owned.push_back(owner);
    return owned.size() >= boxes.size();
  });
  bool right = boxes.size() == count && owned.size() == count;
  seen.clear();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    seen.append(Utf8(boxes[i].icon)).append("|").append(Utf8(boxes[i].text));
    const bool over_dialog = i < owned.size() && owned[i] == probe.dialog();
    seen.append(over_dialog ? " (owned by the dialog) " : " (not owned) ");
    right =
        right && boxes[i].text == text && boxes[i].icon == icon && over_dialog;
  }
  return right;
}

void PutOnClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
  }
  CloseClipboard();
}
