#pragma once
// Real input through the X server, for the scenarios that run in Wine's
// virtual desktop: run.sh carries out each request (xdotool, a screenshot)
// and answers when it is done. The folder of the requests comes in the
// environment variable QUORVIX_X_REQUESTS.

#include <string>

// True when the X server is there to take requests.
bool XRequestsAvailable();

// One request, as run.sh understands it:
//   focus-desktop X Y  give the virtual desktop the X focus, and click at
//                      (X, Y) on the screen
//   screenshot         the whole screen into the build folder's dialog.png
//   <xdotool command>  e.g. "key Tab", "type a7b"
// Returns true when it was carried out (within a minute).
bool XRequest(const std::string& request);
