#include "ui/frmConfig.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "link/messages.h"
#include "link/scoped_flag.h"
#include "platform/error.h"
#include "platform/guard.h"
#include "ui/config_layout.h"
#include "ui/line_text.h"
#include "ui/list_entries.h"
#include "ui/number_text.h"

namespace quorvix {

struct NumberPair {
  enum class Target { kDMXInChannels, kPollInterval };

  ControlId field;
  ControlId bar;
  int minimum;
  int maximum;
  Target target;
  // The pair's own handlers, which every chain runs by name.
  bool (frmConfig::*key_press)(std::uint32_t);
  void (frmConfig::*change)();
  void (frmConfig::*bar_change)();
  void (frmConfig::*validate)();
};

namespace {

constexpr std::size_t kChannels = 0;
constexpr std::size_t kInterval = 1;

constexpr std::uint16_t kReceiveInterval = 100;
// What a field that holds no number stands for.
constexpr int kNonNumericValue = 50;
constexpr std::string_view kPortNotOpenText = "COM-Port ist nicht geöffnet!";

// What the error box says about a handler's failure.
std::string FailureText(const std::exception& error) {
  const auto* known = dynamic_cast<const Error*>(&error);
  return known != nullptr && known->number() == kPortNotOpen
             ? std::string(kPortNotOpenText)
             : "Fehler: " + std::string(error.what());
}

}  // namespace

frmConfig::frmConfig(frmMain& window)
    : window_(window),
      state_(window.state),
      controls_(cfg::kControlCount),
      timGetRecv(window.platform.events, kReceiveInterval,
                 [this] { Dispatch([this] { timGetRecv_Timer(); }); }) {
  const DialogLayout& layout = ConfigLayout();
  for (std::size_t id = 0; id < controls_.size(); ++id) {
    controls_[id].text = std::string(layout.controls[id].caption);
    controls_[id].position = layout.controls[id].position;
  }
}

frmConfig::~frmConfig() = default;

std::span<const NumberPair> frmConfig::Pairs() {
  static constexpr std::array<NumberPair, 2> kPairs{{
      {cfg::txtDMXInChannels, cfg::udDMXInChannels, 1, 255,
       NumberPair::Target::kDMXInChannels,
       &frmConfig::txtDMXInChannels_KeyPress,
       &frmConfig::txtDMXInChannels_Change, &frmConfig::udDMXInChannels_Change,
       &frmConfig::txtDMXInChannels_Validate},
      {cfg::txtDMXInInterval, cfg::udDMXInInterval, 25, 1000,
       NumberPair::Target::kPollInterval, &frmConfig::txtDMXInInterval_KeyPress,
       &frmConfig::txtDMXInInterval_Change, &frmConfig::udDMXInInterval_Change,
       &frmConfig::txtDMXInInterval_Validate},
  }};
  return kPairs;
}

void frmConfig::ShowModal() {
  view_ = window_.platform.dialogs.Create(ConfigLayout(), *this);
  Form_Load();
  timGetRecv.SetEnabled(true);
  view_->RunModal();
  // A window that went without a close request still gets its closing steps.
  if (!std::exchange(closed_, true)) Form_Unload();
}

void frmConfig::BringToFront() {
  if (view_) view_->BringToFront();
}

bool frmConfig::DMXInActiveChecked() const {
  return controls_[cfg::chkDMXInActive].checked;
}

// --- opening and closing ---

void frmConfig::Form_Load() {
  CommControl& port = window_.comMain;
  auto [ports, port_shown] =
      PortEntries(port.CommPort(), window_.platform.serial.ExistingPorts());
  SetList(cfg::cmbCOM, std::move(ports), port_shown);
  auto [rates, rate_shown] = BaudEntries(port.Settings());
  SetList(cfg::cmbBaud, std::move(rates), rate_shown);
  controls_[cfg::chkDMXInActive].checked = state_.DMXInActive;
  view_->SetChecked(cfg::chkDMXInActive, state_.DMXInActive);
  state_.DMXInActive = false;
  window_.timCheckDMXIn.SetEnabled(false);
  SetFieldText(Pairs()[kChannels], std::to_string(state_.DMXInChannels));
  SetFieldText(Pairs()[kInterval],
               std::to_string(window_.timCheckDMXIn.Interval()));
}

void frmConfig::Form_Unload() {
  state_.DMXInActive = DMXInActiveChecked();
  window_.timCheckDMXIn.SetEnabled(state_.DMXInActive);
  timGetRecv.SetEnabled(false);
}

void frmConfig::Close() {
  if (closed_) return;
  closed_ = true;
  Form_Unload();
  view_->EndModal();
}

// --- port and baud rate ---

void frmConfig::cmbCOM_Click() {
  const ControlState& list = controls_[cfg::cmbCOM];
  CommControl& port = window_.comMain;
  if (port.PortOpen()) port.SetPortOpen(false);
  port.SetCommPort(PortOfEntry(list.entries.at(list.selection)));
  OpenWithReport(window_);
}

void frmConfig::cmbBaud_Click() {
  const ControlState& list = controls_[cfg::cmbBaud];
  CommControl& port = window_.comMain;
  if (port.PortOpen()) port.SetPortOpen(false);
  port.SetSettings(
      std::to_string(LeadingNumber(list.entries.at(list.selection))) +
      ",n,8,1");
  OpenWithReport(window_);
}

// --- connection test and terminal ---

void frmConfig::cmdCheckConnection_Click() {
  const ScopedFlag running(test_running_);
  CommControl& port = window_.comMain;
  if (!port.PortOpen()) OpenWithReport(window_);
  if (!port.PortOpen()) return;
  const bool ready = Handshake(window_);
  // A dialog closing or gone meanwhile has nobody to show a box to.
  const bool quiet = close_requested_ || closed_;
  MessageBoxes& messages = window_.platform.messages;
  if (!ready) {
    if (!quiet) messages.Show(MessageIcon::kError, kMessageNotReady);
    state_.TransmitterReady = false;
    return;
  }
  const ControlState& rates = controls_[cfg::cmbBaud];
  const std::int64_t shown_rate =
      rates.selection < 0 ? 0 : LeadingNumber(rates.entries[rates.selection]);
  if (!quiet) {
    messages.Show(MessageIcon::kInformation, shown_rate >= kFullSpeedBaud
                                                 ? kMessageReady
                                                 : kMessageSlowLine);
  }
  state_.TransmitterReady = true;
}

void frmConfig::cmdSend_Click() {
  state_.LastRecv.clear();
  const std::string bytes = LineBytes(controls_[cfg::txtSend].text);
  // A closed port refuses even an empty text, so the user learns of it.
  if (!bytes.empty() || !window_.comMain.PortOpen()) {
    window_.comMain.Output(bytes);
  }
  view_->SelectAllText(cfg::txtSend);
}

void frmConfig::cmdShowInfo_Click() {
  SetText(cfg::txtSend, "I");
  cmdSend_Click();
}

void frmConfig::cmdShowSetup_Click() {
  SetText(cfg::txtSend, "S");
  cmdSend_Click();
}

void frmConfig::timGetRecv_Timer() {
  std::string shown = ReceiveFieldText(state_.LastRecv);
  if (shown != controls_[cfg::txtRecv].text) SetText(cfg::txtRecv, shown);
}

// --- the number fields ---

bool frmConfig::txtDMXInChannels_KeyPress(std::uint32_t code) {
  return NumberFieldAccepts(code);
}
void frmConfig::txtDMXInChannels_Change() { FieldChange(Pairs()[kChannels]); }
void frmConfig::udDMXInChannels_Change() { BarChange(Pairs()[kChannels]); }
void frmConfig::txtDMXInChannels_Validate() { Validate(Pairs()[kChannels]); }
bool frmConfig::txtDMXInInterval_KeyPress(std::uint32_t code) {
  return NumberFieldAccepts(code);
}
void frmConfig::txtDMXInInterval_Change() { FieldChange(Pairs()[kInterval]); }
void frmConfig::udDMXInInterval_Change() { BarChange(Pairs()[kInterval]); }
void frmConfig::txtDMXInInterval_Validate() { Validate(Pairs()[kInterval]); }

void frmConfig::FieldChange(const NumberPair& pair) {
  const std::int64_t number = LeadingNumber(controls_[pair.field].text);
  if (number >= pair.minimum && number <= pair.maximum) {
    SetBarPosition(pair,
                   pair.minimum + pair.maximum - static_cast<int>(number));
  }
}

void frmConfig::BarChange(const NumberPair& pair) {
  const auto shown = static_cast<std::int16_t>(pair.minimum + pair.maximum -
                                               controls_[pair.bar].position);
  SetFieldText(pair, std::to_string(shown));
  (this->*pair.validate)();
}

void frmConfig::Validate(const NumberPair& pair) {
  const std::optional<std::int64_t> number =
      NumericValue(controls_[pair.field].text);
  const int value = number ? static_cast<int>(std::clamp<std::int64_t>(
                                 *number, pair.minimum, pair.maximum))
                           : kNonNumericValue;
  SetFieldText(pair, std::to_string(value));
  Store(pair, value);
}

void frmConfig::Store(const NumberPair& pair, int value) {
  switch (pair.target) {
    case NumberPair::Target::kDMXInChannels:
      state_.DMXInChannels = value;
      break;
    case NumberPair::Target::kPollInterval:
      window_.timCheckDMXIn.SetInterval(value);
      break;
  }
}

const NumberPair* frmConfig::PairOfField(ControlId field) {
  for (const NumberPair& pair : Pairs()) {
    if (pair.field == field) return &pair;
  }
  return nullptr;
}

const NumberPair* frmConfig::PairOfBar(ControlId bar) {
  for (const NumberPair& pair : Pairs()) {
    if (pair.bar == bar) return &pair;
  }
  return nullptr;
}

// --- the model's writes ---

void frmConfig::SetText(ControlId control, std::string_view text) {
  controls_[control].text = std::string(text);
  view_->SetText(control, text);
}

void frmConfig::SetFieldText(const NumberPair& pair, std::string_view text) {
  SetText(pair.field, text);
  (this->*pair.change)();
}

void frmConfig::SetBarPosition(const NumberPair& pair, int position) {
  if (controls_[pair.bar].position == position) return;
  controls_[pair.bar].position = position;
  view_->SetScrollPosition(pair.bar, position);
  (this->*pair.bar_change)();
}

void frmConfig::SetList(ControlId list, std::vector<std::string> entries,
                        int selection) {
  ControlState& state = controls_[list];
  state.entries = std::move(entries);
  state.selection = selection;
  view_->SetListEntries(list, state.entries);
  view_->SetListSelection(list, selection);
}

// --- what the view reports ---

template <typename Handler>
void frmConfig::Dispatch(Handler&& handler) {
  if (closed_) return;
  ++handler_depth_;
  Guard(std::forward<Handler>(handler),
        ToMessageBox(window_.platform.messages, FailureText));
  --handler_depth_;
  if (handler_depth_ == 0 && close_requested_) {
    try {
      Close();
    } catch (...) {  // the window must go regardless
      if (view_) view_->EndModal();
    }
  }
}

void frmConfig::OnListChoice(ControlId list, int index) {
  Dispatch([&] {
    ControlState& state = controls_.at(list);
    if (index < 0 || index >= static_cast<int>(state.entries.size())) return;
    state.selection = index;
    if (list == cfg::cmbCOM) cmbCOM_Click();
    if (list == cfg::cmbBaud) cmbBaud_Click();
  });
}

bool frmConfig::OnKeyPress(ControlId field, std::uint32_t code) {
  const NumberPair* pair = PairOfField(field);
  return pair == nullptr || (this->*pair->key_press)(code);
}

void frmConfig::OnTextEdited(ControlId field, std::string_view text) {
  Dispatch([&] {
    controls_.at(field).text = std::string(text);
    if (const NumberPair* pair = PairOfField(field)) (this->*pair->change)();
  });
}

void frmConfig::OnScroll(ControlId bar, ScrollAction action,
                         int thumb_position) {
  Dispatch([&] {
    const NumberPair* pair = PairOfBar(bar);
    if (pair == nullptr) return;
    const int now = controls_[bar].position;
    int wanted = now;
    switch (action) {
      case ScrollAction::kLineUp:
      case ScrollAction::kPageUp: wanted = now - 1; break;
      case ScrollAction::kLineDown:
      case ScrollAction::kPageDown: wanted = now + 1; break;
      case ScrollAction::kTop: wanted = pair->minimum; break;
      case ScrollAction::kBottom: wanted = pair->maximum; break;
      case ScrollAction::kThumbPosition: wanted = thumb_position; break;
      case ScrollAction::kThumbTrack:
      case ScrollAction::kEndScroll: return;
    }
    SetBarPosition(*pair, std::clamp(wanted, pair->minimum, pair->maximum));
  });
}

void frmConfig::OnCheckToggled(ControlId box, bool checked) {
  Dispatch([&] { controls_.at(box).checked = checked; });
}

void frmConfig::OnFocusMoving(ControlId from, ControlId to) {
  if (from == to) return;
  if (const NumberPair* pair = PairOfField(from)) {
    Dispatch([&] { (this->*pair->validate)(); });
  }
}

void frmConfig::OnButton(ControlId button) {
  Dispatch([&] {
    if (button == cfg::cmdCheckConnection && test_running_) return;
    switch (button) {
      case cfg::cmdSend: cmdSend_Click(); break;
      case cfg::cmdShowInfo: cmdShowInfo_Click(); break;
      case cfg::cmdShowSetup: cmdShowSetup_Click(); break;
      case cfg::cmdCheckConnection: cmdCheckConnection_Click(); break;
      default: break;
    }
  });
}

void frmConfig::OnCloseRequest() {
  if (closed_) return;
  close_requested_ = true;
  // Inside a handler the close waits for it; else it happens now.
  if (handler_depth_ == 0) Dispatch([] {});
}

}  // namespace quorvix
