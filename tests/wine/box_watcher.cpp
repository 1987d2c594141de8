#include "box_watcher.h"

namespace {

// Message boxes keep their text in a static control with this id.
constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x0440;
constexpr DWORD kPollMs = 20;

std::wstring IconOf(HWND box) {
  const HWND icon_control = GetDlgItem(box, kIconId);
  if (!icon_control) return L"none";
  const auto icon =
      reinterpret_cast<HICON>(SendMessageW(icon_control, STM_GETICON, 0, 0));
  if (!icon) return L"none";
  if (icon == LoadIconW(nullptr, IDI_HAND)) return L"error";
  if (icon == LoadIconW(nullptr, IDI_ASTERISK)) return L"information";
  return L"other";
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                       static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), size, nullptr, nullptr);
  return out;
}

std::vector<SeenBox> DismissBoxes(const std::wstring& title) {
  std::vector<SeenBox> seen;
  for (;;) {
    const HWND box = FindWindowW(L"#32770", title.c_str());
    if (!box) return seen;
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, kTextId, text, 2048);
    seen.push_back({text, IconOf(box)});
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    // The box is gone once its modal loop has run; wait for that.
    for (int i = 0; i < 250 && IsWindow(box); ++i) Sleep(kPollMs);
  }
}

BoxWatcher::BoxWatcher(std::wstring title)
    : title_(std::move(title)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(nullptr) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, &BoxWatcher::ThreadMain, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
  SetEvent(stop_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

DWORD WINAPI BoxWatcher::ThreadMain(void* self) {
  static_cast<BoxWatcher*>(self)->Run();
  return 0;
}

void BoxWatcher::Run() {
  while (WaitForSingleObject(stop_, kPollMs) == WAIT_TIMEOUT) {
    const auto boxes = DismissBoxes(title_);
    if (boxes.empty()) continue;
    EnterCriticalSection(&lock_);
    seen_.insert(seen_.end(), boxes.begin(), boxes.end());
    LeaveCriticalSection(&lock_);
  }
}

std::vector<SeenBox> BoxWatcher::Take() {
  EnterCriticalSection(&lock_);
  std::vector<SeenBox> taken;
  taken.swap(seen_);
  LeaveCriticalSection(&lock_);
  return taken;
}
