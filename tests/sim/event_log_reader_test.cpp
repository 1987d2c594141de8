#include "tools/sim/event_log_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "common/temp_folder.h"
#include "event_log.h"

namespace quorvix::test {
namespace {

using namespace quorvix::sim;
using ::testing::ElementsAre;

Time At(long long micros) { return Time{} + std::chrono::microseconds(micros); }

TEST(EventLogReader, ReadsBackWhatTheSimulatorLogged) {
  const common::TempFolder folder("quorvix-event-log");
  const std::string path = (folder.path() / "log").string();
  {
    EventLog writer(path);
    writer.Write(At(1500), "rx FF 04 00 01 C8 00");
    writer.Write(At(1600), "frame 5 200");
    writer.Write(At(1700), "frame-ignored 600 1");
    writer.Write(At(1800), "reply dmxin 01 02 AA");
    writer.Write(At(1900), "reply info 41");
    writer.Write(At(2000), "handshake");
  }
  const std::vector<LoggedEvent> log = ReadSimEventLog(path);
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].time_us, 1500);
  EXPECT_EQ(log[0].text, "rx FF 04 00 01 C8 00");

  EXPECT_THAT(EventDetails(log, "frame"), ElementsAre("5 200"));
  EXPECT_THAT(EventDetails(log, "reply dmxin"), ElementsAre("01 02 AA"));
  EXPECT_THAT(EventDetails(log, "reply"),
              ElementsAre("dmxin 01 02 AA", "info 41"));
  EXPECT_THAT(EventDetails(log, "handshake"), ElementsAre(""));
  EXPECT_THAT(HexBytes(EventDetails(log, "rx").at(0)),
              ElementsAre(0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00));

  const std::vector<LoggedFrame> frames = FramesOf(log);
  ASSERT_EQ(frames.size(), 1u) << "frame-ignored is not a frame";
  EXPECT_EQ(frames[0].time_us, 1600);
  EXPECT_EQ(frames[0].channel, 5);
  EXPECT_EQ(frames[0].value, 200);
}

TEST(EventLogReader, LeavesOutLinesWithoutATimeAndAMissingFile) {
  std::istringstream text("garbage\n12x frame 1 2\n\n34 exit\n");
  const std::vector<LoggedEvent> log = ReadSimEventLog(text);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].time_us, 34);
  EXPECT_EQ(log[0].text, "exit");
  EXPECT_TRUE(ReadSimEventLog(std::filesystem::path("/nonexistent/log")).empty());
  EXPECT_THROW(HexBytes("FF zz"), std::invalid_argument);
}

}  // namespace
}  // namespace quorvix::test
