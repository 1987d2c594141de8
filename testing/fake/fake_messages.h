#pragma once
// Message boxes that are "dismissed" at once; each is recorded, and a test
// may act while one is up.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"

namespace quorvix::fake {

struct ShownMessage {
  MessageIcon icon;
  std::string text;
  bool operator==(const ShownMessage&) const = default;
};

class FakeMessages final : public MessageBoxes {
 public:
  void Show(MessageIcon icon, std::string_view text) override {
    shown_.push_back(ShownMessage{icon, std::string(text)});
    const auto while_shown = while_shown_;  // may replace itself
    if (while_shown) while_shown(shown_.back());
  }

  void SetWhileShown(std::function<void(const ShownMessage&)> action) {
    while_shown_ = std::move(action);
  }
  const std::vector<ShownMessage>& shown() const { return shown_; }
  void Clear() { shown_.clear(); }

 private:
  std::vector<ShownMessage> shown_;
  std::function<void(const ShownMessage&)> while_shown_;
};

}  // namespace quorvix::fake
