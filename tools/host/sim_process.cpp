#include "sim_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace quorvix::host {

SimProcess::SimProcess(const std::string& program,
                       const std::vector<std::string>& arguments) {
  int in_pipe[2];
  int out_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0) {
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  }
  std::vector<std::string> argv_strings{program};
  argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argv_strings) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0)
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid_ == 0) {
    dup2(in_pipe[0], STDIN_FILENO);
    dup2(out_pipe[1], STDOUT_FILENO);
    close(in_pipe[0]);
    close(in_pipe[1]);
    close(out_pipe[0]);
    close(out_pipe[1]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  to_child_ = in_pipe[1];
  from_child_ = fdopen(out_pipe[0], "r");

  const std::string first = ReadLine();
  if (first.rfind("pty ", 0) != 0) {
    throw std::runtime_error("quorvix-sim did not start (" + program +
                             "): " + first);
  }
  pty_path_ = first.substr(4);
}

SimProcess::~SimProcess() {
  if (to_child_ >= 0) {
    const std::string quit = "quit\n";
    [[maybe_unused]] const auto written =
        write(to_child_, quit.data(), quit.size());
    close(to_child_);
  }
  if (from_child_ != nullptr) fclose(from_child_);
  if (pid_ > 0) {
    int status = 0;
    for (int i = 0; i < 200 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
      usleep(10000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
}

std::string SimProcess::Command(const std::string& line) {
  const std::string with_end = line + "\n";
  if (write(to_child_, with_end.data(), with_end.size()) !=
      static_cast<ssize_t>(with_end.size())) {
    throw std::runtime_error("quorvix-sim is gone");
  }
  return ReadLine();
}

std::string SimProcess::ReadLine() {
  char buffer[4096];
  if (from_child_ == nullptr ||
      std::fgets(buffer, sizeof buffer, from_child_) == nullptr) {
    throw std::runtime_error("quorvix-sim ended unexpectedly");
  }
  std::string line(buffer);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  return line;
}

}  // namespace quorvix::host
