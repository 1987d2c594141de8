#include "core/clsOutputDriver.h"

#include <string>

#include "core/persisted_settings.h"
#include "link/frames.h"
#include "link/line_settings.h"
#include "link/messages.h"
#include "platform/trace_line.h"
#include "ui/frmConfig.h"

namespace quorvix {
namespace {

// Built for every frame while a host sink listens: one allocation.
std::string SendingLine(std::int32_t channel, std::int32_t value,
                        std::string_view frame) {
  constexpr std::string_view kHead = "[Quorvix] SetChannel: Sending channel ";
  // "-2147483648 @ -2147483648: "
  constexpr std::size_t kNumbers = 2 * 11 + 5;
  std::string line;
  line.reserve(kHead.size() + kNumbers + frame.size());
  line += kHead;
  line += std::to_string(channel);
  line += " @ ";
  line += std::to_string(value);
  line += ": ";
  line += frame;
  return line;
}

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
  Trace("[Quorvix] SetChannel: Begin");
  modMain& state = module_.state();
  bool sent = false;
  if (state.TransmitterReady) {
    state.LastRecv.clear();
    const std::string frame = ChannelFrame(channel, value);
    quorvix::Trace(module_.platform().trace,
                   [&] { return SendingLine(channel, value, frame); });
    module_.MainWindow().comMain.Output(frame);
    sent = true;
  }
  Trace("[Quorvix] SetChannel: End");
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
