#include "platform/win32/serial_failure.h"

namespace quorvix::win32 {

ReadEnd ClassifyReadEnd(DWORD error, bool stop_asked) {
  if (stop_asked) return ReadEnd::kStopped;
  if (error == ERROR_TIMEOUT) return ReadEnd::kRetry;
  return ReadEnd::kDeviceLost;
}

bool WriteFailureMeansGone(DWORD error, bool status_answers) {
  if (!status_answers) return true;
  switch (error) {
    case ERROR_OPERATION_ABORTED:  // the back end cancels only a late write
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED: return true;
    default: return false;
  }
}

}  // namespace quorvix::win32
