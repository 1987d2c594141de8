// The DLL's entry point and its five exports (see quorvix.def).

#include <windows.h>

#include "bindings/com/class_factory.h"
#include "bindings/com/quorvix_idl.h"
#include "bindings/com/registration.h"
#include "bindings/com/server.h"

using quorvix::com::RegistrationScope;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      quorvix::com::server::SetInstance(instance);
      DisableThreadLibraryCalls(instance);
      break;
    case DLL_PROCESS_DETACH:
      quorvix::com::server::ProcessDetach(reserved != nullptr);
      break;
    default: break;
  }
  return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid,
                                         void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_clsOutputDriver)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return quorvix::com::TheClassFactory().QueryInterface(iid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return quorvix::com::server::CanUnloadNow();
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  return quorvix::com::RegisterServer(RegistrationScope::kAllUsers);
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return quorvix::com::UnregisterServer(RegistrationScope::kAllUsers);
}

// `regsvr32 /n /i:user quorvix.dll` registers for the current user only;
// any other command line means all users.
HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR command_line) {
  const bool per_user =
      command_line &&
      CompareStringOrdinal(command_line, -1, L"user", -1, TRUE) == CSTR_EQUAL;
  const RegistrationScope scope =
      per_user ? RegistrationScope::kCurrentUser : RegistrationScope::kAllUsers;
  return install ? quorvix::com::RegisterServer(scope)
                 : quorvix::com::UnregisterServer(scope);
}

}  // extern "C"
