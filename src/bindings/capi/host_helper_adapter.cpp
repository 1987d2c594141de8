#include "host_helper_adapter.h"

#include <string>

#include "platform/error.h"

namespace quorvix::capi {

HostHelperAdapter::~HostHelperAdapter() {
  if (helper_.release) helper_.release(helper_.context);
}

HostCallResult HostHelperAdapter::Call(std::string_view method,
                                       std::int32_t channel,
                                       std::uint8_t value) {
  const std::string name(method);
  if (!helper_.invoke) {
    return {kNoSuchMethod, "The host's helper has no method " + name};
  }
  const int status =
      helper_.invoke(helper_.context, name.c_str(), channel, value);
  if (status == 0) return {};
  if (status == kNoSuchMethod) {
    return {status, "The host's helper has no method " + name};
  }
  return {status,
          "the host's " + name + " returned error " + std::to_string(status)};
}

}  // namespace quorvix::capi
