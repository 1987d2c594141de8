#pragma once
// quorvix-sim run as a child process: commands go to its standard input,
// each answered by one line on its standard output.

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quorvix::host {

class SimProcess {
 public:
  // Starts `program` with `arguments`; throws std::runtime_error when it
  // cannot start or does not announce its pseudo-terminal.
  SimProcess(const std::string& program,
             const std::vector<std::string>& arguments);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& pty_path() const { return pty_path_; }

  // Sends one command line and returns the answer line.
  std::string Command(const std::string& line);

 private:
  std::string ReadLine();

  pid_t pid_ = -1;
  int to_child_ = -1;
  FILE* from_child_ = nullptr;
  std::string pty_path_;
};

}  // namespace quorvix::host
