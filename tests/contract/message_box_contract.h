#pragma once
// What every kind of message box keeps where it can be seen, written once
// and run against each back end:
//
//   struct Harness {
//     MessageBoxes& boxes();
//     // The boxes shown and dismissed so far (waiting a while for `count`),
//     // as the user saw them: text with CR LF line ends, and the icon.
//     std::vector<SeenBox> Seen(std::size_t count);
//     // Cases the back end cannot be seen to keep: the reason, else empty.
//     std::string CannotSee(std::string_view case_name);
//   };

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"

namespace quorvix::contract {

struct SeenBox {
  std::string text;
  std::optional<MessageIcon> icon;
};

template <typename Harness>
class MessageBoxContract : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string reason = harness_.CannotSee(
        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    if (!reason.empty()) GTEST_SKIP() << reason;
  }

  // Two boxes, one after the other: each returns once dismissed.
  std::vector<SeenBox> ShowTwo() {
    harness_.boxes().Show(MessageIcon::kError, kFirst);
    harness_.boxes().Show(MessageIcon::kInformation, "Done");
    return harness_.Seen(2);
  }

  static constexpr std::string_view kFirst =
      "COM3 does not exist.\r\nB\xC3\xBChne \xE2\x82\xAC "
      "\xE2\x80\x9Eok\xE2\x80\x9C";

  Harness harness_;
};

TYPED_TEST_SUITE_P(MessageBoxContract);

TYPED_TEST_P(MessageBoxContract, EachBoxShowsItsWholeText) {
  const std::vector<SeenBox> seen = this->ShowTwo();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].text, this->kFirst);
  EXPECT_EQ(seen[1].text, "Done");
}

TYPED_TEST_P(MessageBoxContract, TheIconSaysErrorOrInformation) {
  const std::vector<SeenBox> seen = this->ShowTwo();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].icon, MessageIcon::kError);
  EXPECT_EQ(seen[1].icon, MessageIcon::kInformation);
}

REGISTER_TYPED_TEST_SUITE_P(MessageBoxContract, EachBoxShowsItsWholeText,
                            TheIconSaysErrorOrInformation);

}  // namespace quorvix::contract
