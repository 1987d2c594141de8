// MessageBoxW keeps the message boxes' contract, under Wine: a watcher
// thread reads each box and clicks its OK.
#include <windows.h>

#include "box_watcher.h"
#include "contract/message_box_contract.h"
#include "platform/win32/message_boxes.h"
#include "platform/win32/wide_text.h"

namespace quorvix::test {
namespace {

class MessageBoxesWHarness {
 public:
  MessageBoxes& boxes() { return boxes_; }

  std::vector<contract::SeenBox> Seen(std::size_t count) {
    for (const ULONGLONG give_up = GetTickCount64() + 10000;
         seen_.size() < count && GetTickCount64() < give_up; Sleep(20)) {
      for (const SeenBox& box : watcher_.Take()) {
        std::optional<MessageIcon> icon;
        if (box.icon == L"error") icon = MessageIcon::kError;
        if (box.icon == L"information") icon = MessageIcon::kInformation;
        seen_.push_back({Utf8(box.text), icon});
      }
    }
    return seen_;
  }

  std::string CannotSee(std::string_view) const { return {}; }

 private:
  BoxWatcher watcher_{win32::Widen(kMessageBoxTitle)};
  win32::MessageBoxesW boxes_;
  std::vector<contract::SeenBox> seen_;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(MessageBoxW, MessageBoxContract,
                               ::testing::Types<test::MessageBoxesWHarness>);
}  // namespace quorvix::contract
