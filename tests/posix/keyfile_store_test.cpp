#include "platform/posix/keyfile_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(KeyFileStoreTest, AbsentFileGroupOrKeyGivesTheDefault) {
  EXPECT_EQ(store_.Read("Show", "Settings", "Port", "1"), "1");
  store_.Write("Show", "Settings", "Port", "3");
  EXPECT_EQ(store_.Read("Show", "Other", "Port", "dflt"), "dflt");
  EXPECT_EQ(store_.Read("Show", "Settings", "Baud", ""), "");
  EXPECT_EQ(store_.Read("Other Show", "Settings", "Port", "1"), "1");
}

TEST_F(KeyFileStoreTest, WritesOneIniFileInAPrivateFolder) {
  store_.Write("My Show", "Settings", "Port", "5");
  store_.Write("My Show", "Settings", "Baud", "19200,n,8,1");
  EXPECT_EQ(Contents(home_.quorvix() / "My Show.ini"),
            "[Settings]\nPort=5\nBaud=19200,n,8,1\n");
  // Replaced by rename: no temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(home_.quorvix()),
                          fs::directory_iterator()),
            1);
  struct stat info {};
  ASSERT_EQ(stat(home_.quorvix().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(KeyFileStoreTest, ValuesRoundTrip) {
  for (const std::string value :
       {"", " leading and trailing ", "two\nlines\r\n", "tab\there",
        "back\\slash", "#not a comment", "[not a group]", "a=b",
        "B\xC3\xBChne \xE2\x82\xAC"}) {
    store_.Write("Show", "Settings", "Value", value);
    EXPECT_EQ(store_.Read("Show", "Settings", "Value", "default"), value);
  }
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
      store_.Write(apps[a], sections[s], "Key", value(a, s));
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
  store_.Write("Show", "Settings", "Port", "4");
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
  ExpectStoreFailure([&] { store_.Write("Show", "Settings", "Port", "3"); },
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
  ExpectStoreFailure([&] { store_.Write("Show", "Settings", "Port", "3"); },
                     home_.quorvix().string());
  ExpectStoreFailure([&] { store_.Read("Show", "Settings", "Port", "1"); },
                     home_.quorvix().string());
}

TEST_F(KeyFileStoreTest, AFileThatIsAFolderIsAFailure) {
  fs::create_directories(home_.quorvix() / "Show.ini");
  ExpectStoreFailure([&] { store_.Write("Show", "Settings", "Port", "3"); },
                     "Show.ini");
  ExpectStoreFailure([&] { store_.Read("Show", "Settings", "Port", "1"); },
                     "Show.ini");
}

TEST_F(KeyFileStoreTest, RefusesWhatItCouldNotGiveBack) {
  ExpectStoreFailure([&] { store_.Write("Show", "Settings", "Port", "\xFF"); },
                     "Port");
  ExpectStoreFailure(
      [&] { store_.Write("Show", "Settings", "Port", std::string("a\0b", 3)); },
      "Port");
  for (const std::string key : {"", "a=b", "Key[de]", " Port", "\xC3\xBC"}) {
    ExpectStoreFailure([&] { store_.Write("Show", "Settings", key, "1"); },
                       "\"" + key + "\"");
  }
  EXPECT_FALSE(fs::exists(home_.quorvix() / "Show.ini"));
}

TEST_F(KeyFileStoreTest, FollowsTheEnvironmentAtEveryCall) {
  store_.Write("Show", "Settings", "Port", "1");
  {
    TempConfigHome other;
    EXPECT_EQ(store_.Read("Show", "Settings", "Port", "absent"), "absent");
    store_.Write("Show", "Settings", "Port", "2");
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
    store_.Write("Show", "Settings", "Port", "7");
    EXPECT_TRUE(fs::exists(home_.root() / ".config/quorvix/Show.ini"));
    fs::remove_all(home_.root() / ".config");
  }
  setenv("HOME", old_home.c_str(), 1);
}

}  // namespace
}  // namespace quorvix::test
