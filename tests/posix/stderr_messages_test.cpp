#include "platform/posix/stderr_messages.h"

#include <gtest/gtest.h>

namespace quorvix::test {
namespace {

using namespace quorvix::posix;

TEST(StderrMessages, ShowsTitleAndTextOnOneLine) {
  EXPECT_EQ(StderrMessages::Line("Port missing.\r\nCheck the cable."),
            "Quorvix Transmitter Driver: Port missing. / Check the cable.");
  EXPECT_EQ(StderrMessages::Line("a\r\n\r\nb\nc\rd"),
            "Quorvix Transmitter Driver: a /  / b / c / d");
  EXPECT_EQ(StderrMessages::Line("Gerät \xE2\x80\x9E"
                                 "COM3\xE2\x80\x9C"),
            "Quorvix Transmitter Driver: Gerät \xE2\x80\x9E"
            "COM3\xE2\x80\x9C");
}

}  // namespace
}  // namespace quorvix::test
