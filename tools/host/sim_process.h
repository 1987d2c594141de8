#pragma once
// quorvix-sim run as a child process: commands go to its standard input,
// each answered by one line on its standard output. Waits for its output are
// bounded only so that a broken simulator fails its caller instead of
// hanging it; nothing depends on how fast the simulator is.

#include <sys/types.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/unique_fd.h"

namespace quorvix::host {

class SimProcess {
 public:
  // The simulator ended (or said something else) instead of announcing its
  // pseudo-terminal.
  class StartFailure : public std::runtime_error {
   public:
    StartFailure(const std::string& what, int exit_code)
        : std::runtime_error(what), exit_code_(exit_code) {}
    // As Wait() returns it.
    int exit_code() const { return exit_code_; }

   private:
    int exit_code_;
  };

  // Starts `program` with `arguments`; throws StartFailure, or
  // std::runtime_error when no process can be started.
  SimProcess(const std::string& program,
             const std::vector<std::string>& arguments);
  // Ends its input, which the simulator takes as a clean end, and waits for
  // it; kills it if it does not end.
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& pty_path() const { return pty_path_; }

  // Sends one command line and returns the answer line; throws
  // std::runtime_error when the simulator is gone or does not answer.
  std::string Command(const std::string& line);
  void CloseInput();
  void Signal(int signal);
  // The exit code, -1 when a signal ended it.
  int Wait();

 private:
  std::string ReadLine();
  // True at the end of the output, false when nothing came for too long.
  bool DrainOutput();
  int Finish();

  pid_t pid_ = -1;
  common::UniqueFd to_child_;
  common::UniqueFd from_child_;
  std::string buffered_;
  std::string pty_path_;
};

}  // namespace quorvix::host
