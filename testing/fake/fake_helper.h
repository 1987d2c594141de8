#pragma once
// The host's helper object: records every call and answers as scripted.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host_helper.h"

namespace quorvix::fake {

struct HelperCall {
  std::string method;
  std::int32_t channel;
  std::uint8_t value;
  bool operator==(const HelperCall&) const = default;
};

class FakeHelper final : public HostHelper {
 public:
  FakeHelper() = default;
  // Lets a test see when the driver lets go of the helper.
  explicit FakeHelper(std::function<void()> on_release)
      : on_release_(std::move(on_release)) {}
  ~FakeHelper() override {
    if (on_release_) on_release_();
  }
  FakeHelper(const FakeHelper&) = delete;
  FakeHelper& operator=(const FakeHelper&) = delete;

  HostCallResult Call(std::string_view method, std::int32_t channel,
                      std::uint8_t value) override {
    calls_.push_back(HelperCall{std::string(method), channel, value});
    const auto during_call = during_call_;  // may replace itself
    if (during_call) during_call(calls_.back());
    if (!queued_.empty()) {
      HostCallResult next = std::move(queued_.front());
      queued_.pop_front();
      return next;
    }
    return result_;
  }

  // The answer to every call without a queued one.
  void SetResult(HostCallResult result) { result_ = std::move(result); }
  // Answers of the next calls, in order.
  void QueueResult(HostCallResult result) {
    queued_.push_back(std::move(result));
  }
  void SetDuringCall(std::function<void(const HelperCall&)> action) {
    during_call_ = std::move(action);
  }
  const std::vector<HelperCall>& calls() const { return calls_; }

 private:
  std::vector<HelperCall> calls_;
  HostCallResult result_;
  std::deque<HostCallResult> queued_;
  std::function<void(const HelperCall&)> during_call_;
  std::function<void()> on_release_;
};

}  // namespace quorvix::fake
