#pragma once
// How the serial back end reads an error of an open port: a stop it asked
// for, a pause, or a device that has gone. Many USB serial drivers end
// pending I/O as aborted when the adapter is pulled, so an abort the back
// end did not ask for is a loss, not a stop.

#include <windows.h>

namespace quorvix::win32 {

enum class ReadEnd {
  kRetry,       // nothing came in time (Wine reports that as an error)
  kStopped,     // the reader's own stop was asked for
  kDeviceLost,  // anything else: the port is dead
};

// A read that ended with `error` (not ERROR_IO_PENDING).
ReadEnd ClassifyReadEnd(DWORD error, bool stop_asked);

// A write that ended with `error` (ERROR_TIMEOUT for one that did not finish
// in time); `status_answers`: whether the port still answered a status query
// (ClearCommError) afterwards. A driver that no longer answers has lost its
// device, whatever the write's error said.
bool WriteFailureMeansGone(DWORD error, bool status_answers);

}  // namespace quorvix::win32
