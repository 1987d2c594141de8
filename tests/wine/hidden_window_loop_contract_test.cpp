// The hidden window's loop keeps the event loops' contract, under Wine.
#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

#include "contract/event_loop_contract.h"
#include "platform/win32/hidden_window_loop.h"

namespace quorvix::test {
namespace {

// Events arrive as the serial reader's do: a posted kReceiveMessage naming a
// receiver. Each event has a receiver of its own, gone once it has run.
class HiddenWindowLoopHarness {
 public:
  HiddenWindowLoopHarness()
      : loop_(GetModuleHandleW(nullptr), "Quorvix contract") {}

  EventLoop& loop() { return loop_; }

  void Post(std::function<void()> event) {
    const auto id = std::make_shared<win32::HiddenWindowLoop::ReceiverId>();
    *id = loop_.AddReceiver([this, id, event = std::move(event)] {
      loop_.RemoveReceiver(*id);
      event();
    });
    if (!PostMessageW(loop_.window(), win32::HiddenWindowLoop::kReceiveMessage,
                      *id, 0)) {
      ADD_FAILURE() << "PostMessageW failed: " << GetLastError();
    }
  }

 private:
  win32::HiddenWindowLoop loop_;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(HiddenWindow, EventLoopContract,
                               ::testing::Types<test::HiddenWindowLoopHarness>);
}  // namespace quorvix::contract
