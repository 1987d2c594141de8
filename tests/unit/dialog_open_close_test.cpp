#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_support.h"
#include "platform/headless_dialog_view.h"
#include "ui/config_layout.h"

namespace quorvix::test {
namespace {

using DialogOpenCloseTest = DialogTest;

const std::vector<std::string> kFixedPorts{"COM1", "COM2", "COM3", "COM4",
                                           "COM5", "COM6", "COM7", "COM8"};

TEST(DialogLayout, ControlsSitInTheirFramesAndAreFoundByName) {
  const DialogLayout& layout = ConfigLayout();
  EXPECT_EQ(layout.caption, "Konfiguration");
  EXPECT_EQ(layout.width, 4215);
  EXPECT_EQ(layout.height, 5415);
  ASSERT_EQ(layout.controls.size(), 21u);
  for (const ControlLayout& item : layout.controls) {
    SCOPED_TRACE(std::string(item.name));
    EXPECT_EQ(&layout.controls[FindControl(item.name)], &item);
    if (item.container == kNoControl) continue;
    const TwipRect& frame = layout.controls[item.container].bounds;
    EXPECT_GT(item.bounds.left, frame.left);
    EXPECT_GT(item.bounds.top, frame.top);
    EXPECT_LE(item.bounds.left + item.bounds.width, frame.left + frame.width);
    EXPECT_LE(item.bounds.top + item.bounds.height, frame.top + frame.height);
  }
  const auto& at = [&](std::string_view name) -> const ControlLayout& {
    return layout.controls[FindControl(name)];
  };
  EXPECT_EQ(at("cmbBaud").bounds.left, 120 + 2880);
  EXPECT_EQ(at("cmdCheckConnection").bounds.top, 2280 + 2520);
  const ControlLayout& line = at("Line1");
  EXPECT_EQ(line.kind, ControlKind::kLine);
  EXPECT_EQ(line.bounds.left, 240);
  EXPECT_EQ(line.bounds.top, 4200);
  EXPECT_EQ(line.bounds.left + line.bounds.width, 120 + 3840);
  EXPECT_TRUE(at("cmdSend").default_button);
  EXPECT_EQ(at("cmdSend").caption, "&Senden");
  EXPECT_EQ(at("txtDMXInInterval").alignment, TextAlignment::kRight);
  EXPECT_EQ(at("udDMXInInterval").range_max, 1000);
  EXPECT_EQ(at("udDMXInInterval").tab_index, 19);
  EXPECT_EQ(FindControl("timGetRecv"), kNoControl);
}

TEST_F(DialogOpenCloseTest, OpeningShowsTheLiveValuesAndPausesPolling) {
  Store("ComPort", "3");
  Store("ComSettings", "38400,n,8,1");
  Store("DMXInActive", "True");
  Store("DMXInChannels", "120");
  Store("DMXInInterval", "200");
  Init();
  ForgetHistory();
  WithDialog([&](fake::FakeDialog& dialog) {
    EXPECT_EQ(dialog.caption(), "Konfiguration");
    EXPECT_EQ(dialog.Entries("cmbCOM"), kFixedPorts);
    EXPECT_EQ(dialog.Selected("cmbCOM"), "COM3");
    EXPECT_EQ(dialog.Entries("cmbBaud"),
              (std::vector<std::string>{"19200", "38400"}));
    EXPECT_EQ(dialog.Selected("cmbBaud"), "38400");
    EXPECT_TRUE(dialog.Checked("chkDMXInActive"));
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "120");
    EXPECT_EQ(dialog.Position("udDMXInChannels"), 1 + 255 - 120);
    EXPECT_EQ(dialog.Text("txtDMXInInterval"), "200");
    EXPECT_EQ(dialog.Position("udDMXInInterval"), 25 + 1000 - 200);
    EXPECT_EQ(dialog.Text("txtSend"), "s");
    EXPECT_EQ(dialog.Text("txtRecv"), "");
    EXPECT_EQ(dialog.Focus(), "cmbCOM");
    EXPECT_FALSE(state().DMXInActive);
    EXPECT_FALSE(window().timCheckDMXIn.Enabled());
    EXPECT_TRUE(module.Busy());
  });
  // Filling the lists chose nothing.
  EXPECT_TRUE(fake.serial.opens().empty());
  EXPECT_EQ(window().comMain.Settings(), "38400,n,8,1");
  EXPECT_TRUE(fake.messages.shown().empty());
  EXPECT_TRUE(trace().empty());
  EXPECT_FALSE(shown().open());
  EXPECT_TRUE(state().DMXInActive);
  EXPECT_TRUE(window().timCheckDMXIn.Enabled());
  EXPECT_EQ(window().timCheckDMXIn.Interval(), 200);
  EXPECT_EQ(state().DMXInChannels, 120);
}

TEST_F(DialogOpenCloseTest, ClosingTakesTheCheckBoxAndNothingElse) {
  Init();
  WithDialog([](fake::FakeDialog& dialog) {
    dialog.Toggle("chkDMXInActive");
    dialog.Type("txtDMXInChannels", "\b\b300");  // out of range, unvalidated
  });
  EXPECT_TRUE(state().DMXInActive);
  EXPECT_TRUE(window().timCheckDMXIn.Enabled());
  EXPECT_EQ(state().DMXInChannels, 30) << "closing validates nothing";
  EXPECT_EQ(shown().Text("txtDMXInChannels"), "300");

  WithDialog([](fake::FakeDialog& dialog) {
    EXPECT_TRUE(dialog.Checked("chkDMXInActive"));
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "30");
    dialog.Toggle("chkDMXInActive");
  });
  EXPECT_FALSE(state().DMXInActive);
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
  EXPECT_FALSE(module.Busy());
}

TEST_F(DialogOpenCloseTest, StoredNumbersOutsideTheRangeLeaveTheBarsAlone) {
  Store("DMXInChannels", "300");
  Init();
  WithDialog([&](fake::FakeDialog& dialog) {
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "300");
    EXPECT_EQ(dialog.Position("udDMXInChannels"), 50);
    EXPECT_EQ(state().DMXInChannels, 300);
    dialog.ClickUpArrow("udDMXInChannels");
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "207");
    EXPECT_EQ(state().DMXInChannels, 207);
  });
}

// Linux without a display: what an untouched dialog does, and no more.
TEST(HeadlessDialog, ConfigureOpensAndClosesUntouched) {
  fake::FakePlatform fake;
  HeadlessDialogViews headless;
  Platform platform{fake.events,   fake.serial, fake.store,
                    fake.messages, fake.trace,  headless};
  DriverModule module{platform};
  clsOutputDriver driver{module};
  for (const auto& [key, value] : {std::pair{"DMXInActive", "True"},
                                   {"DMXInChannels", "300"},
                                   {"DMXInInterval", "20"}}) {
    fake.store.Set(kTitle, kSection, key, value);
  }
  driver.Init(kTitle, kFile, nullptr);
  fake.trace.Clear();
  EXPECT_FALSE(driver.Configure());
  EXPECT_TRUE(module.state().DMXInActive);
  EXPECT_TRUE(module.MainWindow().timCheckDMXIn.Enabled());
  EXPECT_EQ(module.state().DMXInChannels, 300);
  EXPECT_EQ(module.MainWindow().timCheckDMXIn.Interval(), 20);
  EXPECT_TRUE(fake.serial.opens().empty());
  EXPECT_TRUE(fake.messages.shown().empty());
  EXPECT_TRUE(fake.trace.lines().empty());
}

}  // namespace
}  // namespace quorvix::test
