#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_support.h"
#include "link/messages.h"
#include "ui/line_text.h"

namespace quorvix::test {
namespace {

using DialogTestTerminalTest = DialogTest;
using fake::ShownMessage;

const ShownMessage kNotOpenBox{MessageIcon::kError,
                               "COM-Port ist nicht geöffnet!"};

TEST_F(DialogTestTerminalTest, ConnectionTestJudgesTheRateTheListShows) {
  Store("ComSettings", "19200,n,8,1");
  Init();
  fake.serial.MissingPort(1);
  state().TransmitterReady = true;
  WithDialog([&](fake::FakeDialog& dialog) {
    dialog.Press("cmdCheckConnection");
    EXPECT_EQ(fake.messages.shown(),
              (std::vector<ShownMessage>{
                  {MessageIcon::kError, std::string(kMessagePortOpenFailed)}}));
    EXPECT_TRUE(state().TransmitterReady) << "no port, no verdict";
    EXPECT_TRUE(fake.serial.writes().empty());

    fake.serial.RestorePort(1);
    TransmitterAnswers({fake::InPump(3, "G")});
    fake.messages.Clear();
    dialog.Press("cmdCheckConnection");
    EXPECT_EQ(fake.messages.shown(),
              (std::vector<ShownMessage>{
                  {MessageIcon::kInformation, std::string(kSlowLineText)}}));
    EXPECT_TRUE(state().TransmitterReady);

    dialog.Pick("cmbBaud", "38400");
    fake.messages.Clear();
    dialog.Press("cmdCheckConnection");
    EXPECT_EQ(fake.messages.shown(),
              (std::vector<ShownMessage>{
                  {MessageIcon::kInformation, std::string(kMessageReady)}}));

    fake.serial.ClearRules();
    fake.messages.Clear();
    dialog.Press("cmdCheckConnection");
    EXPECT_EQ(fake.messages.shown(),
              (std::vector<ShownMessage>{
                  {MessageIcon::kError, std::string(kMessageNotReady)}}));
    EXPECT_FALSE(state().TransmitterReady);
    EXPECT_TRUE(fake.serial.IsOpen());
  });
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?", "c?", "c?"}));
}

TEST_F(DialogTestTerminalTest, SendWritesTheFieldAndSelectsIt) {
  Init();
  fake.serial.OnWrite("I", {fake::InPump(1, "V2\r\n\x01")});
  WithDialog([&](fake::FakeDialog& dialog) {
    OpenWithReport(window());
    dialog.Press("cmdShowInfo");
    EXPECT_EQ(dialog.Text("txtSend"), "I");
    EXPECT_TRUE(dialog.AllSelected("txtSend"));
    fake.events.RunFor(100ms);
    EXPECT_EQ(dialog.Text("txtRecv"), "V2\r\n[01]");

    dialog.Press("cmdShowSetup");
    EXPECT_EQ(state().LastRecv, "");
    dialog.Type("txtSend", "Grüße €");  // replaces the selected "S"
    dialog.PressEnter();
    EXPECT_TRUE(dialog.AllSelected("txtSend"));
    dialog.Type("txtSend", "\b");
    state().LastRecv = "old";
    dialog.PressEnter();
    EXPECT_EQ(state().LastRecv, "");
  });
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{"I", "S", "Gr\xFC\xDF\x65 \x80"}));
  EXPECT_TRUE(fake.messages.shown().empty());
}

TEST_F(DialogTestTerminalTest, AClosedPortOrAFailingDeviceShowsABox) {
  Init();
  WithDialog([&](fake::FakeDialog& dialog) {
    for (const char* button : {"cmdSend", "cmdShowInfo", "cmdShowSetup"}) {
      state().LastRecv = "old";
      dialog.Press(button);
      EXPECT_EQ(state().LastRecv, "");
    }
    EXPECT_EQ(dialog.Text("txtSend"), "S");
    dialog.Paste("txtSend", "");
    dialog.PressEnter();
    EXPECT_EQ(fake.messages.shown(), std::vector<ShownMessage>(4, kNotOpenBox));

    OpenWithReport(window());
    fake.serial.FailWrites();
    fake.messages.Clear();
    dialog.Press("cmdShowInfo");
    ASSERT_EQ(fake.messages.shown().size(), 1u);
    EXPECT_EQ(fake.messages.shown()[0].icon, MessageIcon::kError);
    EXPECT_EQ(fake.messages.shown()[0].text,
              "Fehler: The device on COM1 vanished during a write");
  });
}

TEST_F(DialogTestTerminalTest, ReceiveFieldShowsTheBufferOnlyWhenItChanges) {
  Init();
  WithDialog([&](fake::FakeDialog& dialog) {
    fake.events.RunFor(300ms);
    EXPECT_EQ(dialog.TextWrites("txtRecv"), 0) << "empty stays unwritten";
    state().LastRecv = "ok";
    fake.events.RunFor(99ms);
    EXPECT_EQ(dialog.Text("txtRecv"), "");
    fake.events.RunFor(1ms);
    EXPECT_EQ(dialog.Text("txtRecv"), "ok");
    fake.events.RunFor(500ms);
    EXPECT_EQ(dialog.TextWrites("txtRecv"), 1);
  });
  EXPECT_EQ(fake.events.ActiveTimers(), 0u) << "timGetRecv stops on close";
}

TEST(ReceiveFieldText, ShowsLineBreaksAndControlCodesVisibly) {
  using std::string_literals::operator""s;
  EXPECT_EQ(ReceiveFieldText("A\r\nB\rC\nD\n\r"s), "A\r\nB\r\nC\r\nD\r\n\r\n");
  EXPECT_EQ(ReceiveFieldText("\x00\x1F\x7F\t\x80\xE4\xFF"s),
            "[00][1F][7F][09]€äÿ");
  EXPECT_EQ(ReceiveFieldText("\x81\x8D\x8F\x90\x9D\x9E"),
            "[81][8D][8F][90][9D]ž");
  const std::string cut = std::string(3999, 'x') + "\r\nyz";
  EXPECT_EQ(ReceiveFieldText(cut), std::string(3999, 'x') + "\r\n");
  EXPECT_EQ(ReceiveFieldText(std::string(5000, 'y')), std::string(4000, 'y'));
  EXPECT_EQ(LineBytes("Grüße € ✓"), "Gr\xFC\xDF\x65 \x80 ?");
}

TEST_F(DialogTestTerminalTest, InputDuringTheTestRunsOnlyASecondTestWaits) {
  Init();  // the handshake goes unanswered, the information does not
  fake.serial.OnWrite("I", {fake::InPump(1, "V2")});
  fake.dialogs.Then(
      [](fake::FakeDialog& dialog) { dialog.Press("cmdCheckConnection"); });
  fake.dialogs.After(500ms, [&](fake::FakeDialog& dialog) {
    dialog.Press("cmdCheckConnection");
    dialog.Paste("txtSend", "x");
    state().LastRecv = "old";
    dialog.PressEnter();
    EXPECT_EQ(state().LastRecv, "") << "the send empties the buffer";
    dialog.Press("cmdShowInfo");
  });
  EXPECT_FALSE(driver.Configure());
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?", "x", "I"}));
  EXPECT_EQ(fake.messages.shown(),
            (std::vector<ShownMessage>{
                {MessageIcon::kError, std::string(kMessageNotReady)}}))
      << "the answer to I ends the test";
  EXPECT_FALSE(state().TransmitterReady);
}

TEST_F(DialogTestTerminalTest, ACloseDuringTheTestTakesItsVerdictWithoutABox) {
  Store("DMXInActive", "True");
  Init();
  const auto test_then_close = [&] {
    fake.dialogs.Then(
        [](fake::FakeDialog& dialog) { dialog.Press("cmdCheckConnection"); });
    fake.dialogs.After(500ms, [](fake::FakeDialog& dialog) {
      dialog.Close();
      EXPECT_TRUE(dialog.open()) << "closes once the test returns";
    });
    EXPECT_FALSE(driver.Configure());
  };
  state().TransmitterReady = true;
  test_then_close();  // nobody answers
  EXPECT_FALSE(state().TransmitterReady);
  TransmitterAnswers({fake::After(1s, "G")});
  test_then_close();
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_TRUE(fake.messages.shown().empty());
  EXPECT_TRUE(state().DMXInActive) << "the closing steps ran";
  EXPECT_TRUE(window().timCheckDMXIn.Enabled());
}

TEST_F(DialogTestTerminalTest, TheTestLeavesThePollTimerAloneAndTracesNothing) {
  Init();
  TransmitterAnswers({fake::InPump(1, "G")});
  WithDialog([&](fake::FakeDialog& dialog) {
    // What would make Enable start the poll.
    state().DMXInActive = true;
    const auto interval = window().timCheckDMXIn.Interval();
    fake.trace.Clear();
    dialog.Press("cmdCheckConnection");
    EXPECT_TRUE(state().TransmitterReady);
    EXPECT_FALSE(window().timCheckDMXIn.Enabled());
    EXPECT_EQ(window().timCheckDMXIn.Interval(), interval);
    fake.serial.FailWrites();
    dialog.Press("cmdCheckConnection");
    EXPECT_EQ(fake.messages.shown().back().text,
              "Fehler: The device on COM1 vanished during a write");
    for (const std::string& line : trace()) {
      EXPECT_EQ(line.rfind("[Quorvix] OnComm: ", 0), 0u)
          << "only the receive handler traces: " << line;
    }
  });
}

TEST_F(DialogTestTerminalTest, HostCallsWhileOpenFindTheDialog) {
  Store("DMXInActive", "True");
  Init(std::make_shared<fake::FakeHelper>());
  fake.dialogs.After(100ms, [&](fake::FakeDialog& dialog) {
    EXPECT_FALSE(driver.Configure());
    EXPECT_EQ(dialog.front_calls(), 1);
    EXPECT_FALSE(driver.Term());
    EXPECT_EQ(Stored("DMXInActive"), "True");
    dialog.Toggle("chkDMXInActive");
    driver.Term();
    EXPECT_EQ(Stored("DMXInActive"), "False");
    EXPECT_TRUE(module.Busy()) << "no helper, no port, but the dialog";
  });
  fake.dialogs.After(200ms, [&](fake::FakeDialog& dialog) {
    EXPECT_TRUE(dialog.open());
    dialog.Toggle("chkDMXInActive");
  });
  EXPECT_FALSE(driver.Configure());
  EXPECT_EQ(fake.dialogs.openings(), 1);
  EXPECT_TRUE(state().DMXInActive);
  EXPECT_TRUE(window().timCheckDMXIn.Enabled());
}

}  // namespace
}  // namespace quorvix::test
