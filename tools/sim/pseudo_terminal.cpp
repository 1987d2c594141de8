#include "pseudo_terminal.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace quorvix::sim {
namespace {

void SetFlags(int fd, int flags) {
  if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | flags) < 0 ||
      ::fcntl(fd, F_SETFD, FD_CLOEXEC) < 0) {
    throw std::runtime_error(
        std::string("cannot set up the pseudo-terminal: ") +
        std::strerror(errno));
  }
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  termios raw{};
  ::cfmakeraw(&raw);
  ::cfsetispeed(&raw, B38400);
  ::cfsetospeed(&raw, B38400);
  int master = -1;
  int slave = -1;
  std::array<char, 256> name{};
  if (::openpty(&master, &slave, name.data(), &raw, nullptr) < 0) {
    throw std::runtime_error(std::string("cannot open a pseudo-terminal: ") +
                             std::strerror(errno));
  }
  master_.reset(master);
  slave_.reset(slave);
  path_ = name.data();
  SetFlags(master, O_NONBLOCK);
  SetFlags(slave, O_NONBLOCK);
}

long PseudoTerminal::Speed() const {
  static constexpr std::array<std::pair<speed_t, long>, 19> kSpeeds{{
      {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
      {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
      {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
      {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
      {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
  }};
  termios settings{};
  if (!slave_.is_valid() || ::tcgetattr(slave_.get(), &settings) != 0) return 0;
  const speed_t speed = ::cfgetospeed(&settings);
  for (const auto& [code, baud] : kSpeeds) {
    if (code == speed) return baud;
  }
  return 0;
}

void PseudoTerminal::Close() {
  slave_.reset();
  master_.reset();
}

DeviceLink::DeviceLink(std::filesystem::path link, std::filesystem::path target)
    : link_(std::move(link)), target_(std::move(target)) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (link_.has_parent_path()) fs::create_directories(link_.parent_path(), ec);
  if (ec) {
    throw std::runtime_error("cannot create folder '" +
                             link_.parent_path().string() +
                             "': " + ec.message());
  }
  const auto status = fs::symlink_status(link_, ec);
  if (fs::exists(status)) {
    if (!fs::is_symlink(status)) {
      throw std::runtime_error("'" + link_.string() +
                               "' exists and is not a link; not replaced");
    }
    fs::remove(link_, ec);
  }
  fs::create_symlink(target_, link_, ec);
  if (ec) {
    throw std::runtime_error("cannot create link '" + link_.string() +
                             "': " + ec.message());
  }
}

DeviceLink::~DeviceLink() {
  std::error_code ec;
  if (std::filesystem::read_symlink(link_, ec) == target_ && !ec) {
    std::filesystem::remove(link_, ec);
  }
}

}  // namespace quorvix::sim
