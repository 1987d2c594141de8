#include "log.h"

#include <cstdio>
#include <string>

namespace quorvix::ola_bridge {

void Log(std::string_view text) {
  std::string line = "quorvix-ola: ";
  for (const char c : text) {
    line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void LogOnce::Log(std::string_view text) {
  if (said_) return;
  said_ = true;
  ola_bridge::Log(text);
}

}  // namespace quorvix::ola_bridge
