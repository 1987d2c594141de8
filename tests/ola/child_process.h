#pragma once
// A program the test starts: its output goes to a file, it can be signalled
// and waited for, and it is killed if the test ends while it still runs.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvix::ola_testing {

class ChildProcess {
 public:
  // Standard output and error both go to `output_file`; `environment`
  // entries ("NAME=value") are added to the test's own. Throws
  // std::runtime_error when it cannot start.
  ChildProcess(const std::vector<std::string>& argv,
               const std::string& output_file,
               const std::vector<std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  void Signal(int signal);
  // The exit code (-1 when killed by a signal), or nothing if it is still
  // running after `bound`.
  std::optional<int> Wait(std::chrono::milliseconds bound);

 private:
  pid_t pid_ = -1;
  std::optional<int> exit_code_;
};

// Runs a program to its end (bounded) and returns its exit code and output.
std::pair<int, std::string> RunToEnd(
    const std::vector<std::string>& argv, const std::string& output_file,
    const std::vector<std::string>& environment = {});

}  // namespace quorvix::ola_testing
