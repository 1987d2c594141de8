#pragma once
// The per-user folder of this driver's files.

#include <string>

namespace quorvix::posix {

// "$XDG_CONFIG_HOME/quorvix", else "$HOME/.config/quorvix". The environment
// is read at every call (GLib's own lookup caches it for the process), so a
// host or a test may move the folder while the library is loaded. A relative
// XDG_CONFIG_HOME is ignored, as the XDG rules demand.
std::string QuorvixConfigDir();

}  // namespace quorvix::posix
