#include "platform/posix/glib_event_loop.h"

#include <glib-unix.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <thread>
#include <vector>

#include "platform/posix/glib_timer.h"

namespace quorvix::test {
namespace {

using namespace quorvix::posix;

using std::chrono::milliseconds;

struct ContextDeleter {
  void operator()(GMainContext* context) const {
    g_main_context_unref(context);
  }
};

// A pipe whose read end stays readable until drained, watched on a context.
class ReadablePipe {
 public:
  explicit ReadablePipe(GMainContext* context) {
    if (pipe(fds_.data()) != 0) std::abort();
    source_ = g_unix_fd_source_new(fds_[0], G_IO_IN);
    g_source_set_callback(
        source_,
        reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(Count)),
        &calls_, nullptr);
    g_source_attach(source_, context);
  }
  ~ReadablePipe() {
    g_source_destroy(source_);
    g_source_unref(source_);
    close(fds_[0]);
    close(fds_[1]);
  }
  void Fill() const {
    if (write(fds_[1], "x", 1) != 1) std::abort();
  }
  int calls() const { return calls_; }

 private:
  static gboolean Count(gint, GIOCondition, gpointer calls) {
    ++*static_cast<int*>(calls);
    return G_SOURCE_CONTINUE;
  }

  std::array<int, 2> fds_{};
  GSource* source_;
  int calls_ = 0;
};

class GlibEventLoopTest : public ::testing::Test {
 protected:
  std::unique_ptr<GMainContext, ContextDeleter> context_{g_main_context_new()};
  PinnedContext pinned_{context_.get()};
  GlibEventLoop loop_{pinned_};

  // Pumps until `done` or a generous deadline; the tests assert on what
  // happened, never on how long it took.
  template <typename Done>
  void PumpUntil(Done done) {
    const auto give_up = loop_.Now() + std::chrono::seconds(10);
    while (!done() && loop_.Now() < give_up) {
      loop_.WaitAndPump(give_up);
    }
  }
};

// A readable descriptor stays ready, as the receive source does while a
// transmitter floods the line: a pump runs it once. A waiting source of a
// lower priority gets the next pump.
TEST_F(GlibEventLoopTest, PumpRunsTheHighestReadyPriorityOnce) {
  std::optional<ReadablePipe> flood(context_.get());
  flood->Fill();  // never drained
  int idle_runs = 0;
  GSource* const idle = g_idle_source_new();  // the lowest priority
  g_source_set_callback(
      idle,
      [](gpointer runs) -> gboolean {
        ++*static_cast<int*>(runs);
        return G_SOURCE_REMOVE;
      },
      &idle_runs, nullptr);
  g_source_attach(idle, context_.get());
  g_source_unref(idle);
  loop_.PumpPending();
  EXPECT_EQ(flood->calls(), 1);
  EXPECT_EQ(idle_runs, 0);
  flood.reset();
  loop_.PumpPending();
  EXPECT_EQ(idle_runs, 1);
}

TEST_F(GlibEventLoopTest, WaitWakesForAnEventArrivingMeanwhile) {
  ReadablePipe pipe(context_.get());
  std::thread writer([&] {
    std::this_thread::sleep_for(milliseconds(20));
    pipe.Fill();
  });
  loop_.WaitAndPump(loop_.Now() + std::chrono::hours(1));
  writer.join();
  EXPECT_GE(pipe.calls(), 1);
}

TEST(NextBeat, CountsFromTheStartAndSkipsMissedBeats) {
  EXPECT_EQ(NextBeat(1000, 50, 1000), 1050);
  EXPECT_EQ(NextBeat(1000, 50, 1049), 1050);
  EXPECT_EQ(NextBeat(1000, 50, 1050), 1100);  // strictly after now
  EXPECT_EQ(NextBeat(1000, 50, 1064), 1100);  // a 14-unit tick costs no time
  EXPECT_EQ(NextBeat(1000, 50, 1234), 1250);  // beats 1100..1200 skipped
  EXPECT_EQ(NextBeat(1000, 50, 900), 1050);
}

TEST_F(GlibEventLoopTest, TimerSkipsBeatsThatFellDueDuringATick) {
  std::vector<Clock::time_point> ticks;
  const auto before = loop_.Now();
  const auto timer = loop_.StartTimer(milliseconds(10), [&] {
    ticks.push_back(loop_.Now());
    if (ticks.size() == 1) loop_.Sleep(milliseconds(25));
  });
  PumpUntil([&] { return ticks.size() >= 2; });
  ASSERT_EQ(ticks.size(), 2u);
  // The first tick ran past the beats at 20 and 30 ms: they are not made
  // up, the next tick waits for the beat at 40 ms or later.
  EXPECT_GE(ticks[0] - before, milliseconds(10));
  EXPECT_GE(ticks[1] - before, milliseconds(40));
  EXPECT_GE(ticks[1] - ticks[0], milliseconds(25));
}

TEST_F(GlibEventLoopTest, ATickMayStopItsOwnTimer) {
  int ticks = 0;
  std::unique_ptr<TimerSource> timer;
  timer = loop_.StartTimer(milliseconds(1), [&] {
    ++ticks;
    timer.reset();
  });
  PumpUntil([&] { return ticks > 0; });
  loop_.WaitAndPump(loop_.Now() + milliseconds(10));
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(g_main_context_pending(context_.get()));
}

TEST(PinnedContextTest, NullMeansTheThreadDefaultNotTheGlobalOne) {
  const std::unique_ptr<GMainContext, ContextDeleter> pushed{
      g_main_context_new()};
  g_main_context_push_thread_default(pushed.get());
  {
    const PinnedContext pinned;
    EXPECT_EQ(pinned.get(), pushed.get());
  }
  g_main_context_pop_thread_default(pushed.get());
  const PinnedContext unpushed;
  EXPECT_EQ(unpushed.get(), g_main_context_default());
}

}  // namespace
}  // namespace quorvix::test
