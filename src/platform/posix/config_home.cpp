#include "platform/posix/config_home.h"

#include <glib.h>

#include <cstdlib>
#include <string_view>

namespace quorvix::posix {

std::string QuorvixConfigDir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/quorvix";
  const char* home = std::getenv("HOME");
  const std::string base =
      home != nullptr && home[0] != '\0' ? home : g_get_home_dir();
  return base + "/.config/quorvix";
}

}  // namespace quorvix::posix
