#include "bindings/com/registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "bindings/com/quorvix_idl.h"
#include "bindings/com/server.h"
#include "platform/win32/com_ref.h"
#include "platform/win32/unique_handle.h"

// In oleaut32 since Vista; Debian's mingw-w64 headers do not declare them.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path,
                                    OLECHAR* help_dir);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID library, WORD major, WORD minor,
                                      LCID locale, SYSKIND kind);
}

namespace quorvix::com {
namespace {

constexpr wchar_t kProgId[] = L"Quorvix.clsOutputDriver";
constexpr wchar_t kClassName[] = L"clsOutputDriver";

std::wstring GuidText(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

struct Root {
  HKEY key;
  std::wstring prefix;  // below `key`, ending in a backslash or empty
};

Root RootFor(RegistrationScope scope) {
  return scope == RegistrationScope::kAllUsers
             ? Root{HKEY_CLASSES_ROOT, L""}
             : Root{HKEY_CURRENT_USER, L"Software\\Classes\\"};
}

LSTATUS SetText(const Root& root, const std::wstring& path, const wchar_t* name,
                const std::wstring& value) {
  HKEY created = nullptr;
  const LSTATUS status = RegCreateKeyExW(
      root.key, (root.prefix + path).c_str(), 0, nullptr,
      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const win32::UniqueKey key(created);
  return RegSetValueExW(
      key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS DeleteTree(const Root& root, const std::wstring& path) {
  const LSTATUS status = RegDeleteTreeW(root.key, (root.prefix + path).c_str());
  if (status != ERROR_SUCCESS) return status;
  return RegDeleteKeyW(root.key, (root.prefix + path).c_str());
}

HRESULT RegisterTypeLibrary(RegistrationScope scope) {
  const std::wstring path = server::ModulePath();
  win32::ComRef<ITypeLib> library;
  const HRESULT loaded =
      LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
  if (FAILED(loaded)) return loaded;
  std::wstring mutable_path = path;
  return scope == RegistrationScope::kAllUsers
             ? RegisterTypeLib(library.get(), mutable_path.data(), nullptr)
             : RegisterTypeLibForUser(library.get(), mutable_path.data(),
                                      nullptr);
}

HRESULT UnregisterTypeLibrary(RegistrationScope scope) {
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  const HRESULT result =
      scope == RegistrationScope::kAllUsers
          ? UnRegisterTypeLib(LIBID_Quorvix, 1, 0, LOCALE_NEUTRAL, kind)
          : UnRegisterTypeLibForUser(LIBID_Quorvix, 1, 0, LOCALE_NEUTRAL, kind);
  // Not registered is what unregistering wants.
  return result == TYPE_E_REGISTRYACCESS || result == TYPE_E_CANTLOADLIBRARY
             ? S_OK
             : result;
}

}  // namespace

HRESULT RegisterServer(RegistrationScope scope) {
  const Root root = RootFor(scope);
  const std::wstring clsid = GuidText(CLSID_clsOutputDriver);
  const std::wstring class_key = L"CLSID\\" + clsid;
  const std::wstring module = server::ModulePath();
  if (module.empty()) return HRESULT_FROM_WIN32(GetLastError());
  const struct {
    std::wstring path;
    const wchar_t* name;
    std::wstring value;
  } values[] = {
      {class_key, nullptr, kClassName},
      {class_key + L"\\InprocServer32", nullptr, module},
      {class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {class_key + L"\\ProgID", nullptr, kProgId},
      {class_key + L"\\TypeLib", nullptr, GuidText(LIBID_Quorvix)},
      {class_key + L"\\Version", nullptr, L"1.0"},
      {kProgId, nullptr, kClassName},
      {std::wstring(kProgId) + L"\\CLSID", nullptr, clsid},
  };
  for (const auto& value : values) {
    const LSTATUS status = SetText(root, value.path, value.name, value.value);
    if (status != ERROR_SUCCESS) {
      UnregisterServer(scope);
      return SELFREG_E_CLASS;
    }
  }
  if (FAILED(RegisterTypeLibrary(scope))) {
    UnregisterServer(scope);
    return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

HRESULT UnregisterServer(RegistrationScope scope) {
  const Root root = RootFor(scope);
  HRESULT result = S_OK;
  for (const std::wstring& path :
       {L"CLSID\\" + GuidText(CLSID_clsOutputDriver), std::wstring(kProgId)}) {
    const LSTATUS status = DeleteTree(root, path);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      result = SELFREG_E_CLASS;
    }
  }
  if (FAILED(UnregisterTypeLibrary(scope)) && SUCCEEDED(result)) {
    result = SELFREG_E_TYPELIB;
  }
  return result;
}

}  // namespace quorvix::com
