#pragma once
// The host's helper object: an IDispatch held from Init to Term, called late
// bound by method name with two by-value arguments (VT_I4 channel, VT_UI1
// value). DISP_E_UNKNOWNNAME or DISP_E_MEMBERNOTFOUND mean the host has no
// such method (438); any other failure is a failed call, whose number is
// never 438 so that it cannot be taken for a missing method.

#include <oaidl.h>
#include <windows.h>

#include "platform/host_helper.h"
#include "platform/win32/com_ref.h"

namespace quorvix::win32 {

class DispatchHelper final : public HostHelper {
 public:
  // Takes its own reference.
  explicit DispatchHelper(IDispatch* helper);
  DispatchHelper(const DispatchHelper&) = delete;
  DispatchHelper& operator=(const DispatchHelper&) = delete;

  HostCallResult Call(std::string_view method, std::int32_t channel,
                      std::uint8_t value) override;

 private:
  ComRef<IDispatch> helper_;
};

}  // namespace quorvix::win32
