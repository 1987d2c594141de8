#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>

namespace quorvix::sim::testing {
namespace {

constexpr int kGuardMs = 10'000;

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) {
  int in_pipe[2];
  int out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) < 0 || ::pipe2(out_pipe, O_CLOEXEC) < 0) {
    throw std::runtime_error("pipe failed");
  }
  std::vector<std::string> argv_text{QUORVIX_SIM_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in_pipe[0], STDIN_FILENO);
    ::dup2(out_pipe[1], STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  to_child_ = in_pipe[1];
  from_child_ = out_pipe[0];
  const std::string first = ReadLine();
  if (first.rfind("pty ", 0) == 0) pty_ = first.substr(4);
}

SimProcess::~SimProcess() {
  CloseInput();
  if (pid_ > 0) {
    pollfd p{from_child_, POLLIN, 0};
    // Let it end on its own after end of input; kill it if it does not.
    while (::poll(&p, 1, kGuardMs) > 0) {
      char sink[256];
      if (::read(from_child_, sink, sizeof sink) <= 0) break;
    }
    ::kill(pid_, SIGKILL);
    Wait();
  }
  if (from_child_ >= 0) ::close(from_child_);
}

std::string SimProcess::ReadLine() {
  for (;;) {
    const auto end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    pollfd p{from_child_, POLLIN, 0};
    if (::poll(&p, 1, kGuardMs) <= 0) return "";
    char chunk[512];
    const ssize_t n = ::read(from_child_, chunk, sizeof chunk);
    if (n <= 0) return "";
    buffered_.append(chunk, static_cast<std::size_t>(n));
  }
}

std::string SimProcess::Command(const std::string& line) {
  const std::string text = line + "\n";
  if (::write(to_child_, text.data(), text.size()) !=
      static_cast<ssize_t>(text.size()))
    return "";
  return ReadLine();
}

void SimProcess::CloseInput() {
  if (to_child_ >= 0) ::close(to_child_);
  to_child_ = -1;
}

void SimProcess::Signal(int signal) { ::kill(pid_, signal); }

int SimProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Port::Port(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}

Port::~Port() {
  if (fd_ >= 0) ::close(fd_);
}

void Port::Write(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, kGuardMs) <= 0) return;
    } else {
      return;
    }
  }
}

std::vector<std::uint8_t> Port::Read(std::size_t count) {
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < count) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, kGuardMs) <= 0) break;
    std::uint8_t chunk[512];
    const ssize_t n =
        ::read(fd_, chunk, std::min(sizeof chunk, count - bytes.size()));
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

void Port::SetSpeed(unsigned speed) {
  termios settings{};
  ::tcgetattr(fd_, &settings);
  ::cfsetispeed(&settings, speed);
  ::cfsetospeed(&settings, speed);
  ::tcsetattr(fd_, TCSANOW, &settings);
}

bool Port::Readable() {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

bool Port::HungUp() {
  pollfd p{fd_, 0, 0};
  return ::poll(&p, 1, kGuardMs) > 0 && (p.revents & POLLHUP);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace quorvix::sim::testing
