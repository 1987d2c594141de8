#pragma once
// Settings in one INI file per application,
// <config folder>/<escaped application>.ini, a group per section, read and
// written with GKeyFile and replaced atomically (temporary file + rename).

#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace quorvix::posix {

// Values are text: any UTF-8 without zero bytes round-trips (GKeyFile
// escapes line ends and leading blanks). Other values are refused with 75
// naming the key, rather than stored in a form Read could not give back.
// A file that exists but cannot be read or parsed is a failure (75) for
// Read and Write alike: Write never replaces a file it could not read.
class KeyFileStore : public SettingsStore {
 public:
  std::string Read(std::string_view application, std::string_view section,
                   std::string_view key,
                   std::string_view default_value) override;

  void Write(std::string_view application, std::string_view section,
             std::string_view key, std::string_view value) override;
};

}  // namespace quorvix::posix
