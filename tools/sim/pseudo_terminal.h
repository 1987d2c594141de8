#pragma once
// The simulator's end of the line: a pseudo-terminal whose master it keeps
// and whose slave a driver opens. The slave starts raw (no echo, no line
// editing, no output processing); the simulator never touches its settings
// again, so whatever the driver sets stays. The simulator holds the slave
// open itself, so the master never hangs up while the driver closes and
// reopens the port.

#include <filesystem>
#include <string>

#include "common/unique_fd.h"

namespace quorvix::sim {

class PseudoTerminal {
 public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  PseudoTerminal();

  bool open() const { return master_.is_valid(); }
  int master() const { return master_.get(); }
  const std::string& path() const { return path_; }

  // The output speed the driver last set on its side, in baud; 0 when the
  // speed is not one termios names.
  long Speed() const;

  // The device vanishes: the driver's side sees a hang-up.
  void Close();

 private:
  common::UniqueFd master_;
  common::UniqueFd slave_;
  std::string path_;
};

// A symbolic link to the slave, for drivers that find their port through a
// folder of links. Removed again when it goes, if it still points there.
class DeviceLink {
 public:
  // Creates missing parent folders and replaces an existing link; refuses to
  // replace anything that is not a link. Throws std::runtime_error.
  DeviceLink(std::filesystem::path link, std::filesystem::path target);
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;
  ~DeviceLink();

 private:
  std::filesystem::path link_;
  std::filesystem::path target_;
};

}  // namespace quorvix::sim
