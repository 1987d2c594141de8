#include "platform/posix/line_termios.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/error.h"

namespace quorvix::posix {
namespace {

constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kSpeeds = {{
    {50, B50},           {75, B75},           {110, B110},
    {134, B134},         {150, B150},         {200, B200},
    {300, B300},         {600, B600},         {1200, B1200},
    {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},
    {460800, B460800},   {500000, B500000},   {576000, B576000},
    {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
    {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

[[noreturn]] void Refuse(const std::string& port, const std::string& what) {
  throw Error(kInvalidPropertyValue, port + ": " + what);
}

speed_t Speed(std::uint32_t baud, const std::string& port) {
  for (const auto& [rate, speed] : kSpeeds) {
    if (rate == baud) return speed;
  }
  // 14400, 28800, 56000, 128000 and 256000 have no termios constant.
  Refuse(port, "the baud rate " + std::to_string(baud) +
                   " is not available on this system");
}

tcflag_t DataBits(int bits, const std::string& port) {
  switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default:
      // termios has no 4-bit character size.
      Refuse(port, std::to_string(bits) +
                       " data bits are not available on this system");
  }
}

tcflag_t ParityFlags(Parity parity) {
  switch (parity) {
    case Parity::kNone: return 0;
    case Parity::kEven: return PARENB;
    case Parity::kOdd: return PARENB | PARODD;
    // CMSPAR makes the parity bit constant: 1 with PARODD, else 0.
    case Parity::kMark: return PARENB | CMSPAR | PARODD;
    case Parity::kSpace: return PARENB | CMSPAR;
  }
  return 0;
}

// termios knows one or two stop bits; 1.5 becomes two. (A 16550 sends 1.5
// stop bits when asked for two with five data bits.)
tcflag_t StopFlags(StopBits stop) {
  return stop == StopBits::kOne ? 0 : CSTOPB;
}

constexpr tcflag_t kFrameFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

[[noreturn]] void Fail(const std::string& port, const char* what) {
  const int error = errno;
  throw Error(kDeviceFailed,
              port + ": " + what + " failed (" + std::strerror(error) + ")");
}

std::string Text(const LineSettings& settings) {
  static constexpr const char* kParity[] = {"n", "e", "o", "m", "s"};
  static constexpr const char* kStop[] = {"1", "1.5", "2"};
  return std::to_string(settings.baud) + "," +
         kParity[static_cast<int>(settings.parity)] + "," +
         std::to_string(settings.data_bits) + "," +
         kStop[static_cast<int>(settings.stop_bits)];
}

}  // namespace

// Unix98 pseudo-terminal slaves (/dev/pts/N) have majors 136 to 143, the
// old BSD ones (/dev/ttyp0) major 3.
bool IsPseudoTerminal(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return false;
  const unsigned int kind = major(info.st_rdev);
  return kind == 3 || (kind >= 136 && kind <= 143);
}

termios LineTermios(termios base, const LineSettings& settings,
                    const std::string& port) {
  const speed_t speed = Speed(settings.baud, port);
  const tcflag_t frame = DataBits(settings.data_bits, port) |
                         ParityFlags(settings.parity) |
                         StopFlags(settings.stop_bits);
  cfmakeraw(&base);
  base.c_cflag &= ~(kFrameFlags | CRTSCTS);
  base.c_cflag |= frame | CLOCAL | CREAD;
  base.c_iflag &= ~(IXON | IXOFF | IXANY);
  // With O_NONBLOCK, read() then gives EAGAIN when nothing is there and 0
  // only once the line has hung up.
  base.c_cc[VMIN] = 1;
  base.c_cc[VTIME] = 0;
  cfsetispeed(&base, speed);
  cfsetospeed(&base, speed);
  return base;
}

void ApplyLineSettings(int fd, const LineSettings& settings,
                       const std::string& port) {
  termios current{};
  if (tcgetattr(fd, &current) != 0) Fail(port, "reading the line settings");
  termios wanted = LineTermios(current, settings, port);
  const bool pseudo = IsPseudoTerminal(fd);
  if (pseudo) wanted.c_cflag = (wanted.c_cflag & ~kFrameFlags) | CS8;
  if (tcsetattr(fd, TCSANOW, &wanted) != 0) {
    if (errno == EINVAL) {
      Refuse(port, "the device does not take " + Text(settings));
    }
    Fail(port, "setting the line settings");
  }
  // tcsetattr succeeds when any of the changes took; check the ones that
  // matter.
  termios got{};
  if (tcgetattr(fd, &got) != 0) Fail(port, "reading the line settings");
  if (cfgetospeed(&got) != cfgetospeed(&wanted) ||
      (!pseudo &&
       (got.c_cflag & kFrameFlags) != (wanted.c_cflag & kFrameFlags))) {
    Refuse(port, "the device does not take " + Text(settings));
  }
  tcflush(fd, TCIFLUSH);
}

}  // namespace quorvix::posix
