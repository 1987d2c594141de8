// State and life of the COM server: settings in the registry, two objects
// sharing one state, DllCanUnloadNow, and what unregistering leaves.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bindings/com/quorvix_idl.h"
#include "driver_client.h"
#include "recording_helper.h"
#include "scenario_tools.h"

namespace {

constexpr HRESULT kTypeMismatch = MAKE_HRESULT(1, FACILITY_CONTROL, 13);
constexpr HRESULT kStoreFailure = MAKE_HRESULT(1, FACILITY_CONTROL, 75);

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

}  // namespace

void ScenarioSettings(HostContext& host) {
  Checks& checks = host.checks;
  IDispatch* driver = host.Create();
  if (!checks.Expect(driver != nullptr, "created by ProgID")) return;
  const DriverClient client(driver);
  const auto init = [&] {
    return client.Call(L"Init", {Text(kTitle), Text(kFile), Empty()});
  };

  ClearSettings();
  checks.Equal(init().Boolean(), 0, "Init without stored settings");
  checks.Equal(client.Boolean(L"Term"), 0, "Term writes the settings back");
  checks.Expect(GetSetting(L"ComPort") == L"1" &&
                    GetSetting(L"ComSettings") == L"19200,n,8,1" &&
                    GetSetting(L"DMXInActive") == L"False" &&
                    GetSetting(L"DMXInChannels") == L"50" &&
                    GetSetting(L"DMXInInterval") == L"50",
                "Term stores the five defaults as text");

  SetSetting(L"ComPort", L" 7.5 ");
  SetSetting(L"DMXInActive", L"tRUE");
  SetSetting(L"DMXInChannels", L"12");
  checks.Equal(init().Boolean(), 0, "Init with stored settings");
  client.Boolean(L"Term");
  checks.Expect(GetSetting(L"ComPort") == L"8" &&
                    GetSetting(L"DMXInActive") == L"True" &&
                    GetSetting(L"DMXInChannels") == L"12",
                "stored texts are converted and written back normalised");

  SetSetting(L"ComPort", L"abc");
  const CallResult mismatch = init();
  checks.Expect(
      mismatch.result == DISP_E_EXCEPTION &&
          mismatch.exception.scode == kTypeMismatch &&
          mismatch.Description().find("ComPort") != std::string::npos &&
          mismatch.Description().find("abc") != std::string::npos,
      "a port text that is no number is error 13 naming key and text",
      mismatch.Description());

  SetSetting(L"ComPort", L"3");
  {
    const std::wstring path =
        std::wstring(L"Software\\VB and VBA Program Settings\\") + kTitle +
        L"\\Plugins\\" + kFile;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key);
    const DWORD number = 38400;
    RegSetValueExW(key, L"ComSettings", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
  }
  const CallResult not_text = init();
  checks.Expect(
      not_text.result == DISP_E_EXCEPTION &&
          not_text.exception.scode == kStoreFailure &&
          not_text.Description().find("ComSettings") != std::string::npos,
      "a value that is not REG_SZ is error 75 naming the key",
      not_text.Description());

  // Titles and file names beyond ASCII reach the registry as UTF-16.
  SetSetting(L"ComSettings", L"38400,n,8,1");
  const std::wstring title = L"Bühne Ω";
  checks.Equal(client.Boolean(L"Init", {Text(title.c_str()),
                                        Text(L"plug-in ß.dll"), Empty()}),
               0, "Init with a title beyond ASCII");
  client.Boolean(L"Term");
  checks.Expect(
      KeyExists(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\" +
                                       title + L"\\Plugins\\plug-in ß.dll"),
      "the settings key is named in UTF-16");

  // Leave the values run.sh reads back with `wine reg query`.
  UseSimulator(host, L"38400,n,8,1");
  SetSetting(L"DMXInChannels", L"33");
  init();
  client.Boolean(L"Term");
  driver->Release();
}

void ScenarioObjects(HostContext& host) {
  Checks& checks = host.checks;
  UseSimulator(host, L"38400,n,8,1");
  IDispatch* first = host.Create();
  IDispatch* second = host.Create();
  if (!checks.Expect(first && second, "two objects created")) return;
  const DriverClient a(first);
  const DriverClient b(second);
  RecordingHelper helper;
  a.Boolean(L"Init", {Text(kTitle), Text(kFile), Dispatch(&helper)});
  checks.Equal(a.Boolean(L"Enable"), 1, "the first object enables the link");
  checks.Equal(b.Boolean(L"SetChannel", {Long(2), Long(22)}), 1,
               "the second object sends on the same link");
  checks.Equal(b.Boolean(L"Disable"), 1, "the second object disables it");
  checks.Equal(a.Boolean(L"SetChannel", {Long(2), Long(23)}), 0,
               "the first object sees the link disabled");
  checks.Equal(a.Boolean(L"Enable"), 1, "the first object enables again");
  first->Release();
  checks.Equal(b.Boolean(L"SetChannel", {Long(3), Long(33)}), 1,
               "releasing an object stops nothing");
  checks.Equal(helper.references(), 2L,
               "the helper stays held while objects come and go");
  b.Boolean(L"Disable");
  b.Boolean(L"Term");
  checks.Equal(helper.references(), 1L, "Term of either object releases it");
  second->Release();
}

void ScenarioUnload(HostContext& host) {
  Checks& checks = host.checks;
  const wchar_t* dll_path = _wgetenv(L"QUORVIX_DLL");
  HMODULE module = dll_path ? LoadLibraryW(dll_path) : nullptr;
  if (!checks.Expect(module != nullptr, "the DLL loads by path")) return;
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto can_unload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  const auto get_class = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (!checks.Expect(can_unload && get_class, "both exports found")) return;

  checks.Equal(can_unload(), S_OK, "unloadable before any object");
  IClassFactory* factory = nullptr;
  get_class(CLSID_clsOutputDriver, IID_IClassFactory,
            reinterpret_cast<void**>(&factory));
  if (!checks.Expect(factory != nullptr, "class factory")) return;
  checks.Equal(can_unload(), S_FALSE, "not while the factory is held");
  IDispatch* driver = nullptr;
  factory->CreateInstance(nullptr, IID_IDispatch,
                          reinterpret_cast<void**>(&driver));
  factory->LockServer(TRUE);
  factory->Release();
  checks.Equal(can_unload(), S_FALSE, "not while the server is locked");
  factory->LockServer(FALSE);
  if (!checks.Expect(driver != nullptr, "object from the factory")) return;
  checks.Equal(can_unload(), S_FALSE, "not while an object lives");

  UseSimulator(host, L"38400,n,8,1");
  RecordingHelper helper;
  const DriverClient client(driver);
  client.Boolean(L"Init", {Text(kTitle), Text(kFile), Dispatch(&helper)});
  client.Boolean(L"Enable");
  driver->Release();
  checks.Equal(can_unload(), S_FALSE, "not while the port is open");
  IDispatch* again = nullptr;
  get_class(CLSID_clsOutputDriver, IID_IClassFactory,
            reinterpret_cast<void**>(&factory));
  factory->CreateInstance(nullptr, IID_IDispatch,
                          reinterpret_cast<void**>(&again));
  factory->Release();
  const DriverClient second(again);
  second.Boolean(L"Disable");
  again->Release();
  checks.Equal(can_unload(), S_FALSE, "not while the helper is held");
  get_class(CLSID_clsOutputDriver, IID_IClassFactory,
            reinterpret_cast<void**>(&factory));
  factory->CreateInstance(nullptr, IID_IDispatch,
                          reinterpret_cast<void**>(&again));
  factory->Release();
  DriverClient(again).Boolean(L"Term");
  again->Release();
  checks.Equal(can_unload(), S_OK, "unloadable once Term let go of all");
  checks.Equal(helper.references(), 1L, "the helper is released");
  FreeLibrary(module);
}

void ScenarioUnregistered(HostContext& host) {
  Checks& checks = host.checks;
  CLSID clsid;
  checks.Expect(FAILED(CLSIDFromProgID(kProgId, &clsid)), "the ProgID is gone");
  IDispatch* driver = nullptr;
  checks.Equal(
      CoCreateInstance(CLSID_clsOutputDriver, nullptr, CLSCTX_INPROC_SERVER,
                       IID_IDispatch, reinterpret_cast<void**>(&driver)),
      REGDB_E_CLASSNOTREG, "the class is no longer registered");
  checks.Expect(!KeyExists(HKEY_CLASSES_ROOT,
                           L"CLSID\\" + GuidText(CLSID_clsOutputDriver)),
                "the CLSID key is gone");
  checks.Expect(
      !KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + GuidText(LIBID_Quorvix)),
      "the type library registration is gone");
  checks.Expect(!KeyExists(HKEY_CLASSES_ROOT,
                           L"Interface\\" + GuidText(IID__clsOutputDriver)),
                "the interface registration is gone");
  checks.Expect(KeyExists(HKEY_CLASSES_ROOT,
                          L"Interface\\{00020400-0000-0000-C000-000000000046}"),
                "IDispatch's own registration is untouched");
}
