#pragma once
// Finds message boxes by their title, records text and icon, and dismisses
// them with OK, from a thread of its own (the box blocks the thread that
// shows it).

#include <windows.h>

#include <string>
#include <vector>

struct SeenBox {
  std::wstring text;
  std::wstring icon;  // "error", "information", "other" or "none"
};

class BoxWatcher {
 public:
  explicit BoxWatcher(std::wstring title);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // Boxes seen since the last call, oldest first.
  std::vector<SeenBox> Take();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();

  std::wstring title_;
  HANDLE stop_;
  HANDLE thread_;
  CRITICAL_SECTION lock_;
  std::vector<SeenBox> seen_;
};

// One pass: dismisses every box with `title` now shown, returning them.
std::vector<SeenBox> DismissBoxes(const std::wstring& title);

std::string Utf8(const std::wstring& text);
