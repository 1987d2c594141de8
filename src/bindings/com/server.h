#pragma once
// Process-wide state of the COM server: the DLL's instance, the counts that
// decide DllCanUnloadNow, and the one Runtime.

#include <windows.h>

#include <string>

namespace quorvix::com {

class Runtime;

namespace server {

void SetInstance(HINSTANCE instance);
HINSTANCE Instance();
// The DLL's full path.
std::wstring ModulePath();

void ObjectCreated();
void ObjectDestroyed();
void LockServer(bool lock);

// Creates the runtime on the first call (pinning it to the calling thread);
// throws when the hidden window cannot be created.
Runtime& AcquireRuntime();

// S_OK only when no object, no lock, no open port, no running timer or
// reader thread and no held helper remain. Answered from the owner thread
// only; from another thread while a runtime exists, S_FALSE.
HRESULT CanUnloadNow();

// DLL_PROCESS_DETACH: tears the runtime down on its own thread when the DLL
// is freed; at process exit nothing is touched.
void ProcessDetach(bool process_terminating);

}  // namespace server
}  // namespace quorvix::com
