#pragma once
// Receives OutputDebugStringA lines whole through the DBWIN_BUFFER protocol
// (a shared 4 KiB buffer and the events DBWIN_BUFFER_READY and
// DBWIN_DATA_READY), as debug viewers do. Wine's own debug channel would cut
// long lines.

#include <windows.h>

#include <string>
#include <vector>

class DbwinListener {
 public:
  DbwinListener();
  ~DbwinListener();
  DbwinListener(const DbwinListener&) = delete;
  DbwinListener& operator=(const DbwinListener&) = delete;

  bool ok() const { return thread_ != nullptr; }
  // Lines of this process received since the last call, including every
  // line written before this call (writers may still be in flight).
  std::vector<std::string> Take();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  void WaitForLinesWritten();

  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
  HANDLE buffer_ready_ = nullptr;
  HANDLE data_ready_ = nullptr;
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  CRITICAL_SECTION lock_;
  std::vector<std::string> lines_;
  HANDLE marker_seen_ = nullptr;
  std::string marker_;  // under lock_
  unsigned markers_sent_ = 0;
};
