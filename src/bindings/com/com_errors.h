#pragma once
// How a failed operation reaches a COM host: the driver's error number n as
// MAKE_HRESULT(1, FACILITY_CONTROL, n), source "Quorvix" and the error's
// description, either as IErrorInfo (vtable callers) or as an EXCEPINFO
// behind DISP_E_EXCEPTION (IDispatch::Invoke).

#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/guard.h"

namespace quorvix::com {

struct Failure {
  HRESULT result;
  std::string description;
};

inline HRESULT ControlHresult(int number) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFF);
}

Failure FailureOf(int number, std::string description);
// The exception currently being handled, as a Failure.
Failure CurrentFailure();

// Runs `operation`, catching whatever it throws.
template <typename Operation>
std::optional<Failure> Attempt(Operation&& operation) noexcept {
  return Guard(std::forward<Operation>(operation), CurrentFailure);
}

// Sets the thread's IErrorInfo and returns the HRESULT (S_OK for none).
HRESULT ReportToCaller(const std::optional<Failure>& failure);

// DISP_E_EXCEPTION with `exception` filled in, or the failure's HRESULT when
// the caller passed no EXCEPINFO.
HRESULT ReportToInvoke(const Failure& failure, EXCEPINFO* exception);

}  // namespace quorvix::com
