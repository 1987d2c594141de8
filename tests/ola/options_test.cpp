// quorvix-ola's command line.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "options.h"

namespace quorvix::ola_bridge {
namespace {

using ::testing::HasSubstr;

Options Parse(std::vector<std::string_view> arguments) {
  return ParseOptions(arguments, "/lib/libquorvix.so");
}

std::string ErrorOf(std::vector<std::string_view> arguments) {
  try {
    Parse(arguments);
  } catch (const OptionError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(OptionsTest, ReadsEveryOptionAndDefaultsTheRest) {
  const Options minimal = Parse({"--universe", "3"});
  EXPECT_EQ(minimal.universe, 3u);
  EXPECT_FALSE(minimal.input_universe);
  EXPECT_EQ(minimal.app, "quorvix-ola");
  EXPECT_EQ(minimal.library, "/lib/libquorvix.so");
  EXPECT_FALSE(minimal.verbose);

  const Options full =
      Parse({"--verbose", "--input-universe", "0", "--app", "My Show",
             "--universe", "4294967295", "--library", "/x/q.so"});
  EXPECT_EQ(full.universe, 4294967295u);
  EXPECT_EQ(full.input_universe, 0u);
  EXPECT_EQ(full.app, "My Show");
  EXPECT_EQ(full.library, "/x/q.so");
  EXPECT_TRUE(full.verbose);
  EXPECT_EQ(minimal.device, "");
  EXPECT_EQ(
      Parse({"--universe", "1", "--device", "/dev/serial/by-id/usb-X"}).device,
      "/dev/serial/by-id/usb-X");

  // Help is wanted even when the rest of the line is wrong.
  EXPECT_TRUE(Parse({"--universe", "x", "--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
}

TEST(OptionsTest, RefusesWhatCannotRunNamingTheOffendingArgument) {
  EXPECT_THAT(ErrorOf({}), HasSubstr("--universe U is required"));
  EXPECT_THAT(ErrorOf({"--universe"}), HasSubstr("--universe needs a value"));
  EXPECT_THAT(ErrorOf({"--universe", "1x"}), HasSubstr("not \"1x\""));
  EXPECT_THAT(ErrorOf({"--universe", "-1"}), HasSubstr("not \"-1\""));
  EXPECT_THAT(ErrorOf({"--universe", "4294967296"}),
              HasSubstr("from 0 to 4294967295, not \"4294967296\""));
  EXPECT_THAT(ErrorOf({"--universe", ""}), HasSubstr("not \"\""));
  EXPECT_THAT(ErrorOf({"--universe", "1", "--device", "ttyUSB0"}),
              HasSubstr("--device takes a full path such as "
                        "/dev/serial/by-id/..., not \"ttyUSB0\""));
  EXPECT_THAT(ErrorOf({"--universe", "1", "--input-universe", "one"}),
              HasSubstr("--input-universe takes a universe number"));
  EXPECT_THAT(ErrorOf({"--universe", "1", "--frobnicate"}),
              HasSubstr("unknown option \"--frobnicate\""));
  EXPECT_THAT(ErrorOf({"--universe", "1", "--app", ""}),
              HasSubstr("--app needs a non-empty name"));
  EXPECT_THAT(ErrorOf({"--universe", "1", "--library", ""}),
              HasSubstr("--library needs a path"));
  EXPECT_THAT(
      ErrorOf({"--universe", "7", "--input-universe", "7"}),
      HasSubstr("--input-universe must differ from --universe (both 7)"));
}

}  // namespace
}  // namespace quorvix::ola_bridge
