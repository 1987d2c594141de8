// The Linux plug-in's default trace sink, GLib's log: whether anyone reads
// it is decided once, at the first qvx_create, from G_MESSAGES_DEBUG.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace quorvix::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Standard output, where GLib writes debug messages outside the journal,
// goes to a file while this lives.
class CapturedStdout {
 public:
  CapturedStdout() : file_(std::tmpfile()), saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    dup2(fileno(file_), STDOUT_FILENO);
  }
  ~CapturedStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    std::fclose(file_);
  }
  CapturedStdout(const CapturedStdout&) = delete;
  CapturedStdout& operator=(const CapturedStdout&) = delete;

  std::string Text() const {
    std::fflush(stdout);
    std::string text;
    std::rewind(file_);
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
      text += static_cast<char>(c);
    }
    return text;
  }

 private:
  std::FILE* file_;
  int saved_;
};

class DefaultTraceTest : public PluginFixture {
 protected:
  void SetUp() override {}  // each test sets the variable first
  ~DefaultTraceTest() override {
    unsetenv("G_MESSAGES_DEBUG");
    unsetenv("CHARSET");
  }

  // `messages_debug` null: the variable unset.
  void CreateWith(const char* messages_debug) {
    if (messages_debug == nullptr) {
      unsetenv("G_MESSAGES_DEBUG");
    } else {
      setenv("G_MESSAGES_DEBUG", messages_debug, 1);
    }
    // GLib converts the message to the console's character set.
    setenv("CHARSET", "UTF-8", 1);
    PluginFixture::SetUp();
    plugin_->set_trace(nullptr, nullptr);
  }

  // Init, Enable and channel 1 at 255, whose frame starts with 0xFF.
  void SendChannelOne() {
    WriteSettings("Host", "quorvix.so", "ComPort=1\nComSettings=38400,n,8,1\n");
    StartSim(1);
    ASSERT_EQ(Init("Host", "quorvix.so"), 0) << plugin_->last_error();
    ASSERT_EQ(Enable(), 0) << plugin_->last_error();
    ASSERT_EQ(SetChannel(1, 255), 0) << plugin_->last_error();
  }

  CapturedStdout stdout_;
};

TEST_F(DefaultTraceTest, NamedDomainShowsTheLinesInUtf8) {
  CreateWith("Quorvix");
  SendChannelOne();
  EXPECT_THAT(stdout_.Text(), HasSubstr("[Quorvix] Init: Begin"));
  EXPECT_THAT(stdout_.Text(),
              HasSubstr("[Quorvix] SetChannel: Sending channel 1 @ 255: "
                        "\xC3\xBF\n"));
}

TEST_F(DefaultTraceTest, UnsetAtCreationNobodyReadsButAHostSinkGetsRawBytes) {
  CreateWith(nullptr);
  setenv("G_MESSAGES_DEBUG", "Quorvix", 1);  // too late: read at creation
  SendChannelOne();
  EXPECT_THAT(stdout_.Text(), Not(HasSubstr("[Quorvix]")));

  std::vector<std::string> lines;
  // TearDown's Term traces too, after `lines` is gone.
  const struct SinkReset {
    host::PluginLibrary& plugin;
    ~SinkReset() { plugin.set_trace(nullptr, nullptr); }
  } reset{*plugin_};
  plugin_->set_trace(
      [](void* context, const char* line) {
        static_cast<std::vector<std::string>*>(context)->emplace_back(line);
      },
      &lines);
  ASSERT_EQ(SetChannel(1, 255), 0) << plugin_->last_error();
  EXPECT_THAT(lines,
              ::testing::Contains(
                  "[Quorvix] SetChannel: Sending channel 1 @ 255: \xFF"));
  EXPECT_THAT(stdout_.Text(), Not(HasSubstr("[Quorvix]")));
}

}  // namespace
}  // namespace quorvix::test
