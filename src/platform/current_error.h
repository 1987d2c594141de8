#pragma once
// The one translation from an exception to what a host is told; both
// bindings use it, so a failure reads the same through COM and the C API.

#include <exception>
#include <new>
#include <string>

#include "platform/error.h"

namespace quorvix {

struct ErrorReport {
  int number;
  std::string description;
};

// The exception being handled, as a number from the table in error.h and a
// description. Call it only inside a catch block.
inline ErrorReport CurrentErrorReport() noexcept {
  try {
    try {
      throw;
    } catch (const Error& error) {
      return {error.number(), error.what()};
    } catch (const std::bad_alloc&) {
      return {kOutOfMemory, "Out of memory"};
    } catch (const std::exception& error) {
      return {kInternalError, std::string("Internal error: ") + error.what()};
    } catch (...) {
      return {kInternalError, "Internal error"};
    }
  } catch (...) {
    // Building the description failed; this text needs no allocation.
    return {kOutOfMemory, "Out of memory"};
  }
}

}  // namespace quorvix
