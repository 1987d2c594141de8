// The fake loop keeps the event loops' contract.
#include "contract/event_loop_contract.h"
#include "testing/fake/fake_event_loop.h"

namespace quorvix::test {
namespace {

struct FakeLoopHarness {
  EventLoop& loop() { return fake; }
  void Post(std::function<void()> event) { fake.Post(std::move(event)); }
  fake::FakeEventLoop fake;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, EventLoopContract,
                               ::testing::Types<test::FakeLoopHarness>);
}  // namespace quorvix::contract
