#include "command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "options.h"

namespace quorvix::test {
namespace {

using namespace quorvix::sim;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

template <typename T>
T Parse(std::string_view line) {
  const ParsedCommand parsed = ParseCommand(line);
  EXPECT_TRUE(parsed.command) << line << ": " << parsed.error;
  if (!parsed.command || !std::holds_alternative<T>(*parsed.command)) {
    ADD_FAILURE() << line << " gave another command";
    return T{};
  }
  return std::get<T>(*parsed.command);
}

std::string ErrorOf(std::string_view line) {
  const ParsedCommand parsed = ParseCommand(line);
  EXPECT_FALSE(parsed.command) << line;
  return parsed.error;
}

TEST(Command, InputChannelsAreSetShownAndRamped) {
  const auto set = Parse<command::SetInput>("in 512 255");
  EXPECT_EQ(set.channel, 512);
  EXPECT_EQ(set.value, 255);
  EXPECT_EQ(Parse<command::ShowInput>("  in\t1 ").channel, 1);
  const auto ramp = Parse<command::Ramp>("ramp 3 0 200 25");
  EXPECT_EQ(ramp.channel, 3);
  EXPECT_EQ(ramp.from, 0);
  EXPECT_EQ(ramp.to, 200);
  EXPECT_EQ(ramp.step, std::chrono::milliseconds(25));
  EXPECT_EQ(Parse<command::ShowOutput>("out 300").channel, 300);
  Parse<command::Dump>("dump");
  Parse<command::Stats>("stats\r");
  Parse<command::Vanish>("vanish");
  EXPECT_FALSE(Parse<command::Replug>("replug").reset);
  EXPECT_TRUE(Parse<command::Replug>("replug reset").reset);
  Parse<command::Quit>("quit");
}

TEST(Command, MisbehaviourSwitches) {
  EXPECT_TRUE(Parse<command::Silent>("silent on").on);
  EXPECT_FALSE(Parse<command::Silent>("silent off").on);
  EXPECT_TRUE(Parse<command::Flood>("flood on").on);
  EXPECT_EQ(Parse<command::Split>("split on").gap, kDefaultSplitGap);
  EXPECT_EQ(Parse<command::Split>("split on 15").gap,
            std::chrono::milliseconds(15));
  EXPECT_FALSE(Parse<command::Split>("split off").gap);
  EXPECT_EQ(Parse<command::Baud>("baud 38400").baud, 38400);
  EXPECT_EQ(Parse<command::Baud>("baud off").baud, 0);
  EXPECT_EQ(Parse<command::Baud>("baud auto").baud, kFollowPort);
  EXPECT_EQ(Parse<command::Trailer>("trailer aB").byte, 0xAB);
}

TEST(Command, HandshakeReplyTakesTheRestOfTheLineWithEscapes) {
  EXPECT_EQ(Parse<command::HandshakeReply>("reply-handshake G\\r").reply,
            (Bytes{'G', '\r'}));
  EXPECT_EQ(Parse<command::HandshakeReply>("reply-handshake  a b").reply,
            (Bytes{' ', 'a', ' ', 'b'}));
  EXPECT_EQ(
      Parse<command::HandshakeReply>("reply-handshake \\x00\\xff\\\\\\n\\t\\0")
          .reply,
      (Bytes{0x00, 0xFF, '\\', '\n', '\t', 0x00}));
  EXPECT_EQ(Parse<command::HandshakeReply>("reply-handshake default").reply,
            (Bytes{'G'}));
  EXPECT_NE(ErrorOf("reply-handshake").find("usage"), std::string::npos);
  EXPECT_NE(ErrorOf("reply-handshake G\\q").find("\\q"), std::string::npos);
  EXPECT_NE(ErrorOf("reply-handshake \\x4").find("two hex digits"),
            std::string::npos);
  EXPECT_NE(ErrorOf("reply-handshake G\\").find("backslash"),
            std::string::npos);
}

TEST(Command, ErrorsNameTheWordAndWhatWasWrong) {
  EXPECT_EQ(ErrorOf("in 0 5"), "in: channel '0' is not a number from 1 to 512");
  EXPECT_EQ(ErrorOf("in 513"),
            "in: channel '513' is not a number from 1 to 512");
  EXPECT_EQ(ErrorOf("in 1 256"),
            "in: value '256' is not a number from 0 to 255");
  EXPECT_EQ(ErrorOf("in 1 -1"), "in: value '-1' is not a number from 0 to 255");
  EXPECT_EQ(ErrorOf("in 1 2x"), "in: value '2x' is not a number from 0 to 255");
  EXPECT_EQ(ErrorOf("in 1 2 3"), "in: usage: in CH [VALUE]");
  EXPECT_EQ(ErrorOf("ramp 1 0 10 0"),
            "ramp: step '0' is not a number from 1 to 3600000");
  EXPECT_EQ(ErrorOf("ramp 1 0 300 5"),
            "ramp: to '300' is not a number from 0 to 255");
  EXPECT_EQ(ErrorOf("silent maybe"), "silent: 'maybe' is neither on nor off");
  EXPECT_EQ(ErrorOf("split off 5"),
            "split: usage: split on [GAP_MS] | split off");
  EXPECT_EQ(ErrorOf("baud 0"),
            "baud: baud rate '0' is not a number from 1 to 4000000");
  EXPECT_EQ(ErrorOf("trailer 100"), "trailer: '100' is not two hex digits");
  EXPECT_EQ(ErrorOf("dump 1"), "dump: usage: dump");
  EXPECT_EQ(ErrorOf("replug now"), "replug: 'now' is not reset");
  EXPECT_EQ(ErrorOf("hello"), "unknown command 'hello' (try --help)");
}

TEST(Command, BlankLinesAndCommentsAreNeitherCommandNorError) {
  for (const std::string_view line : {"", "   ", "# in 1 2"}) {
    const ParsedCommand parsed = ParseCommand(line);
    EXPECT_FALSE(parsed.command) << line;
    EXPECT_EQ(parsed.error, "") << line;
  }
}

TEST(Options, StartStateOptionsBecomeCommands) {
  Options options;
  const cli::Parsed parsed = ParseOptions(
      {"--link", "/tmp/x/COM1", "--log=l.txt", "--silent", "--handshake-reply",
       "G\\r", "--split", "--baud", "9600", "--flood", "--trailer=7F",
       "--commands", "/tmp/fifo", "--background"},
      options);
  ASSERT_FALSE(parsed.exit_status) << parsed.err;
  EXPECT_EQ(options.link, "/tmp/x/COM1");
  EXPECT_EQ(options.log, "l.txt");
  EXPECT_EQ(options.commands, "/tmp/fifo");
  EXPECT_TRUE(options.background);
  const auto& start = options.start;
  ASSERT_EQ(start.size(), 6u);
  EXPECT_TRUE(std::get<command::Silent>(start[0]).on);
  EXPECT_EQ(std::get<command::HandshakeReply>(start[1]).reply,
            (Bytes{'G', '\r'}));
  EXPECT_EQ(std::get<command::Split>(start[2]).gap, kDefaultSplitGap);
  EXPECT_EQ(std::get<command::Baud>(start[3]).baud, 9600);
  EXPECT_TRUE(std::get<command::Flood>(start[4]).on);
  EXPECT_EQ(std::get<command::Trailer>(start[5]).byte, 0x7F);
}

// What the simulator says about `args`, which it must refuse with 64.
std::string Refusal(const std::vector<std::string>& args) {
  Options options;
  const cli::Parsed parsed = ParseOptions(args, options);
  EXPECT_EQ(parsed.exit_status, 64) << parsed.err;
  EXPECT_EQ(parsed.out, "");
  return parsed.err.substr(0, parsed.err.find('\n'));
}

TEST(Options, BadOptionsAreNamedWithExitStatus64) {
  EXPECT_EQ(Refusal({"--baud"}), "quorvix-sim: Missing argument for --baud");
  EXPECT_EQ(Refusal({"--baud", "fast"}),
            "quorvix-sim: --baud: baud: baud rate 'fast' is not a number from "
            "1 to 4000000");
  EXPECT_EQ(Refusal({"--verbose"}), "quorvix-sim: Unknown option --verbose");
  EXPECT_EQ(Refusal({"--link="}), "quorvix-sim: --link needs a path");
  EXPECT_EQ(Refusal({"extra"}), "quorvix-sim: unexpected argument \"extra\"");
}

TEST(Options, HelpAndVersionGoToStandardOutputWithExitStatus0) {
  for (const auto& args : {std::vector<std::string>{"--help"},
                           {"-h"},
                           {"--baud", "fast", "--help"}}) {
    Options options;
    const cli::Parsed help = ParseOptions(args, options);
    EXPECT_EQ(help.exit_status, 0) << help.err;
    EXPECT_THAT(help.out, HasSubstr("--handshake-reply=TEXT"));
    EXPECT_THAT(help.out, HasSubstr("reply-handshake TEXT    answer"));
  }
  Options options;
  const cli::Parsed version = ParseOptions({"--version"}, options);
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_THAT(version.out, MatchesRegex("quorvix-sim [0-9]+\\.[0-9]+.*\n"));
}

}  // namespace
}  // namespace quorvix::test
