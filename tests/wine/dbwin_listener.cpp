#include "dbwin_listener.h"

#include <cstring>

namespace {
constexpr DWORD kBufferSize = 4096;
// Our own lines through the buffer start with this; never a trace line.
constexpr char kMarkerPrefix[] =
    "\x01"
    "dbwin-listener-marker ";
constexpr DWORD kMarkerWaitMs = 10000;
}  // namespace

DbwinListener::DbwinListener() {
  InitializeCriticalSection(&lock_);
  mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                0, kBufferSize, L"DBWIN_BUFFER");
  if (!mapping_) return;
  view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, kBufferSize);
  buffer_ready_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
  data_ready_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  marker_seen_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!view_ || !buffer_ready_ || !data_ready_ || !stop_ || !marker_seen_) {
    return;
  }
  thread_ =
      CreateThread(nullptr, 0, &DbwinListener::ThreadMain, this, 0, nullptr);
}

DbwinListener::~DbwinListener() {
  if (thread_) {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (view_) UnmapViewOfFile(view_);
  for (HANDLE handle :
       {mapping_, buffer_ready_, data_ready_, stop_, marker_seen_}) {
    if (handle) CloseHandle(handle);
  }
  DeleteCriticalSection(&lock_);
}

DWORD WINAPI DbwinListener::ThreadMain(void* self) {
  static_cast<DbwinListener*>(self)->Run();
  return 0;
}

void DbwinListener::Run() {
  const DWORD own_process = GetCurrentProcessId();
  const HANDLE waits[] = {data_ready_, stop_};
  SetEvent(buffer_ready_);
  while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
    const auto* bytes = static_cast<const char*>(view_);
    DWORD process = 0;
    std::memcpy(&process, bytes, sizeof process);
    const char* text = bytes + sizeof process;
    const std::string line(text, strnlen(text, kBufferSize - sizeof process));
    if (process == own_process) {
      EnterCriticalSection(&lock_);
      if (line.starts_with(kMarkerPrefix)) {
        if (line == marker_) SetEvent(marker_seen_);
      } else {
        lines_.push_back(line);
      }
      LeaveCriticalSection(&lock_);
    }
    SetEvent(buffer_ready_);
  }
}

// OutputDebugStringA returns once its line is in the buffer, before this
// listener has copied it. Writers take the buffer in turn, so a marker
// written now arrives after every line written before it.
void DbwinListener::WaitForLinesWritten() {
  if (!thread_) return;
  const std::string marker = kMarkerPrefix + std::to_string(++markers_sent_);
  EnterCriticalSection(&lock_);
  marker_ = marker;
  LeaveCriticalSection(&lock_);
  OutputDebugStringA(marker.c_str());
  WaitForSingleObject(marker_seen_, kMarkerWaitMs);
}

std::vector<std::string> DbwinListener::Take() {
  WaitForLinesWritten();
  EnterCriticalSection(&lock_);
  std::vector<std::string> taken;
  taken.swap(lines_);
  LeaveCriticalSection(&lock_);
  return taken;
}
