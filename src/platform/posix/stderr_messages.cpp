#include "platform/posix/stderr_messages.h"

#include <unistd.h>

#include <cerrno>

namespace quorvix::posix {

std::string StderrMessages::Line(std::string_view text) {
  std::string line(kMessageBoxTitle);
  line += ": ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      line += " / ";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  return line;
}

void StderrMessages::Show(MessageIcon, std::string_view text) {
  // One write, so lines from several threads or processes do not mix.
  const std::string line = Line(text) + '\n';
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n =
        write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;  // nowhere left to report it
    }
  }
}

}  // namespace quorvix::posix
