// State and life of the COM server: settings in the registry, two objects
// sharing one state, DllCanUnloadNow, and what unregistering leaves.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bindings/com/quorvix_idl.h"
#include "driver_client.h"
#include "platform/win32/com_ref.h"
#include "recording_helper.h"
#include "scenario_tools.h"

using quorvix::win32::ComRef;

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

// The driver with no helper, and its Init.
struct SettingsCase {
  HostContext& host;
  const DriverClient& client;

  CallResult Init() const {
    return client.Call(L"Init", {Text(kTitle), Text(kFile), Empty()});
  }
};

void TermStoresTheDefaults(const SettingsCase& c) {
  ClearSettings();
  c.host.checks.Equal(c.Init().Boolean(), 0, "Init without stored settings");
  c.host.checks.Equal(c.client.Boolean(L"Term"), 0,
                      "Term writes the settings back");
  c.host.checks.Expect(GetSetting(L"ComPort") == L"1" &&
                           GetSetting(L"ComSettings") == L"19200,n,8,1" &&
                           GetSetting(L"DMXInActive") == L"False" &&
                           GetSetting(L"DMXInChannels") == L"50" &&
                           GetSetting(L"DMXInInterval") == L"50",
                       "Term stores the five defaults as text");
}

void StoredTextsAreConvertedAndNormalised(const SettingsCase& c) {
  SetSetting(L"ComPort", L" 7.5 ");
  SetSetting(L"DMXInActive", L"tRUE");
  SetSetting(L"DMXInChannels", L"12");
  c.host.checks.Equal(c.Init().Boolean(), 0, "Init with stored settings");
  c.client.Boolean(L"Term");
  c.host.checks.Expect(
      GetSetting(L"ComPort") == L"8" && GetSetting(L"DMXInActive") == L"True" &&
          GetSetting(L"DMXInChannels") == L"12",
      "stored texts are converted and written back normalised");
}

void NonNumericPortIsATypeMismatch(const SettingsCase& c) {
  SetSetting(L"ComPort", L"abc");
  const CallResult mismatch = c.Init();
  c.host.checks.Expect(
      mismatch.result == DISP_E_EXCEPTION &&
          mismatch.exception.scode == kTypeMismatch &&
          mismatch.Description().find("ComPort") != std::string::npos &&
          mismatch.Description().find("abc") != std::string::npos,
      "a port text that is no number is error 13 naming key and text",
      mismatch.Description());
}

void ValueThatIsNoTextIsAStoreFailure(const SettingsCase& c) {
  SetSetting(L"ComPort", L"3");
  const std::wstring path =
      std::wstring(L"Software\\VB and VBA Program Settings\\") + kTitle +
      L"\\Plugins\\" + kFile;
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key);
  const DWORD number = 38400;
  RegSetValueExW(key, L"ComSettings", 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
  const CallResult not_text = c.Init();
  c.host.checks.Expect(
      not_text.result == DISP_E_EXCEPTION &&
          not_text.exception.scode == kStoreFailure &&
          not_text.Description().find("ComSettings") != std::string::npos,
      "a value that is not REG_SZ is error 75 naming the key",
      not_text.Description());
}

// Titles and file names beyond ASCII reach the registry as UTF-16.
void KeyNamesBeyondAsciiAreUtf16(const SettingsCase& c) {
  SetSetting(L"ComSettings", L"38400,n,8,1");
  const std::wstring title = L"Bühne Ω";
  c.host.checks.Equal(
      c.client.Boolean(L"Init",
                       {Text(title.c_str()), Text(L"plug-in ß.dll"), Empty()}),
      0, "Init with a title beyond ASCII");
  c.client.Boolean(L"Term");
  c.host.checks.Expect(
      KeyExists(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\" +
                                       title + L"\\Plugins\\plug-in ß.dll"),
      "the settings key is named in UTF-16");
}

// The factory of a DLL loaded by path, as DllGetClassObject gives it.
ComRef<IClassFactory> FactoryOf(HRESULT(STDAPICALLTYPE* get_class)(REFCLSID,
                                                                   REFIID,
                                                                   void**)) {
  ComRef<IClassFactory> factory;
  get_class(CLSID_clsOutputDriver, IID_IClassFactory, factory.PutVoid());
  return factory;
}

ComRef<IDispatch> ObjectFrom(const ComRef<IClassFactory>& factory) {
  ComRef<IDispatch> object;
  if (factory)
    factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid());
  return object;
}

}  // namespace

void ScenarioSettings(HostContext& host) {
  const auto driver = ComRef<IDispatch>::Adopt(host.Create());
  if (!host.checks.Expect(driver.get() != nullptr, "created by ProgID")) {
    return;
  }
  const DriverClient client(driver.get());
  const SettingsCase c{host, client};
  TermStoresTheDefaults(c);
  StoredTextsAreConvertedAndNormalised(c);
  NonNumericPortIsATypeMismatch(c);
  ValueThatIsNoTextIsAStoreFailure(c);
  KeyNamesBeyondAsciiAreUtf16(c);
  // Leave the values run.sh reads back with `wine reg query`.
  UseSimulator(host, L"38400,n,8,1");
  SetSetting(L"DMXInChannels", L"33");
  c.Init();
  client.Boolean(L"Term");
}

void ScenarioObjects(HostContext& host) {
  Checks& checks = host.checks;
  UseSimulator(host, L"38400,n,8,1");
  RecordingHelper helper;
  auto first = ComRef<IDispatch>::Adopt(host.Create());
  const auto second = ComRef<IDispatch>::Adopt(host.Create());
  if (!checks.Expect(first && second, "two objects created")) return;
  const DriverClient a(first.get());
  const DriverClient b(second.get());
  a.Boolean(L"Init", {Text(kTitle), Text(kFile), Dispatch(&helper)});
  checks.Equal(a.Boolean(L"Enable"), 1, "the first object enables the link");
  checks.Equal(b.Boolean(L"SetChannel", {Long(2), Long(22)}), 1,
               "the second object sends on the same link");
  checks.Equal(b.Boolean(L"Disable"), 1, "the second object disables it");
  checks.Equal(a.Boolean(L"SetChannel", {Long(2), Long(23)}), 0,
               "the first object sees the link disabled");
  checks.Equal(a.Boolean(L"Enable"), 1, "the first object enables again");
  first.Reset();
  checks.Equal(b.Boolean(L"SetChannel", {Long(3), Long(33)}), 1,
               "releasing an object stops nothing");
  checks.Equal(helper.references(), 2L,
               "the helper stays held while objects come and go");
  b.Boolean(L"Disable");
  b.Boolean(L"Term");
  checks.Equal(helper.references(), 1L, "Term of either object releases it");
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

  RecordingHelper helper;
  {
    checks.Equal(can_unload(), S_OK, "unloadable before any object");
    auto factory = FactoryOf(get_class);
    if (!checks.Expect(bool(factory), "class factory")) return;
    checks.Equal(can_unload(), S_FALSE, "not while the factory is held");
    auto driver = ObjectFrom(factory);
    factory->LockServer(TRUE);
    factory.Reset();
    checks.Equal(can_unload(), S_FALSE, "not while the server is locked");
    FactoryOf(get_class)->LockServer(FALSE);
    if (!checks.Expect(bool(driver), "object from the factory")) return;
    checks.Equal(can_unload(), S_FALSE, "not while an object lives");

    UseSimulator(host, L"38400,n,8,1");
    const DriverClient client(driver.get());
    client.Boolean(L"Init", {Text(kTitle), Text(kFile), Dispatch(&helper)});
    client.Boolean(L"Enable");
  }
  checks.Equal(can_unload(), S_FALSE, "not while the port is open");
  DriverClient(ObjectFrom(FactoryOf(get_class)).get()).Boolean(L"Disable");
  checks.Equal(can_unload(), S_FALSE, "not while the helper is held");
  DriverClient(ObjectFrom(FactoryOf(get_class)).get()).Boolean(L"Term");
  checks.Equal(can_unload(), S_OK, "unloadable once Term let go of all");
  checks.Equal(helper.references(), 1L, "the helper is released");
  FreeLibrary(module);
}

void ScenarioUnregistered(HostContext& host) {
  Checks& checks = host.checks;
  CLSID clsid;
  checks.Expect(FAILED(CLSIDFromProgID(kProgId, &clsid)), "the ProgID is gone");
  ComRef<IDispatch> driver;
  checks.Equal(
      CoCreateInstance(CLSID_clsOutputDriver, nullptr, CLSCTX_INPROC_SERVER,
                       IID_IDispatch, driver.PutVoid()),
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
