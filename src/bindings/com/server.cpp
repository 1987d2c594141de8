#include "bindings/com/server.h"

#include <string>

#include "bindings/com/runtime.h"

namespace quorvix::com::server {
namespace {

HINSTANCE g_instance = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;
SRWLOCK g_runtime_lock = SRWLOCK_INIT;
Runtime* g_runtime = nullptr;  // freed on DLL unload, never at process exit

}  // namespace

void SetInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE Instance() { return g_instance; }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(g_instance, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void LockServer(bool lock) {
  if (lock) {
    InterlockedIncrement(&g_locks);
  } else {
    InterlockedDecrement(&g_locks);
  }
}

Runtime& AcquireRuntime() {
  AcquireSRWLockExclusive(&g_runtime_lock);
  struct Unlock {
    ~Unlock() { ReleaseSRWLockExclusive(&g_runtime_lock); }
  } unlock;
  if (!g_runtime) g_runtime = new Runtime(g_instance);
  return *g_runtime;
}

HRESULT CanUnloadNow() {
  if (InterlockedCompareExchange(&g_objects, 0, 0) != 0 ||
      InterlockedCompareExchange(&g_locks, 0, 0) != 0) {
    return S_FALSE;
  }
  AcquireSRWLockExclusive(&g_runtime_lock);
  const bool idle =
      !g_runtime || (g_runtime->OnOwnerThread() && g_runtime->Idle());
  ReleaseSRWLockExclusive(&g_runtime_lock);
  return idle ? S_OK : S_FALSE;
}

void ProcessDetach(bool process_terminating) {
  // At process exit other threads are gone and the window may be too.
  if (process_terminating || !g_runtime) return;
  if (g_runtime->OnOwnerThread()) {
    delete g_runtime;
    g_runtime = nullptr;
  }
}

}  // namespace quorvix::com::server
