#pragma once
// The configuration dialog as a model free of any toolkit. It keeps the
// state of every control, runs every handler and every chain of handlers
// (a field's change moves its bar, the bar's change rewrites the field and
// validates it), whoever started it, and writes what changes to the view.
//
// Choices the dialog makes where the classic form leaves it open:
// - Filling the lists on opening is no choice; a choice is every selection
//   the user makes. A live port or baud rate missing from its list gets an
//   entry of its own; ports above COM8 present on the machine are listed.
// - A write by code counts as a change even when the text stays the same;
//   setting a bar to its own position is no move.
// - A field is validated when the focus moves to another control of the
//   dialog and after a bar move, never on closing.
// - A failure inside a handler shows an error box instead of escaping (the
//   dialog writes no trace lines); a write to the closed port says so in
//   words.
// - While the connection test waits, the dialog takes every input, only a
//   second press of the test button is ignored: a nested handshake would
//   answer the outer one's question. A close request waits for the running
//   handler to end; the test, back from its wait to find the dialog
//   closing or gone, still sets TransmitterReady from its answer but shows
//   no box.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/frmMain.h"
#include "link/timer.h"
#include "platform/dialog_view.h"
#include "state/modMain.h"

namespace quorvix {

struct NumberPair;  // a number field and its up-down bar

class frmConfig final : private DialogEvents {
 public:
  explicit frmConfig(frmMain& window);
  ~frmConfig() override;
  frmConfig(const frmConfig&) = delete;
  frmConfig& operator=(const frmConfig&) = delete;

  // Builds the window, runs Form_Load and returns once the dialog is closed.
  // An error of the opening reaches the caller.
  void ShowModal();
  void BringToFront();

  // What the check box shows now.
  bool DMXInActiveChecked() const;

 private:
  // The handlers, run through the DialogEvents below.
  void Form_Load();
  void Form_Unload();
  void cmbCOM_Click();
  void cmbBaud_Click();
  void cmdCheckConnection_Click();
  void cmdSend_Click();
  void cmdShowInfo_Click();
  void cmdShowSetup_Click();
  void timGetRecv_Timer();

  bool txtDMXInChannels_KeyPress(std::uint32_t code);
  void txtDMXInChannels_Change();
  void udDMXInChannels_Change();
  void txtDMXInChannels_Validate();
  bool txtDMXInInterval_KeyPress(std::uint32_t code);
  void txtDMXInInterval_Change();
  void udDMXInInterval_Change();
  void txtDMXInInterval_Validate();

  struct ControlState {
    std::string text;
    std::vector<std::string> entries;
    int selection = -1;
    int position = 0;
    bool checked = false;
  };
  // DialogEvents
  void OnListChoice(ControlId list, int index) override;
  bool OnKeyPress(ControlId field, std::uint32_t code) override;
  void OnTextEdited(ControlId field, std::string_view text) override;
  void OnScroll(ControlId bar, ScrollAction action,
                int thumb_position) override;
  void OnCheckToggled(ControlId box, bool checked) override;
  void OnFocusMoving(ControlId from, ControlId to) override;
  void OnButton(ControlId button) override;
  void OnCloseRequest() override;

  // The model's own writes: state first, then the view, then the chain.
  void SetText(ControlId control, std::string_view text);
  void SetFieldText(const NumberPair& pair, std::string_view text);
  void SetBarPosition(const NumberPair& pair, int position);
  void SetList(ControlId list, std::vector<std::string> entries, int selection);

  void FieldChange(const NumberPair& pair);
  void BarChange(const NumberPair& pair);
  void Validate(const NumberPair& pair);
  void Store(const NumberPair& pair, int value);
  static std::span<const NumberPair> Pairs();
  static const NumberPair* PairOfField(ControlId field);
  static const NumberPair* PairOfBar(ControlId bar);

  // Runs a handler at the dialog's boundary: errors become a box, and a
  // close asked for meanwhile follows once the outermost handler is done.
  template <typename Handler>
  void Dispatch(Handler&& handler);
  void Close();

  frmMain& window_;
  modMain& state_;
  std::vector<ControlState> controls_;
  Timer timGetRecv;
  std::unique_ptr<DialogView> view_;
  int handler_depth_ = 0;
  bool test_running_ = false;
  bool close_requested_ = false;
  bool closed_ = false;
};

}  // namespace quorvix
