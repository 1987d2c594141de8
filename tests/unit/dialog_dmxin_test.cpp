#include <gtest/gtest.h>

#include <string>

#include "dialog_support.h"

namespace quorvix::test {
namespace {

class DialogDMXInTest : public DialogTest {
 protected:
  void SetUp() override { Init(); }

  int Interval() { return window().timCheckDMXIn.Interval(); }
};

TEST_F(DialogDMXInTest,
       TypedNumbersReachTheTargetWhileInRangeAndClampOnLeaving) {
  WithDialog([&](fake::FakeDialog& dialog) {
    dialog.Type("txtDMXInChannels", "\b\b");
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "");
    EXPECT_EQ(state().DMXInChannels, 5) << "stored on the way; empty is not";
    dialog.Type("txtDMXInChannels", "3");
    EXPECT_EQ(state().DMXInChannels, 3);
    EXPECT_EQ(dialog.Position("udDMXInChannels"), 253);
    dialog.Type("txtDMXInChannels", "0");
    EXPECT_EQ(state().DMXInChannels, 30);
    dialog.Type("txtDMXInChannels", "0");
    EXPECT_EQ(state().DMXInChannels, 30);
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "300");
    dialog.MoveFocus("txtDMXInInterval");
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "255");
    EXPECT_EQ(dialog.Position("udDMXInChannels"), 1);
    EXPECT_EQ(state().DMXInChannels, 255);

    dialog.Type("txtDMXInInterval", "\b\b10");
    EXPECT_EQ(Interval(), 10 + 40) << "10 is below the range: 50 stays";
    dialog.Press("cmdShowInfo");  // leaving the field validates it first
    EXPECT_EQ(dialog.Text("txtDMXInInterval"), "25");
    EXPECT_EQ(Interval(), 25);
    dialog.Type("txtDMXInInterval", "\b\b1234");
    EXPECT_EQ(Interval(), 123);
    dialog.Toggle("chkDMXInActive");
    EXPECT_EQ(Interval(), 1000);
  });
}

TEST_F(DialogDMXInTest, ValidationReadsWholeNumbersAndFallsBackTo50) {
  struct Case {
    const char* pasted;
    const char* shown;
  };
  // A leading blank or sign keeps the change handler out of it, so these
  // show the validation alone.
  const Case cases[] = {
      {"0", "1"},         {"", "50"},
      {"abc", "50"},      {" 12 ", "12"},
      {"+7", "7"},        {"-3", "1"},
      {" 12.5", "12"},    {" 13.5", "14"},
      {" 12.51", "13"},   {" 1e3", "50"},
      {"+12abc", "50"},   {" .", "50"},
      {" 4.", "4"},       {"-0.5", "1"},
      {" 254.7 ", "255"}, {"99999999999", "255"},
  };
  WithDialog([&](fake::FakeDialog& dialog) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.pasted);
      dialog.Paste("txtDMXInChannels", c.pasted);
      dialog.MoveFocus("txtSend");
      EXPECT_EQ(dialog.Text("txtDMXInChannels"), c.shown);
      EXPECT_EQ(std::to_string(state().DMXInChannels), c.shown);
    }
    // A number that wraps to 1 in 32 bits must stay out of range.
    dialog.Paste("txtDMXInChannels", "4294967297");
    EXPECT_EQ(state().DMXInChannels, 255);
    EXPECT_EQ(dialog.Position("udDMXInChannels"), 1);
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "4294967297");
  });
}

TEST_F(DialogDMXInTest, OnlyDigitsAndBackspaceGetThroughTheKeyFilter) {
  WithDialog([&](fake::FakeDialog& dialog) {
    dialog.Type("txtDMXInChannels", "a-.,\x16 7");  // 0x16: Ctrl+V
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "507");
    dialog.Type("txtDMXInInterval", "x\b9");
    EXPECT_EQ(dialog.Text("txtDMXInInterval"), "59");
    dialog.Type("txtSend", "x!");
    EXPECT_EQ(dialog.Text("txtSend"), "sx!");
  });
}

TEST_F(DialogDMXInTest, BarsMirrorTheFieldsAndFollowTheirOwnWrites) {
  WithDialog([&](fake::FakeDialog& dialog) {
    // Opening with 50 placed both bars, so the first click steps from 50.
    dialog.ClickUpArrow("udDMXInChannels");
    EXPECT_EQ(dialog.Text("txtDMXInChannels"), "51");
    EXPECT_EQ(state().DMXInChannels, 51);
    dialog.ClickDownArrow("udDMXInInterval");
    EXPECT_EQ(dialog.Text("txtDMXInInterval"), "49");
    EXPECT_EQ(Interval(), 49);

    dialog.Scroll("udDMXInInterval", ScrollAction::kThumbPosition, 975);
    EXPECT_EQ(dialog.Text("txtDMXInInterval"), "50");
    dialog.Scroll("udDMXInInterval", ScrollAction::kPageUp);
    EXPECT_EQ(dialog.Text("txtDMXInInterval"), "51");
    EXPECT_EQ(dialog.Position("udDMXInInterval"), 974);
    dialog.Scroll("udDMXInInterval", ScrollAction::kThumbTrack, 30);
    dialog.Scroll("udDMXInInterval", ScrollAction::kEndScroll);
    EXPECT_EQ(dialog.Position("udDMXInInterval"), 974);
    dialog.Scroll("udDMXInInterval", ScrollAction::kTop);
    EXPECT_EQ(Interval(), 1000);
    dialog.Scroll("udDMXInInterval", ScrollAction::kLineUp);
    EXPECT_EQ(dialog.Position("udDMXInInterval"), 25) << "stops at the end";
    dialog.Scroll("udDMXInInterval", ScrollAction::kBottom);
    EXPECT_EQ(Interval(), 25);

    dialog.Type("txtDMXInInterval", "\b\b50");
    EXPECT_EQ(dialog.Position("udDMXInInterval"), 975);
    EXPECT_EQ(Interval(), 50);
  });
}

}  // namespace
}  // namespace quorvix::test
