#pragma once
// The host's qvx_helper as a HostHelper: calls go through `invoke`, and
// letting go calls `release` once.

#include "platform/host_helper.h"
#include "quorvix.h"

namespace quorvix::capi {

class HostHelperAdapter : public HostHelper {
 public:
  explicit HostHelperAdapter(const qvx_helper& helper) : helper_(helper) {}
  ~HostHelperAdapter() override;
  HostHelperAdapter(const HostHelperAdapter&) = delete;
  HostHelperAdapter& operator=(const HostHelperAdapter&) = delete;

  HostCallResult Call(std::string_view method, std::int32_t channel,
                      std::uint8_t value) override;

 private:
  qvx_helper helper_;
};

}  // namespace quorvix::capi
