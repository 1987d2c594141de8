#pragma once
// Replacing a file whole, so that a crash leaves either the old text or the
// new one, never a part.

#include <string>
#include <string_view>

namespace quorvix::posix {

// The file that `path` stands for after following its symbolic links
// (relative ones from the link's folder); `path` itself when it is none.
// Throws 75 on a loop or an unreadable link.
std::string LinkTarget(const std::string& path);

// Writes `contents` to a new file beside `path` (a hidden name ending in six
// random characters), syncs it, renames it over `path` and syncs the folder.
// An existing file's mode (and, where the system allows it, owner and group)
// carry over; a new file gets 0666 less the umask. `path` must not be a
// symbolic link (see LinkTarget). Throws 75 naming `path`, leaving no new
// file behind.
void ReplaceFile(const std::string& path, std::string_view contents);

}  // namespace quorvix::posix
