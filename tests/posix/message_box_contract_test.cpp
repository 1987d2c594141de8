// The standard error's messages keep the message boxes' contract, read back
// from a file that stands in for standard error.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "contract/message_box_contract.h"
#include "platform/posix/stderr_messages.h"

namespace quorvix::test {
namespace {

class StderrMessagesHarness {
 public:
  StderrMessagesHarness() {
    file_ = mkstemp(path_);
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    dup2(file_, STDERR_FILENO);
  }
  ~StderrMessagesHarness() {
    Restore();
    close(file_);
    unlink(path_);
  }
  StderrMessagesHarness(const StderrMessagesHarness&) = delete;
  StderrMessagesHarness& operator=(const StderrMessagesHarness&) = delete;

  MessageBoxes& boxes() { return messages_; }

  // Each line is a box: the title, ": ", the text with " / " for line ends.
  std::vector<contract::SeenBox> Seen(std::size_t) {
    Restore();
    const std::string title = std::string(kMessageBoxTitle) + ": ";
    std::vector<contract::SeenBox> seen;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind(title, 0) == 0) line.erase(0, title.size());
      for (std::size_t at; (at = line.find(" / ")) != std::string::npos;) {
        line.replace(at, 3, "\r\n");
      }
      seen.push_back({line, std::nullopt});
    }
    return seen;
  }

  std::string CannotSee(std::string_view test) const {
    return test == "TheIconSaysErrorOrInformation"
               ? "a line on standard error has no icon"
               : "";
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }

  char path_[32] = "/tmp/quorvix-stderr-XXXXXX";
  int file_ = -1;
  int saved_ = -1;
  posix::StderrMessages messages_;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Stderr, MessageBoxContract,
                               ::testing::Types<test::StderrMessagesHarness>);
}  // namespace quorvix::contract
