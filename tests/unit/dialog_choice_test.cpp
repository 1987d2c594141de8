#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_support.h"
#include "link/messages.h"

namespace quorvix::test {
namespace {

using DialogChoiceTest = DialogTest;

TEST_F(DialogChoiceTest, ListsHoldThePortsPresentAndTheLiveValues) {
  Store("ComPort", "12");
  Store("ComSettings", "9600,n,8,1");
  Init();
  fake.serial.SetExistingPorts({15, 3, 10});
  WithDialog([&](fake::FakeDialog& dialog) {
    EXPECT_EQ(dialog.Entries("cmbCOM"),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM5",
                                        "COM6", "COM7", "COM8", "COM10",
                                        "COM12", "COM15"}));
    EXPECT_EQ(dialog.Selected("cmbCOM"), "COM12");
    EXPECT_EQ(dialog.Entries("cmbBaud"),
              (std::vector<std::string>{"9600", "19200", "38400"}));
    EXPECT_EQ(dialog.Selected("cmbBaud"), "9600");

    dialog.Pick("cmbCOM", "COM10");
  });
  ASSERT_EQ(fake.serial.opens().size(), 1u);
  EXPECT_EQ(fake.serial.OpenPort(), 10) << "the whole number after COM";
  EXPECT_EQ(fake.serial.opens()[0].settings.baud, 9600u);
}

TEST_F(DialogChoiceTest, AChoiceReopensThePortAndKeepsTheLink) {
  Store("ComSettings", "38400,e,7,2");
  StartReady("38400,e,7,2");
  fake.serial.MissingPort(3);
  WithDialog([&](fake::FakeDialog& dialog) {
    dialog.Pick("cmbBaud", "19200");
    EXPECT_EQ(window().comMain.Settings(), "19200,n,8,1");
    EXPECT_EQ(fake.serial.closes(), 1);
    EXPECT_EQ(fake.serial.opens().back().settings.parity, Parity::kNone);
    EXPECT_EQ(fake.serial.opens().back().settings.baud, 19200u);

    dialog.Pick("cmbCOM", "COM3");
    EXPECT_FALSE(fake.serial.IsOpen());
    EXPECT_EQ(window().comMain.CommPort(), 3);
    dialog.Pick("cmbBaud", "19200");  // the same entry again still counts
    EXPECT_EQ(
        fake.messages.shown(),
        (std::vector<fake::ShownMessage>(
            2, {MessageIcon::kError, std::string(kMessagePortOpenFailed)})));

    fake.serial.RestorePort(3);
    dialog.Pick("cmbCOM", "COM3");
    EXPECT_EQ(fake.serial.OpenPort(), 3) << "opens a closed port too";
  });
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_TRUE(driver.SetChannel(1, 2));
  driver.Term();
  EXPECT_EQ(Stored("ComPort"), "3");
  EXPECT_EQ(Stored("ComSettings"), "19200,n,8,1");
}

}  // namespace
}  // namespace quorvix::test
