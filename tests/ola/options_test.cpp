// quorvix-ola's command line.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace quorvix::ola_bridge {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

Options Parse(const std::vector<std::string>& arguments) {
  Options options;
  const cli::Parsed parsed =
      ParseOptions(arguments, "/lib/libquorvix.so", options);
  EXPECT_FALSE(parsed.exit_status) << parsed.err;
  return options;
}

// The first line of what quorvix-ola says when it refuses `arguments`,
// which it must with exit status 64.
std::string ErrorOf(const std::vector<std::string>& arguments) {
  Options options;
  const cli::Parsed parsed =
      ParseOptions(arguments, "/lib/libquorvix.so", options);
  EXPECT_EQ(parsed.exit_status, 64) << "accepted: " << parsed.out;
  return parsed.err.substr(0, parsed.err.find('\n'));
}

TEST(OptionsTest, ReadsEveryOptionAndDefaultsTheRest) {
  const Options minimal = Parse({"--universe", "3"});
  EXPECT_EQ(minimal.universe, 3u);
  EXPECT_FALSE(minimal.input_universe);
  EXPECT_EQ(minimal.app, "quorvix-ola");
  EXPECT_EQ(minimal.library, "/lib/libquorvix.so");
  EXPECT_EQ(minimal.device, "");
  EXPECT_EQ(minimal.log_level, kLogInformation);

  const Options full =
      Parse({"--verbose", "--input-universe", "0", "--app", "My Show",
             "--universe", "4294967295", "--library", "/x/q.so", "--device",
             "/dev/serial/by-id/usb-X"});
  EXPECT_EQ(full.universe, 4294967295u);
  EXPECT_EQ(full.input_universe, 0u);
  EXPECT_EQ(full.app, "My Show");
  EXPECT_EQ(full.library, "/x/q.so");
  EXPECT_EQ(full.device, "/dev/serial/by-id/usb-X");
  EXPECT_EQ(full.log_level, kLogTrace);
}

TEST(OptionsTest, TakesOlasShortOptionsAndOptEqualsValue) {
  const Options short_options =
      Parse({"-u", "5", "-d", "/dev/serial/by-id/usb-Y", "-l", "2"});
  EXPECT_EQ(short_options.universe, 5u);
  EXPECT_EQ(short_options.device, "/dev/serial/by-id/usb-Y");
  EXPECT_EQ(short_options.log_level, kLogWarnings);
  const Options joined = Parse(
      {"--universe=6", "--input-universe=7", "--log-level=0", "--app=Show"});
  EXPECT_EQ(joined.universe, 6u);
  EXPECT_EQ(joined.input_universe, 7u);
  EXPECT_EQ(joined.log_level, 0);
  EXPECT_EQ(joined.app, "Show");
}

TEST(OptionsTest, HelpAndVersionGoToStandardOutputWithExitStatus0) {
  // Help is wanted even when the rest of the line is wrong.
  for (const auto& arguments : {std::vector<std::string>{"--help"},
                                {"-h"},
                                {"--universe", "x", "--help"}}) {
    Options options;
    const cli::Parsed help = ParseOptions(arguments, "/q.so", options);
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_THAT(help.out, HasSubstr("-u, --universe=U"));
    EXPECT_THAT(help.out, HasSubstr("-d, --device=PATH"));
    EXPECT_THAT(help.out, HasSubstr("-l, --log-level=LEVEL"));
  }
  Options options;
  const cli::Parsed version = ParseOptions({"--version"}, "/q.so", options);
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_THAT(version.out, StartsWith("quorvix-ola "));
}

TEST(OptionsTest, RefusesWhatCannotRunNamingTheOffendingArgument) {
  EXPECT_EQ(ErrorOf({}), "quorvix-ola: --universe U is required");
  EXPECT_EQ(ErrorOf({"--universe"}),
            "quorvix-ola: Missing argument for --universe");
  EXPECT_THAT(ErrorOf({"--universe", "1x"}), HasSubstr("not \"1x\""));
  EXPECT_THAT(ErrorOf({"-u", "-1"}), HasSubstr("-u takes a universe number"));
  EXPECT_THAT(ErrorOf({"--universe", "4294967296"}),
              HasSubstr("from 0 to 4294967295, not \"4294967296\""));
  EXPECT_THAT(ErrorOf({"--universe="}), HasSubstr("not \"\""));
  EXPECT_THAT(ErrorOf({"-u", "1", "--device", "ttyUSB0"}),
              HasSubstr("--device takes a full path such as "
                        "/dev/serial/by-id/..., not \"ttyUSB0\""));
  EXPECT_THAT(ErrorOf({"-u", "1", "-l", "5"}),
              HasSubstr("-l takes a level from 0 to 4, not \"5\""));
  EXPECT_THAT(ErrorOf({"--universe", "1", "--input-universe", "one"}),
              HasSubstr("--input-universe takes a universe number"));
  EXPECT_EQ(ErrorOf({"--universe", "1", "--frobnicate"}),
            "quorvix-ola: Unknown option --frobnicate");
  EXPECT_EQ(ErrorOf({"--universe", "1", "extra"}),
            "quorvix-ola: unexpected argument \"extra\"");
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
