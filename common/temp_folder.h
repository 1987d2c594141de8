#pragma once
// A fresh folder in the system's temporary folder, removed with everything
// in it when the owner goes. For the tools, the tests and the benchmarks.

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace quorvix::common {

class TempFolder {
 public:
  // `prefix` starts the folder's name; throws std::system_error when the
  // folder cannot be made.
  explicit TempFolder(std::string_view prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() /
                           (std::string(prefix) + "-XXXXXX"))
                              .string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::system_error(errno, std::generic_category(),
                              "cannot make a temporary folder " + pattern);
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const {
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace quorvix::common
