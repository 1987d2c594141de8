#include "driver_client.h"

#include <algorithm>

#include "box_watcher.h"

CallResult::~CallResult() {
  VariantClear(&value);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

CallResult::CallResult(CallResult&& other) noexcept
    : result(other.result),
      value(other.value),
      exception(other.exception),
      argument_error(other.argument_error) {
  VariantInit(&other.value);
  other.exception = EXCEPINFO{};
}

int CallResult::Boolean() const {
  if (FAILED(result) || V_VT(&value) != VT_BOOL) return -1;
  if (V_BOOL(&value) == VARIANT_TRUE) return 1;
  return V_BOOL(&value) == VARIANT_FALSE ? 0 : -1;
}

std::string CallResult::Text() const {
  if (V_VT(&value) != VT_BSTR || !V_BSTR(&value)) return {};
  return Utf8(std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value))));
}

std::string CallResult::Description() const {
  if (!exception.bstrDescription) return {};
  return Utf8(exception.bstrDescription);
}

VARIANT Long(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

VARIANT Double(double value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}

VARIANT Dispatch(IDispatch* object) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = object;
  return v;
}

VARIANT Empty() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

VARIANT ByRef(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&v) = target;
  return v;
}

CallResult DriverClient::Call(const wchar_t* name,
                              std::vector<VARIANT> arguments,
                              WORD flags) const {
  CallResult call;
  DISPID id = DISPID_UNKNOWN;
  call.result = IdOf(name, id);
  if (FAILED(call.result)) return call;
  std::reverse(arguments.begin(), arguments.end());
  DISPPARAMS parameters{arguments.data(), nullptr,
                        static_cast<UINT>(arguments.size()), 0};
  call.result =
      driver_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                      &call.value, &call.exception, &call.argument_error);
  return call;
}

HRESULT DriverClient::IdOf(const wchar_t* name, DISPID& id) const {
  if (const auto known = ids_.find(name); known != ids_.end()) {
    id = known->second;
    return S_OK;
  }
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  const HRESULT result =
      driver_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(result)) ids_.emplace(name, id);
  return result;
}

int DriverClient::Boolean(const wchar_t* name,
                          std::vector<VARIANT> arguments) const {
  return Call(name, std::move(arguments)).Boolean();
}
