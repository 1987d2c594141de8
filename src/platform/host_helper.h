#pragma once
// The host's helper object, called late-bound by method name.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvix {

struct HostCallResult {
  int number = 0;           // 0 done, 438 no such method, else the failure
  std::string description;  // why it failed; empty when done
};

class HostHelper {
 public:
  // Destroying the helper lets go of the host's object.
  virtual ~HostHelper() = default;

  virtual HostCallResult Call(std::string_view method, std::int32_t channel,
                              std::uint8_t value) = 0;
};

}  // namespace quorvix
