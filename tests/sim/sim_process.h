#pragma once
// Runs quorvix-sim as a child process and talks to it over its standard
// input and output, and to its line through the pseudo-terminal slave.
// Waits are bounded only so a broken simulator fails a test instead of
// hanging it; no result depends on how fast anything is.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvix::sim::testing {

class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args);
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  ~SimProcess();

  // The slave path from the first line ("pty PATH"); empty if it never came.
  const std::string& pty() const { return pty_; }

  std::string ReadLine();                        // "" at end of output
  std::string Command(const std::string& line);  // sends it, returns the answer
  void CloseInput();
  void Signal(int signal);
  int Wait();  // the exit code, -1 when killed by a signal

 private:
  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  std::string buffered_;
  std::string pty_;
};

// The driver's side of the line.
class Port {
 public:
  explicit Port(const std::string& path);
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;
  ~Port();

  bool open() const { return fd_ >= 0; }
  void Write(const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> Read(
      std::size_t count);         // fewer only if the line ends
  void SetSpeed(unsigned speed);  // a termios B... constant, as a driver does
  bool Readable();                // something is waiting right now
  bool HungUp();                  // waits for the line to report a hang-up

 private:
  int fd_ = -1;
};

std::vector<std::string> ReadLines(const std::string& path);

}  // namespace quorvix::sim::testing
