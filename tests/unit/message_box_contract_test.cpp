// The recording message boxes keep the message boxes' contract.
#include "contract/message_box_contract.h"
#include "testing/fake/fake_messages.h"

namespace quorvix::test {
namespace {

struct FakeMessagesHarness {
  MessageBoxes& boxes() { return fake; }
  std::vector<contract::SeenBox> Seen(std::size_t) const {
    std::vector<contract::SeenBox> seen;
    for (const fake::ShownMessage& shown : fake.shown()) {
      seen.push_back({shown.text, shown.icon});
    }
    return seen;
  }
  std::string CannotSee(std::string_view) const { return {}; }
  fake::FakeMessages fake;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, MessageBoxContract,
                               ::testing::Types<test::FakeMessagesHarness>);
}  // namespace quorvix::contract
