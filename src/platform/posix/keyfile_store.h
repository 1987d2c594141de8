#pragma once
// Settings in one INI file per application,
// <config folder>/<escaped application>.ini, a group per section, read and
// written with GKeyFile.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace quorvix::posix {

// Values are text: any UTF-8 without zero bytes round-trips (GKeyFile
// escapes line ends and leading blanks). Other values are refused with 75
// naming the key, rather than stored in a form Read could not give back.
// A file that exists but cannot be read or parsed is a failure (75) for
// Read and Write alike: Write never replaces a file it could not read.
//
// A Write is one load, every value set, one save: the text goes to a new
// file beside the old one, which is synced, renamed over it and its folder
// synced, so a crash leaves the old values or the new ones, never a mix and
// never a part of a file. A settings file that is a symbolic link is written
// through to its target (the new file is made beside the target), and the
// file keeps its mode. Writers of one file (two hosts of the same title)
// take turns: each holds an flock on "<folder>/.<file name>.lock" from load
// to save, and waits at most `lock_wait` for it before failing with 75
// naming the file, so a stuck program cannot hang its host. Readers take no
// lock and never wait: they always see one whole file.
class KeyFileStore : public SettingsStore {
 public:
  static constexpr std::chrono::milliseconds kLockWait{5'000};

  explicit KeyFileStore(std::chrono::milliseconds lock_wait = kLockWait)
      : lock_wait_(lock_wait) {}

  std::string Read(std::string_view application, std::string_view section,
                   std::string_view key,
                   std::string_view default_value) override;

  void Write(std::string_view application, std::string_view section,
             const std::vector<SettingValue>& values) override;

 private:
  std::chrono::milliseconds lock_wait_;
};

}  // namespace quorvix::posix
