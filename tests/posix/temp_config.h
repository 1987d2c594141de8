#pragma once
// A fresh XDG_CONFIG_HOME for one test, removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace quorvix::testing {

class TempConfigHome {
 public:
  TempConfigHome() {
    std::string pattern = "/tmp/quorvix-posix-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  }
  ~TempConfigHome() {
    if (old_) {
      setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path quorvix() const { return root_ / "quorvix"; }

 private:
  std::filesystem::path root_;
  std::optional<std::string> old_;
};

}  // namespace quorvix::testing
