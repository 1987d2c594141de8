#include "bindings/com/com_errors.h"

#include "bindings/com/quorvix_idl.h"
#include "platform/win32/bstr.h"
#include "platform/win32/wide_text.h"

namespace quorvix::com {
namespace {

constexpr wchar_t kSource[] = L"Quorvix";
constexpr int kOutOfMemory = 7;
constexpr int kInternalError = 51;

}  // namespace

Failure FailureOf(int number, std::string description) {
  return {ControlHresult(number), std::move(description)};
}

Failure CurrentFailure() {
  try {
    throw;
  } catch (const Error& error) {
    return FailureOf(error.number(), error.what());
  } catch (const std::bad_alloc&) {
    return FailureOf(kOutOfMemory, "Out of memory");
  } catch (const std::exception& error) {
    return FailureOf(kInternalError,
                     std::string("Internal error: ") + error.what());
  } catch (...) {
    return FailureOf(kInternalError, "Internal error");
  }
}

HRESULT ReportToCaller(const std::optional<Failure>& failure) {
  if (!failure) {
    SetErrorInfo(0, nullptr);
    return S_OK;
  }
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    const std::wstring description = win32::Widen(failure->description);
    create->SetGUID(IID__clsOutputDriver);
    create->SetSource(const_cast<LPOLESTR>(kSource));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo,
                                         reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
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
