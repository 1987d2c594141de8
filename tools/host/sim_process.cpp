#include "tools/host/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvix::host {
namespace {

constexpr int kGuardMs = 10'000;

std::string SystemText(const char* call) {
  return std::string(call) + ": " + std::strerror(errno);
}

struct Pipe {
  common::UniqueFd read;
  common::UniqueFd write;
};

Pipe MakePipe() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    throw std::runtime_error(SystemText("pipe2"));
  }
  return {common::UniqueFd(ends[0]), common::UniqueFd(ends[1])};
}

}  // namespace

SimProcess::SimProcess(const std::string& program,
                       const std::vector<std::string>& arguments) {
  Pipe input = MakePipe();
  Pipe output = MakePipe();
  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argv_text) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error(SystemText("fork"));
  if (pid_ == 0) {
    ::dup2(input.read.get(), STDIN_FILENO);
    ::dup2(output.write.get(), STDOUT_FILENO);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  to_child_ = std::move(input.write);
  from_child_ = std::move(output.read);
  input.read.reset();
  output.write.reset();

  std::string first;
  try {
    first = ReadLine();
  } catch (const std::runtime_error& error) {
    first = error.what();
  }
  if (first.rfind("pty ", 0) == 0) {
    pty_path_ = first.substr(4);
    return;
  }
  const int exit_code = Finish();
  throw StartFailure("quorvix-sim did not start (" + program + "): " + first,
                     exit_code);
}

SimProcess::~SimProcess() {
  if (pid_ > 0) Finish();
}

std::string SimProcess::Command(const std::string& line) {
  const std::string text = line + "\n";
  if (!to_child_.is_valid() ||
      ::write(to_child_.get(), text.data(), text.size()) !=
          static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("quorvix-sim is gone");
  }
  return ReadLine();
}

void SimProcess::CloseInput() { to_child_.reset(); }

void SimProcess::Signal(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

int SimProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string SimProcess::ReadLine() {
  for (;;) {
    const auto end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    pollfd ready{from_child_.get(), POLLIN, 0};
    if (::poll(&ready, 1, kGuardMs) <= 0) {
      throw std::runtime_error("quorvix-sim did not answer within " +
                               std::to_string(kGuardMs) + " ms");
    }
    char chunk[512];
    const ssize_t count = ::read(from_child_.get(), chunk, sizeof chunk);
    if (count <= 0) throw std::runtime_error("quorvix-sim ended unexpectedly");
    buffered_.append(chunk, static_cast<std::size_t>(count));
  }
}

bool SimProcess::DrainOutput() {
  for (;;) {
    pollfd ready{from_child_.get(), POLLIN, 0};
    if (::poll(&ready, 1, kGuardMs) <= 0) return false;
    char sink[512];
    if (::read(from_child_.get(), sink, sizeof sink) <= 0) return true;
  }
}

int SimProcess::Finish() {
  CloseInput();
  // The end of its output is the end of the simulator.
  if (!DrainOutput()) ::kill(pid_, SIGKILL);
  const int exit_code = Wait();
  from_child_.reset();
  return exit_code;
}

}  // namespace quorvix::host
