#include "platform/win32/dispatch_helper.h"

#include <dispex.h>

#include <cstdio>
#include <string>

#include "platform/error.h"
#include "platform/win32/bstr.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

std::string HresultText(HRESULT result) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(result));
  return SystemErrorText(static_cast<DWORD>(result)) + " [" + hex + "]";
}

// The number a Visual Basic host would see in Err.Number.
int ErrorNumber(HRESULT result) {
  if (HRESULT_FACILITY(result) == FACILITY_CONTROL) {
    return HRESULT_CODE(result);
  }
  return static_cast<int>(result);
}

HostCallResult Failure(int number, std::string description) {
  if (number == 0 || number == kNoSuchMethod) number = kAutomationError;
  return {number, std::move(description)};
}

HostCallResult NoSuchMethod(std::string_view method) {
  return {kNoSuchMethod,
          "The host's helper object has no method " + std::string(method)};
}

HRESULT FindMethod(IDispatch* helper, std::string_view method, DISPID* dispid) {
  std::wstring name = Widen(method);
  LPOLESTR names[] = {name.data()};
  const HRESULT result =
      helper->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, dispid);
  if (result != E_NOTIMPL) return result;
  // Script class objects of some runtimes only answer through IDispatchEx.
  ComRef<IDispatchEx> extended;
  if (FAILED(
          helper->QueryInterface(__uuidof(IDispatchEx), extended.PutVoid()))) {
    return result;
  }
  const Bstr bstr_name(name);
  return extended->GetDispID(bstr_name.get(), fdexNameCaseInsensitive, dispid);
}

}  // namespace

DispatchHelper::DispatchHelper(IDispatch* helper)
    : helper_(ComRef<IDispatch>::Share(helper)) {}

HostCallResult DispatchHelper::Call(std::string_view method,
                                    std::int32_t channel, std::uint8_t value) {
  // The host may let go of its last reference from inside the call.
  const auto hold = ComRef<IDispatch>::Share(helper_.get());

  DISPID dispid = DISPID_UNKNOWN;
  const HRESULT found = FindMethod(hold.get(), method, &dispid);
  if (found == DISP_E_UNKNOWNNAME || found == DISP_E_MEMBERNOTFOUND) {
    return NoSuchMethod(method);
  }
  if (FAILED(found)) {
    return Failure(ErrorNumber(found), "Looking up " + std::string(method) +
                                           " failed: " + HresultText(found));
  }

  VARIANTARG arguments[2];  // in reverse order
  VariantInit(&arguments[0]);
  VariantInit(&arguments[1]);
  V_VT(&arguments[0]) = VT_UI1;
  V_UI1(&arguments[0]) = value;
  V_VT(&arguments[1]) = VT_I4;
  V_I4(&arguments[1]) = channel;
  DISPPARAMS parameters{arguments, nullptr, 2, 0};
  VARIANT ignored;
  VariantInit(&ignored);
  EXCEPINFO exception{};
  UINT argument_error = 0;
  const HRESULT called =
      hold->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                   &parameters, &ignored, &exception, &argument_error);
  VariantClear(&ignored);
  if (called == DISP_E_MEMBERNOTFOUND || called == DISP_E_UNKNOWNNAME) {
    return NoSuchMethod(method);
  }
  if (called == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    const Bstr source(exception.bstrSource);
    const Bstr description(exception.bstrDescription);
    const Bstr help(exception.bstrHelpFile);
    const int number =
        exception.scode != 0 ? ErrorNumber(exception.scode) : exception.wCode;
    std::string text = description.Utf8();
    if (text.empty()) text = HresultText(exception.scode);
    if (!source.Utf8().empty()) text = source.Utf8() + ": " + text;
    return Failure(number, std::move(text));
  }
  if (FAILED(called)) {
    return Failure(ErrorNumber(called), "Calling " + std::string(method) +
                                            " failed: " + HresultText(called));
  }
  return {};
}

}  // namespace quorvix::win32
