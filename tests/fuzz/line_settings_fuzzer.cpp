// The line-settings text: refused only with 380, and what it accepts reads
// back the same once written in the canonical form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/line_settings.h"
#include "platform/error.h"

namespace {

using quorvix::LineSettings;

char ParityLetter(quorvix::Parity parity) {
  switch (parity) {
    case quorvix::Parity::kNone: return 'n';
    case quorvix::Parity::kEven: return 'e';
    case quorvix::Parity::kOdd: return 'o';
    case quorvix::Parity::kMark: return 'm';
    case quorvix::Parity::kSpace: return 's';
  }
  std::abort();
}

std::string_view StopText(quorvix::StopBits stop) {
  switch (stop) {
    case quorvix::StopBits::kOne: return "1";
    case quorvix::StopBits::kOnePointFive: return "1.5";
    case quorvix::StopBits::kTwo: return "2";
  }
  std::abort();
}

bool Same(const LineSettings& a, const LineSettings& b) {
  return a.baud == b.baud && a.parity == b.parity &&
         a.data_bits == b.data_bits && a.stop_bits == b.stop_bits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const long leading = quorvix::LeadingBaudRate(text);
  if (leading < 0) std::abort();
  LineSettings parsed;
  try {
    parsed = quorvix::ParseLineSettings(text);
  } catch (const quorvix::Error& error) {
    if (error.number() != quorvix::kInvalidPropertyValue) std::abort();
    return 0;
  }
  // Every check of the rate (the slow-line message, the pacing of hosts)
  // reads it with LeadingBaudRate: both must agree on an accepted text.
  if (parsed.baud == 0 || static_cast<long>(parsed.baud) != leading) {
    std::abort();
  }
  if (parsed.data_bits < 4 || parsed.data_bits > 8) std::abort();
  const std::string canonical = std::to_string(parsed.baud) + "," +
                                ParityLetter(parsed.parity) + "," +
                                std::to_string(parsed.data_bits) + "," +
                                std::string(StopText(parsed.stop_bits));
  if (!Same(quorvix::ParseLineSettings(canonical), parsed)) std::abort();
  return 0;
}
