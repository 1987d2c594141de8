#include "platform/posix/replace_file.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/unique_fd.h"
#include "platform/error.h"

namespace quorvix::posix {
namespace {

namespace fs = std::filesystem;

// As many as Linux follows itself (MAXSYMLINKS).
constexpr int kMaxLinks = 40;

[[noreturn]] void Fail(const std::string& path, const std::string& what,
                       int error) {
  throw Error(kStoreFailure, "cannot write the settings file \"" + path +
                                 "\": " + what + ": " + std::strerror(error));
}

// Removes the new file unless it has taken the old one's place.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

void WriteAll(int fd, std::string_view contents, const std::string& path) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      Fail(path, "writing the new file", error);
    }
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
}

// The rename only survives a crash once the folder is on disk too.
void SyncFolder(const std::string& folder, const std::string& path) {
  const common::UniqueFd fd(
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.is_valid()) Fail(path, "opening its folder", errno);
  // Some file systems cannot sync a folder and say so; they need not.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) {
    Fail(path, "syncing its folder", errno);
  }
}

}  // namespace

std::string LinkTarget(const std::string& path) {
  fs::path target = path;
  for (int links = 0; links <= kMaxLinks; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(target, error))) {
      return target.string();
    }
    const fs::path next = fs::read_symlink(target, error);
    if (error) {
      throw Error(kStoreFailure, "cannot follow the settings file \"" + path +
                                     "\" to its target: " + error.message());
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  throw Error(kStoreFailure, "cannot follow the settings file \"" + path +
                                 "\": more than " + std::to_string(kMaxLinks) +
                                 " symbolic links in a row");
}

void ReplaceFile(const std::string& path, std::string_view contents) {
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0;
  const fs::path place(path);
  const std::string folder = place.parent_path().string();
  std::string temp_name =
      (place.parent_path() / ("." + place.filename().string() + ".XXXXXX"))
          .string();
  common::UniqueFd fd(g_mkstemp_full(temp_name.data(), O_WRONLY | O_CLOEXEC,
                                     existed ? 0600 : 0666));
  if (!fd.is_valid()) Fail(path, "creating a new file beside it", errno);
  TempFile temp(temp_name);
  if (existed) {
    // Owner and group where the system lets an ordinary user keep them (the
    // same owner, a group of theirs); else the file becomes this user's. The
    // mode is kept in any case, set afterwards as a change of owner clears
    // the set-ID bits.
    [[maybe_unused]] const int owned =
        ::fchown(fd.get(), old.st_uid, old.st_gid);
    if (::fchmod(fd.get(), old.st_mode & 07777) != 0) {
      Fail(path, "keeping its mode", errno);
    }
  }
  WriteAll(fd.get(), contents, path);
  if (::fsync(fd.get()) != 0) Fail(path, "syncing the new file", errno);
  if (::close(fd.release()) != 0) Fail(path, "closing the new file", errno);
  if (::rename(temp_name.c_str(), path.c_str()) != 0) {
    Fail(path, "renaming the new file over it", errno);
  }
  temp.Keep();
  SyncFolder(folder.empty() ? "." : folder, path);
}

}  // namespace quorvix::posix
