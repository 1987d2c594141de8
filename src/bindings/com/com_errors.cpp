#include "bindings/com/com_errors.h"

#include "bindings/com/quorvix_idl.h"
#include "platform/current_error.h"
#include "platform/win32/bstr.h"
#include "platform/win32/com_ref.h"
#include "platform/win32/wide_text.h"

namespace quorvix::com {
namespace {

constexpr wchar_t kSource[] = L"Quorvix";

}  // namespace

Failure FailureOf(int number, std::string description) {
  return {ControlHresult(number), std::move(description)};
}

Failure CurrentFailure() {
  ErrorReport report = CurrentErrorReport();
  return FailureOf(report.number, std::move(report.description));
}

HRESULT ReportToCaller(const std::optional<Failure>& failure) {
  if (!failure) {
    SetErrorInfo(0, nullptr);
    return S_OK;
  }
  win32::ComRef<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
    const std::wstring description = win32::Widen(failure->description);
    create->SetGUID(IID__clsOutputDriver);
    create->SetSource(const_cast<LPOLESTR>(kSource));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    win32::ComRef<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.PutVoid()))) {
      SetErrorInfo(0, info.get());
    }
  }
  return failure->result;
}

HRESULT ReportToInvoke(const Failure& failure, EXCEPINFO* exception) {
  ReportToCaller(failure);
  if (!exception) return failure.result;
  *exception = EXCEPINFO{};
  exception->scode = failure.result;
  try {
    exception->bstrSource = win32::Bstr(std::wstring_view(kSource)).Release();
    exception->bstrDescription =
        win32::Bstr(win32::Widen(failure.description)).Release();
  } catch (...) {  // the scode alone still tells what failed
  }
  return DISP_E_EXCEPTION;
}

}  // namespace quorvix::com
