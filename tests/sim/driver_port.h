#pragma once
// The driver's side of a simulator's line, opened on its pseudo-terminal.
// Waits are bounded only so a broken simulator fails a test instead of
// hanging it; no result depends on how fast anything is.

#include <cstdint>
#include <string>
#include <vector>

#include "common/unique_fd.h"

namespace quorvix::test {

class Port {
 public:
  explicit Port(const std::string& path);

  bool open() const { return fd_.is_valid(); }
  void Write(const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> Read(
      std::size_t count);         // fewer only if the line ends
  void SetSpeed(unsigned speed);  // a termios B... constant, as a driver does
  bool Readable();                // something is waiting right now
  bool HungUp();                  // waits for the line to report a hang-up

 private:
  common::UniqueFd fd_;
};

std::vector<std::string> ReadLines(const std::string& path);

}  // namespace quorvix::test
