#include "platform/posix/keyfile_store.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "common/unique_fd.h"

#include "platform/error.h"
#include "temp_config.h"

namespace quorvix::test {
namespace {

using namespace quorvix::posix;

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Put(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Runs `action`, expecting Error 75 whose text holds `part`.
template <typename Action>
void ExpectStoreFailure(Action action, const std::string& part) {
  try {
    action();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), kStoreFailure);
    EXPECT_THAT(error.what(), HasSubstr(part));
  }
}

class KeyFileStoreTest : public ::testing::Test {
 protected:
  TempConfigHome home_;
  KeyFileStore store_;
};

TEST_F(KeyFileStoreTest, WritesOneIniFileInAPrivateFolder) {
  store_.Write("My Show", "Settings", {{"Port", "4"}});
  store_.Write("My Show", "Settings", {{"Port", "5"}, {"Baud", "19200,n,8,1"}});
  EXPECT_EQ(Contents(home_.quorvix() / "My Show.ini"),
            "[Settings]\nPort=5\nBaud=19200,n,8,1\n");
  // Replaced by rename: no temporary file is left behind, only the lock.
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(home_.quorvix())) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"My Show.ini", ".My Show.ini.lock"}));
  struct stat info {};
  ASSERT_EQ(stat(home_.quorvix().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(KeyFileStoreTest, OddApplicationsAndSectionsStayApartAndInTheFolder) {
  const std::string apps[] = {"../escape",
                              "/",
                              ".hidden",
                              "",
                              "a%2Fb",
                              "a/b",
                              std::string(300, 'x'),
                              std::string(300, 'x') + "y"};
  const std::string sections[] = {"",          "%",        "[x]", "%5Bx%5D",
                                  "line\nend", " spaced ", "\xFF"};
  const auto value = [](std::size_t app, std::size_t section) {
    return std::to_string(app) + "/" + std::to_string(section);
  };
  for (std::size_t a = 0; a < std::size(apps); ++a) {
    for (std::size_t s = 0; s < std::size(sections); ++s) {
      store_.Write(apps[a], sections[s], {{"Key", value(a, s)}});
    }
  }
  for (std::size_t a = 0; a < std::size(apps); ++a) {
    for (std::size_t s = 0; s < std::size(sections); ++s) {
      EXPECT_EQ(store_.Read(apps[a], sections[s], "Key", "?"), value(a, s))
          << apps[a] << " / " << sections[s];
    }
  }
  // Everything landed directly in the quorvix folder, nothing next to it.
  EXPECT_EQ(std::distance(fs::directory_iterator(home_.root()),
                          fs::directory_iterator()),
            1);
  for (const auto& entry : fs::directory_iterator(home_.quorvix())) {
    EXPECT_TRUE(entry.is_regular_file()) << entry.path();
  }
  EXPECT_TRUE(fs::exists(home_.quorvix() / "%2E.%2Fescape.ini"));
  EXPECT_TRUE(fs::exists(home_.quorvix() / ".ini"));
}

TEST_F(KeyFileStoreTest, KeepsWhatElseTheFileHolds) {
  Put(home_.quorvix() / "Show.ini",
      "# the user's note\n[Settings]\nPort=2\n\n[Mine]\nColour=blue\n");
  store_.Write("Show", "Settings", {{"Port", "4"}});
  const std::string text = Contents(home_.quorvix() / "Show.ini");
  EXPECT_THAT(text, HasSubstr("# the user's note\n"));
  EXPECT_THAT(text, HasSubstr("[Settings]\nPort=4\n"));
  EXPECT_THAT(text, HasSubstr("[Mine]\nColour=blue\n"));
}

TEST_F(KeyFileStoreTest, ACorruptFileIsAFailureAndIsNotOverwritten) {
  const fs::path file = home_.quorvix() / "Show.ini";
  const std::string corrupt = "[Settings]\nPort=2\nthis is no setting\n";
  Put(file, corrupt);
  ExpectStoreFailure([&] { store_.Read("Show", "Settings", "Port", "1"); },
                     file.string());
  ExpectStoreFailure(
      [&] {
        store_.Write("Show", "Settings", {{"Port", "3"}});
      },
      file.string());
  EXPECT_EQ(Contents(file), corrupt);
}

TEST_F(KeyFileStoreTest, AStoredValueThatIsNotUtf8IsAFailure) {
  Put(home_.quorvix() / "Show.ini", "[Settings]\nPort=\xFF\n");
  ExpectStoreFailure([&] { store_.Read("Show", "Settings", "Port", "1"); },
                     "Port");
}

TEST_F(KeyFileStoreTest, ABlockedFolderIsAFailure) {
  // A file where the folder should be stops root as well as anyone.
  Put(home_.quorvix(), "");
  ExpectStoreFailure(
      [&] {
        store_.Write("Show", "Settings", {{"Port", "3"}});
      },
      home_.quorvix().string());
  ExpectStoreFailure([&] { store_.Read("Show", "Settings", "Port", "1"); },
                     home_.quorvix().string());
}

TEST_F(KeyFileStoreTest, AFileThatIsAFolderIsAFailure) {
  fs::create_directories(home_.quorvix() / "Show.ini");
  ExpectStoreFailure(
      [&] {
        store_.Write("Show", "Settings", {{"Port", "3"}});
      },
      "Show.ini");
  ExpectStoreFailure([&] { store_.Read("Show", "Settings", "Port", "1"); },
                     "Show.ini");
}

TEST_F(KeyFileStoreTest, RefusesWhatItCouldNotGiveBack) {
  ExpectStoreFailure(
      [&] {
        store_.Write("Show", "Settings", {{"Port", "\xFF"}});
      },
      "Port");
  ExpectStoreFailure(
      [&] {
        store_.Write("Show", "Settings", {{"Port", std::string("a\0b", 3)}});
      },
      "Port");
  for (const std::string key : {"", "a=b", "Key[de]", " Port", "\xC3\xBC"}) {
    ExpectStoreFailure(
        [&] {
          store_.Write("Show", "Settings", {{key, "1"}});
        },
        "\"" + key + "\"");
  }
}

TEST_F(KeyFileStoreTest, WritesThroughASymbolicLinkAndKeepsTheMode) {
  const fs::path target = home_.root() / "kept" / "show.ini";
  Put(target, "[Settings]\nPort=2\n");
  fs::permissions(target, fs::perms(0640));
  fs::create_directories(home_.quorvix());
  fs::create_symlink("../kept/show.ini", home_.quorvix() / "Show.ini");
  const fs::path plain = home_.quorvix() / "Plain.ini";
  Put(plain, "[Settings]\nPort=2\n");
  fs::permissions(plain, fs::perms(0604));

  store_.Write("Show", "Settings", {{"Port", "4"}});
  store_.Write("Plain", "Settings", {{"Port", "4"}});

  EXPECT_TRUE(fs::is_symlink(home_.quorvix() / "Show.ini"));
  EXPECT_EQ(Contents(target), "[Settings]\nPort=4\n");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  EXPECT_EQ(Contents(plain), "[Settings]\nPort=4\n");
  EXPECT_EQ(fs::status(plain).permissions(), fs::perms(0604));
  // The new file was made beside the target; nothing was left there.
  EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()),
                          fs::directory_iterator()),
            1);
}

TEST_F(KeyFileStoreTest, TwoWritersLoseNothingOfEachOther) {
  constexpr int kWrites = 40;
  const auto writer = [](char name) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    try {
      KeyFileStore own;
      for (int i = 0; i < kWrites; ++i) {
        own.Write("Show", "Settings", {{name + std::to_string(i), "x"}});
      }
      _exit(0);
    } catch (...) {
      _exit(1);
    }
  };
  const pid_t first = writer('A');
  const pid_t second = writer('B');
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  for (const pid_t pid : {first, second}) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int missing = 0;
  for (const char name : {'A', 'B'}) {
    for (int i = 0; i < kWrites; ++i) {
      if (store_.Read("Show", "Settings", name + std::to_string(i), "") !=
          "x") {
        ++missing;
      }
    }
  }
  EXPECT_EQ(missing, 0);
}

TEST_F(KeyFileStoreTest, AWriterWaitsForTheLockOnlySoLong) {
  store_.Write("Show", "Settings", {{"Port", "2"}});
  const fs::path file = home_.quorvix() / "Show.ini";
  // Another program in the middle of its own write.
  const common::UniqueFd held(open((home_.quorvix() / ".Show.ini.lock").c_str(),
                                   O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  ASSERT_TRUE(held.is_valid());
  ASSERT_EQ(flock(held.get(), LOCK_EX), 0);

  KeyFileStore impatient(std::chrono::milliseconds(20));
  ExpectStoreFailure(
      [&] {
        impatient.Write("Show", "Settings", {{"Port", "3"}});
      },
      file.string());
  // Readers never wait: a file is only ever replaced whole.
  EXPECT_EQ(impatient.Read("Show", "Settings", "Port", "1"), "2");
  EXPECT_EQ(Contents(file), "[Settings]\nPort=2\n");
}

TEST_F(KeyFileStoreTest, FollowsTheEnvironmentAtEveryCall) {
  store_.Write("Show", "Settings", {{"Port", "1"}});
  {
    TempConfigHome other;
    EXPECT_EQ(store_.Read("Show", "Settings", "Port", "absent"), "absent");
    store_.Write("Show", "Settings", {{"Port", "2"}});
    EXPECT_TRUE(fs::exists(other.quorvix() / "Show.ini"));
  }
  EXPECT_EQ(store_.Read("Show", "Settings", "Port", "absent"), "1");
}

TEST_F(KeyFileStoreTest, WithoutXdgConfigHomeUsesHomeDotConfig) {
  const std::string old_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", home_.root().c_str(), 1);
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative"}) {
    if (xdg == nullptr) {
      unsetenv("XDG_CONFIG_HOME");
    } else {
      setenv("XDG_CONFIG_HOME", xdg, 1);
    }
    store_.Write("Show", "Settings", {{"Port", "7"}});
    EXPECT_TRUE(fs::exists(home_.root() / ".config/quorvix/Show.ini"));
    fs::remove_all(home_.root() / ".config");
  }
  setenv("HOME", old_home.c_str(), 1);
}

}  // namespace
}  // namespace quorvix::test
