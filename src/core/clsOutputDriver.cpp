#include "core/clsOutputDriver.h"

#include <array>
#include <charconv>
#include <string>

#include "core/persisted_settings.h"
#include "link/frames.h"
#include "link/line_settings.h"
#include "link/messages.h"
#include "platform/trace_line.h"
#include "ui/frmConfig.h"

namespace quorvix {
namespace {

// The detail line, built for every frame while a host sink listens: on the
// stack, since a host sending a universe 40 times a second calls this
// twenty thousand times a second.
class SendingLine {
 public:
  SendingLine(std::int32_t channel, std::int32_t value,
              std::string_view frame) {
    Append("[Quorvix] SetChannel: Sending channel ");
    AppendNumber(channel);
    Append(" @ ");
    AppendNumber(value);
    Append(": ");
    Append(frame);
  }
  operator std::string_view() const { return {text_.data(), size_}; }

 private:
  void Append(std::string_view part) {
    size_ += part.copy(text_.data() + size_, text_.size() - size_);
  }
  void AppendNumber(std::int32_t number) {
    const auto end = std::to_chars(text_.data() + size_,
                                   text_.data() + text_.size(), number);
    size_ = static_cast<std::size_t>(end.ptr - text_.data());
  }

  // Room for the longest: both numbers at -2147483648, a six-byte frame.
  std::array<char, 38 + 27 + 6> text_;
  std::size_t size_ = 0;
};

}  // namespace

void clsOutputDriver::Trace(std::string_view line) {
  quorvix::Trace(module_.platform().trace, line);
}

bool clsOutputDriver::Init(std::string_view calling_app_title,
                           std::string_view my_filename,
                           std::shared_ptr<HostHelper> helper) {
  Trace("[Quorvix] Init: Begin");
  CallingAppTitle = std::string(calling_app_title);
  MyFilename = std::string(my_filename);
  module_.state().PluginHelper = std::move(helper);
  frmMain& window = module_.MainWindow();
  ReadSettings(module_.platform().store,
               AddressFor(CallingAppTitle, MyFilename), module_.state(),
               window);
  Trace("[Quorvix] Init: End");
  return false;
}

bool clsOutputDriver::Enable() {
  Trace("[Quorvix] Enable: Begin");
  frmMain& window = module_.MainWindow();
  modMain& state = module_.state();
  window.sent_channels.Forget();
  if (!window.comMain.PortOpen()) OpenWithReport(window);
  if (window.comMain.PortOpen()) {
    if (!Handshake(window)) {
      module_.platform().messages.Show(MessageIcon::kError, kMessageNotReady);
      state.TransmitterReady = false;
    } else {
      if (LeadingBaudRate(window.comMain.Settings()) < kFullSpeedBaud) {
        module_.platform().messages.Show(MessageIcon::kInformation,
                                         kMessageSlowLine);
      }
      state.TransmitterReady = true;
      if (state.DMXInActive) window.timCheckDMXIn.SetEnabled(true);
    }
  } else {
    state.TransmitterReady = false;
  }
  Trace("[Quorvix] Enable: End");
  return state.TransmitterReady;
}

bool clsOutputDriver::Disable() {
  Trace("[Quorvix] Disable: Begin");
  frmMain& window = module_.MainWindow();
  if (window.comMain.PortOpen()) window.comMain.SetPortOpen(false);
  window.timCheckDMXIn.SetEnabled(false);
  module_.state().TransmitterReady = false;
  Trace("[Quorvix] Disable: End");
  return true;
}

bool clsOutputDriver::SetChannel(std::int32_t channel, std::int32_t value) {
  // The hot path traces inline, where the search of the fixed lines for a
  // zero byte folds away.
  TraceSink& trace = module_.platform().trace;
  quorvix::Trace(trace, "[Quorvix] SetChannel: Begin");
  modMain& state = module_.state();
  bool sent = false;
  if (state.TransmitterReady) {
    state.LastRecv.clear();
    const std::string frame = ChannelFrame(channel, value);
    quorvix::Trace(trace, [&] { return SendingLine(channel, value, frame); });
    frmMain& window = module_.MainWindow();
    const auto remember = [&] {
      window.sent_channels.Remember(channel, static_cast<std::uint8_t>(value));
    };
    // After the write, which may restore the older values of a device that
    // is back; also when it fails, since the value is due once it is back.
    try {
      window.comMain.Output(frame);
    } catch (...) {
      remember();
      throw;
    }
    remember();
    sent = true;
  }
  quorvix::Trace(trace, "[Quorvix] SetChannel: End");
  return sent;
}

bool clsOutputDriver::Configure() {
  // A host timer can call again from inside the dialog's modal loop.
  if (frmConfig* open = module_.OpenDialog()) {
    open->BringToFront();
    return false;
  }
  frmConfig dialog(module_.MainWindow());
  const DriverModule::DialogRegistration registered(module_, dialog);
  dialog.ShowModal();
  return false;
}

bool clsOutputDriver::Term() {
  Trace("[Quorvix] Term: Begin");
  frmMain& window = module_.MainWindow();
  if (window.comMain.PortOpen()) window.comMain.SetPortOpen(false);
  window.timCheckDMXIn.SetEnabled(false);
  module_.state().PluginHelper.reset();
  // An open dialog has cleared DMXInActive until it closes; the user's
  // setting is what its check box shows.
  modMain saved = module_.state();
  if (frmConfig* open = module_.OpenDialog()) {
    saved.DMXInActive = open->DMXInActiveChecked();
  }
  WriteSettings(module_.platform().store,
                AddressFor(CallingAppTitle, MyFilename), saved, window);
  Trace("[Quorvix] Term: End");
  return false;
}

}  // namespace quorvix
