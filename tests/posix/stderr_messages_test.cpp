#include "platform/posix/stderr_messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

TEST(StderrMessages, WritesTheLineToStandardError) {
  char path[] = "/tmp/quorvix-stderr-XXXXXX";
  const int file = mkstemp(path);
  ASSERT_GE(file, 0);
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  dup2(file, STDERR_FILENO);
  StderrMessages messages;
  messages.Show(MessageIcon::kError, "First\r\nSecond");
  messages.Show(MessageIcon::kInformation, "Done");
  dup2(saved, STDERR_FILENO);
  close(saved);
  close(file);
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  unlink(path);
  EXPECT_EQ(text.str(),
            "Quorvix Transmitter Driver: First / Second\n"
            "Quorvix Transmitter Driver: Done\n");
}

}  // namespace
}  // namespace quorvix::test
