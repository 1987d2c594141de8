// The hand-written IDispatch and the dual interface: every argument form a
// late-bound host passes, the errors and their numbers, IErrorInfo, the
// type library, and the thread the state is pinned to.

#include <cstdio>
#include <string>

#include "bindings/com/quorvix_idl.h"
#include "driver_client.h"
#include "platform/win32/com_ref.h"
#include "scenario_tools.h"

using quorvix::win32::ComRef;

namespace {

constexpr HRESULT kInvalidValue = MAKE_HRESULT(1, FACILITY_CONTROL, 5);
constexpr HRESULT kOverflow = MAKE_HRESULT(1, FACILITY_CONTROL, 6);
constexpr HRESULT kPortNotOpen = MAKE_HRESULT(1, FACILITY_CONTROL, 8012);

struct ThreadCall {
  IDispatch* driver;
  HRESULT invoke_result = S_OK;
  HRESULT vtable_result = S_OK;
};

DWORD WINAPI CallFromOtherThread(void* context) {
  auto* call = static_cast<ThreadCall*>(context);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  call->invoke_result = DriverClient(call->driver).Call(L"PluginName").result;
  ComRef<_clsOutputDriver> dual;
  if (SUCCEEDED(
          call->driver->QueryInterface(IID__clsOutputDriver, dual.PutVoid()))) {
    VARIANT_BOOL result = VARIANT_FALSE;
    call->vtable_result = dual->Disable(&result);
  }
  CoUninitialize();
  return 0;
}

// One driver through IDispatch, as a late-bound host holds it.
struct DispatchCase {
  HostContext& host;
  IDispatch* driver;
  const DriverClient& client;
};

void NamesAndIdsAreFixed(const DispatchCase& c) {
  Checks& checks = c.host.checks;
  const wchar_t* names[] = {L"Disable",    L"Enable",    L"PluginName",
                            L"SetChannel", L"Configure", L"Init",
                            L"Term"};
  bool ids_in_order = true;
  for (DISPID expected = 0x60030000; const wchar_t* name : names) {
    DISPID id = 0;
    LPOLESTR name_list[] = {const_cast<LPOLESTR>(name)};
    ids_in_order &= SUCCEEDED(c.driver->GetIDsOfNames(
                        IID_NULL, name_list, 1, LOCALE_USER_DEFAULT, &id)) &&
                    id == expected++;
  }
  checks.Expect(ids_in_order, "dispatch ids 0x60030000 to 0x60030006 in order");
  checks.Equal(c.client.Call(L"sETcHANNEL", {Long(1), Long(1)}).result, S_OK,
               "names are case-insensitive");
  checks.Equal(c.client.Call(L"Trova").result, DISP_E_UNKNOWNNAME,
               "an unknown name is DISP_E_UNKNOWNNAME");
}

// PluginName as a method, as a property, and both at once.
void PluginNameAnswersEveryGetFlag(const DispatchCase& c) {
  Checks& checks = c.host.checks;
  for (const WORD flags : {WORD{DISPATCH_METHOD}, WORD{DISPATCH_PROPERTYGET},
                           WORD{DISPATCH_METHOD | DISPATCH_PROPERTYGET}}) {
    const CallResult name = c.client.Call(L"PluginName", {}, flags);
    checks.Expect(SUCCEEDED(name.result) && V_VT(&name.value) == VT_BSTR &&
                      name.Text() == "Quorvix Transmitter",
                  "PluginName with flags " + std::to_string(flags));
  }
  checks.Equal(c.client.Call(L"Disable", {}, DISPATCH_PROPERTYPUT).result,
               DISP_E_MEMBERNOTFOUND, "a property put is refused");
}

// By value, typed by reference, variant by reference.
void InitTakesEveryArgumentForm(const DispatchCase& c) {
  Checks& checks = c.host.checks;
  checks.Equal(c.client.Boolean(L"Init", {Text(kTitle), Text(kFile), Empty()}),
               0, "Init with an Empty helper");
  VARIANT title = Text(kTitle);
  VARIANT file = Text(kFile);
  VARIANT nothing = Dispatch(nullptr);
  checks.Equal(
      c.client.Boolean(L"Init", {ByRef(&title), ByRef(&file), ByRef(&nothing)}),
      0, "Init with arguments as VT_VARIANT|VT_BYREF and Nothing");
  VariantClear(&title);
  VariantClear(&file);
  const CallResult bad_helper =
      c.client.Call(L"Init", {Text(kTitle), Text(kFile), Long(3)});
  checks.Expect(bad_helper.result == DISP_E_TYPEMISMATCH &&
                    bad_helper.argument_error == 0,
                "a number as helper is a type mismatch at rgvarg[0]");
}

void SetChannelCoercesWithoutWritingBack(const DispatchCase& c) {
  Checks& checks = c.host.checks;
  VARIANT channel = Long(10);
  VARIANT value = Text(L"12");
  checks.Equal(
      c.client.Boolean(L"SetChannel", {ByRef(&channel), ByRef(&value)}), 1,
      "SetChannel with variant references and a numeric text");
  LONG typed_value = 13;
  VARIANT typed;
  VariantInit(&typed);
  V_VT(&typed) = VT_I4 | VT_BYREF;
  V_I4REF(&typed) = &typed_value;
  checks.Equal(c.client.Boolean(L"SetChannel", {Double(11.0), typed}), 1,
               "SetChannel with a double and a VT_I4|VT_BYREF");
  checks.Expect(
      V_VT(&channel) == VT_I4 && V_I4(&channel) == 10 && typed_value == 13,
      "arguments are never written back");
  VariantClear(&value);
  c.host.PumpUntil([&] { return c.host.SimEvents("frame").size() >= 2; });
  const auto frames = c.host.SimEvents("frame");
  checks.Expect(frames.size() >= 2 && frames[frames.size() - 2] == "10 12" &&
                    frames.back() == "11 13",
                "the coerced values reach the line");
}

void BadArgumentsHaveTheirErrors(const DispatchCase& c) {
  Checks& checks = c.host.checks;
  const CallResult wrong_count = c.client.Call(L"SetChannel", {Long(1)});
  checks.Equal(wrong_count.result, DISP_E_BADPARAMCOUNT,
               "one argument too few is DISP_E_BADPARAMCOUNT");
  const CallResult mismatch =
      c.client.Call(L"SetChannel", {Text(L"abc"), Long(1)});
  checks.Expect(
      mismatch.result == DISP_E_TYPEMISMATCH && mismatch.argument_error == 1,
      "a channel that is no number is a type mismatch at rgvarg[1]");
  const CallResult invalid = c.client.Call(L"SetChannel", {Long(5), Long(300)});
  checks.Expect(invalid.result == DISP_E_EXCEPTION &&
                    invalid.exception.scode == kInvalidValue &&
                    invalid.exception.bstrSource &&
                    std::wstring(invalid.exception.bstrSource) == L"Quorvix" &&
                    invalid.Description().find("300") != std::string::npos,
                "value 300 is error 5 from source Quorvix naming the value",
                invalid.Description());
  const CallResult overflow =
      c.client.Call(L"SetChannel", {Double(2147483648.0), Long(1)});
  checks.Expect(overflow.result == DISP_E_EXCEPTION &&
                    overflow.exception.scode == kOverflow,
                "a channel beyond 32 bits is error 6");
  const CallResult lowest =
      c.client.Call(L"SetChannel", {Long(-2147483647L - 1), Long(1)});
  checks.Expect(
      lowest.result == DISP_E_EXCEPTION && lowest.exception.scode == kOverflow,
      "channel -2147483648 is error 6");
}

void DualInterfaceReportsThroughIErrorInfo(const DispatchCase& c) {
  Checks& checks = c.host.checks;
  ComRef<_clsOutputDriver> dual;
  checks.Equal(c.driver->QueryInterface(IID__clsOutputDriver, dual.PutVoid()),
               S_OK, "QueryInterface for _clsOutputDriver");
  ComRef<ISupportErrorInfo> support;
  if (SUCCEEDED(
          c.driver->QueryInterface(IID_ISupportErrorInfo, support.PutVoid()))) {
    checks.Equal(support->InterfaceSupportsErrorInfo(IID__clsOutputDriver),
                 S_OK, "ISupportErrorInfo for _clsOutputDriver");
  } else {
    checks.Expect(false, "ISupportErrorInfo");
  }
  if (!dual) return;
  LONG channel = 5;
  LONG value = 256;
  VARIANT_BOOL result = VARIANT_TRUE;
  checks.Equal(dual->SetChannel(&channel, &value, &result), kInvalidValue,
               "the vtable returns error 5 as its HRESULT");
  ComRef<IErrorInfo> info;
  BSTR source = nullptr;
  BSTR description = nullptr;
  if (GetErrorInfo(0, info.Put()) == S_OK && info) {
    info->GetSource(&source);
    info->GetDescription(&description);
  }
  checks.Expect(
      source && std::wstring(source) == L"Quorvix" && description &&
          std::wstring(description).find(L"256") != std::wstring::npos,
      "IErrorInfo carries source and description");
  SysFreeString(source);
  SysFreeString(description);
  BSTR name = nullptr;
  checks.Expect(SUCCEEDED(dual->PluginName(&name)) && name &&
                    std::wstring(name) == L"Quorvix Transmitter",
                "PluginName through the vtable");
  SysFreeString(name);
  VARIANT_BOOL enabled = VARIANT_FALSE;
  checks.Expect(SUCCEEDED(dual->Enable(&enabled)) && enabled == VARIANT_TRUE,
                "Enable through the vtable is VARIANT_TRUE");
}

// Asked twice: the second answer comes from the object's cache.
void TypeLibraryDescribesTheInterface(const DispatchCase& c) {
  for (const char* when : {"first", "second"}) {
    ComRef<ITypeInfo> type_info;
    BSTR type_name = nullptr;
    if (SUCCEEDED(
            c.driver->GetTypeInfo(0, LOCALE_USER_DEFAULT, type_info.Put()))) {
      type_info->GetDocumentation(MEMBERID_NIL, &type_name, nullptr, nullptr,
                                  nullptr);
    }
    c.host.checks.Expect(
        type_name && std::wstring(type_name) == L"_clsOutputDriver",
        std::string("GetTypeInfo describes _clsOutputDriver (") + when +
            " time)");
    SysFreeString(type_name);
  }
}

void AnotherThreadIsRefused(const DispatchCase& c) {
  ThreadCall call{c.driver};
  const HANDLE thread =
      CreateThread(nullptr, 0, CallFromOtherThread, &call, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  c.host.checks.Equal(call.invoke_result, RPC_E_WRONG_THREAD,
                      "Invoke from another thread is RPC_E_WRONG_THREAD");
  c.host.checks.Equal(
      call.vtable_result, RPC_E_WRONG_THREAD,
      "a vtable call from another thread is RPC_E_WRONG_THREAD");
}

// Term without Disable closes the port under SetChannel.
void SetChannelAfterTermFindsThePortClosed(const DispatchCase& c) {
  c.host.checks.Equal(c.client.Boolean(L"Term"), 0, "Term returns False");
  const CallResult closed = c.client.Call(L"SetChannel", {Long(1), Long(1)});
  c.host.checks.Expect(closed.result == DISP_E_EXCEPTION &&
                           closed.exception.scode == kPortNotOpen,
                       "SetChannel after Term is error 8012",
                       closed.Description());
  c.client.Boolean(L"Disable");
}

}  // namespace

void ScenarioDispatch(HostContext& host) {
  UseSimulator(host, L"38400,n,8,1");
  const auto driver = ComRef<IDispatch>::Adopt(host.Create());
  if (!host.checks.Expect(driver.get() != nullptr, "created by ProgID")) {
    return;
  }
  const DriverClient client(driver.get());
  const DispatchCase c{host, driver.get(), client};
  NamesAndIdsAreFixed(c);
  PluginNameAnswersEveryGetFlag(c);
  InitTakesEveryArgumentForm(c);
  host.checks.Equal(client.Boolean(L"Enable"), 1, "Enable returns True");
  SetChannelCoercesWithoutWritingBack(c);
  BadArgumentsHaveTheirErrors(c);
  DualInterfaceReportsThroughIErrorInfo(c);
  TypeLibraryDescribesTheInterface(c);
  AnotherThreadIsRefused(c);
  SetChannelAfterTermFindsThePortClosed(c);
}
