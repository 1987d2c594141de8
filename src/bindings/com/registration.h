#pragma once
// Registration of the class, its ProgID, InprocServer32 (apartment) and the
// type library: for all users under HKEY_CLASSES_ROOT, or for the current
// user under HKEY_CURRENT_USER\Software\Classes. Unregistering removes
// exactly what registering added.

#include <windows.h>

namespace quorvix::com {

enum class RegistrationScope { kAllUsers, kCurrentUser };

HRESULT RegisterServer(RegistrationScope scope);
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace quorvix::com
