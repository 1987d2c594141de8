#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quorvix::ola_testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::string& output_file,
                           const std::vector<std::string>& environment) {
  std::vector<std::string> arguments = argv;
  std::vector<char*> raw_argv;
  for (std::string& argument : arguments) raw_argv.push_back(argument.data());
  raw_argv.push_back(nullptr);
  std::vector<std::string> variables = environment;

  pid_ = fork();
  if (pid_ < 0) {
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  }
  if (pid_ == 0) {
    const int out = open(output_file.c_str(),
                         O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out < 0) _exit(126);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) dup2(null, STDIN_FILENO);
    for (std::string& variable : variables) putenv(variable.data());
    execvp(raw_argv[0], raw_argv.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(5));
  }
}

bool ChildProcess::Running() {
  return !exit_code_ && !Wait(std::chrono::milliseconds(0));
}

void ChildProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!exit_code_) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else if (done < 0) {
      exit_code_ = -1;
    } else if (std::chrono::steady_clock::now() >= end) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return exit_code_;
}

std::pair<int, std::string> RunToEnd(
    const std::vector<std::string>& argv, const std::string& output_file,
    const std::vector<std::string>& environment) {
  std::remove(output_file.c_str());
  ChildProcess child(argv, output_file, environment);
  const std::optional<int> code = child.Wait(std::chrono::seconds(30));
  std::ifstream in(output_file);
  std::ostringstream output;
  output << in.rdbuf();
  return {code.value_or(-2), output.str()};
}

}  // namespace quorvix::ola_testing
