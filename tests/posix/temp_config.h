#pragma once
// A fresh XDG_CONFIG_HOME for one test, removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/temp_folder.h"

namespace quorvix::test {

class TempConfigHome {
 public:
  TempConfigHome() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
    setenv("XDG_CONFIG_HOME", root().c_str(), 1);
  }
  ~TempConfigHome() {
    if (old_) {
      setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::filesystem::path& root() const { return folder_.path(); }
  std::filesystem::path quorvix() const { return folder_ / "quorvix"; }

 private:
  const common::TempFolder folder_{"quorvix-posix"};
  std::optional<std::string> old_;
};

}  // namespace quorvix::test
