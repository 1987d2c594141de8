// A host that sets its sinks from another thread while the driver's thread
// is writing to them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "plugin_fixture.h"

namespace quorvix::test {
namespace {

// A sink whose first line takes a while, and whose owner frees it as soon as
// the setter returns.
struct SlowSink {
  std::atomic<bool> inside{false};
  std::atomic<bool> freed{false};
  std::atomic<int> used_after_free{0};

  static void Trace(void* context, const char*) {
    auto* const sink = static_cast<SlowSink*>(context);
    if (sink->inside.exchange(true)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (sink->freed) ++sink->used_after_free;
  }
};

using HostSinks = PluginFixture;

TEST_F(HostSinks, ASinkSetFromAnotherThreadIsNeverUsedOnceTheSetterReturns) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  ASSERT_EQ(Init("Host", "q.so"), 0);
  SlowSink slow;
  plugin_->set_trace(&SlowSink::Trace, &slow);
  trace_.clear();
  std::thread other([&] {
    while (!slow.inside) std::this_thread::yield();
    plugin_->set_trace(&PluginFixture::OnTrace, this);
    slow.freed = true;
  });
  EXPECT_EQ(SetChannel(1, 1), 0);
  other.join();
  EXPECT_EQ(slow.used_after_free, 0);
  EXPECT_EQ(SetChannel(1, 2), 0);
  EXPECT_FALSE(trace_.empty()) << "the new sink gets the lines after the swap";
}

}  // namespace
}  // namespace quorvix::test
