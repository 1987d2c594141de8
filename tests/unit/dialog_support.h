#pragma once
// The dialog opened through Configure, with a scripted user in front of it.

#include <functional>
#include <string>

#include "test_support.h"

namespace quorvix::test {

class DialogTest : public DriverTest {
 protected:
  using Step = std::function<void(fake::FakeDialog&)>;

  // Opens the dialog, lets the user take `step`, and returns once the user
  // has closed it (at the latest when nothing is left to do).
  void WithDialog(Step step) {
    fake.dialogs.Then(std::move(step));
    EXPECT_FALSE(driver.Configure());
  }
  // The latest dialog, also after it closed.
  const fake::FakeDialog& shown() const { return fake.dialogs.last(); }
};

}  // namespace quorvix::test
