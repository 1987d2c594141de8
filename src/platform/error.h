#pragma once
// The one exception type of the driver. Its numbers are those the host sees:
// the C entry points return them, the COM binding wraps them in
// MAKE_HRESULT(1, FACILITY_CONTROL, n).

#include <stdexcept>
#include <string>

namespace quorvix {

enum ErrorNumber : int {
  kInvalidArgument = 5,  // value outside 0..255, NULL argument, wrong thread
  kOverflow = 6,         // a number that does not fit its type
  kOutOfMemory = 7,      // an allocation failed
  kTypeMismatch = 13,    // a stored setting that does not convert
  kInternalError = 51,   // anything else that escaped an operation
  kStoreFailure = 75,    // the settings store cannot be read or written
  kNoSuchMethod = 438,   // the host's helper lacks the method called
  // A failed call into the host whose own number would read as "no such
  // method" or as success.
  kAutomationError = 440,
  kInvalidPropertyValue =
      380,               // port number, line settings or interval refused
  kPortMissing = 8002,   // the port does not exist
  kPortInUse = 8005,     // already open, or held by another program
  kPortNotOpen = 8012,   // a write to a closed port
  kDeviceFailed = 8020,  // the device failed, vanished or timed out
};

class Error : public std::runtime_error {
 public:
  Error(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  int number() const noexcept { return number_; }

 private:
  int number_;
};

}  // namespace quorvix
