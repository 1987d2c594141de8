#pragma once
// Port n and its device: the link <config folder>/ports/COM<n>, else the
// UART /dev/ttyS<n-1>.

#include <string>

namespace quorvix::posix {

std::string PortLinkPath(int port);

// What opening port n opens: its link when there is one, even one that
// leads nowhere now (a pulled adapter), else /dev/ttyS<n-1>.
std::string PortDevicePath(int port);

// Points port n's link at `device` in one step (a link already there is
// replaced, folders are made). Throws Error 75 naming the link on failure.
void LinkPort(int port, const std::string& device);

}  // namespace quorvix::posix
