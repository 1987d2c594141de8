// The C entry points of libquorvix.so: argument checks, the thread rule,
// error numbers and texts; the behaviour lives in the core.

#include <cstring>
#include <memory>
#include <string>

#include "host_helper_adapter.h"
#include "link/line_settings.h"
#include "platform/current_error.h"
#include "platform/error.h"
#include "platform/guard.h"
#include "platform/posix/glib_log_trace.h"
#include "platform/posix/port_links.h"
#include "platform/posix/serial_devices.h"
#include "platform/posix/stderr_messages.h"
#include "platform/trace_line.h"
#include "quorvix.h"
#include "runtime.h"
#include "ui_choice.h"

namespace quorvix::capi {
namespace {

constexpr qvx_bool kTrue = -1;
constexpr qvx_bool kFalse = 0;

thread_local std::string last_error = "No error";

// The sinks outlive the runtime object (declared before it): a host may set
// them before its first qvx_create, and the runtime may trace while it goes.
posix::GlibLogTrace default_trace;
posix::StderrMessages default_messages;
HostTraceSink host_trace(default_trace);
HostMessageSink host_messages(default_messages);
UiChoice ui_choice(host_trace);

// Destroyed at dlclose or process exit, before the code goes away.
std::unique_ptr<Runtime> runtime;

int Fail(int number, std::string text) {
  last_error = std::move(text);
  return number;
}

// The exception being handled, kept for qvx_last_error; returns its number.
int FailWithCurrent() {
  ErrorReport report = CurrentErrorReport();
  return Fail(report.number, std::move(report.description));
}

int FailOnOtherThread(const char* entry_point) {
  return Fail(kInvalidArgument,
              std::string(entry_point) +
                  ": called from another thread than the one that created the "
                  "first driver; every call must come from that thread");
}

// Checks what every call needs; returns 0 or the error number.
int CheckCall(const char* entry_point, const void* driver, const void* result) {
  if (!runtime) {
    return Fail(kInvalidArgument,
                std::string(entry_point) +
                    ": no driver has been created (call qvx_create first)");
  }
  if (!runtime->OnOwnerThread()) return FailOnOtherThread(entry_point);
  if (driver == nullptr) {
    return Fail(kInvalidArgument,
                std::string(entry_point) + ": the driver pointer is NULL");
  }
  if (!runtime->Owns(static_cast<const qvx_driver*>(driver))) {
    return Fail(kInvalidArgument,
                std::string(entry_point) + ": not a driver made by qvx_create");
  }
  if (result == nullptr) {
    return Fail(kInvalidArgument,
                std::string(entry_point) + ": the result pointer is NULL");
  }
  return 0;
}

// Runs one operation of the driver, turning errors into numbers; a
// destroy requested from inside the call happens when it has ended.
template <typename Operation>
int Run(const char* entry_point, qvx_driver* driver, const void* result,
        Operation&& operation) {
  if (const int rc = CheckCall(entry_point, driver, result)) return rc;
  ++driver->calls_in_progress;
  const int rc =
      Guard([&] { operation(driver->driver); }, FailWithCurrent).value_or(0);
  if (--driver->calls_in_progress == 0 && driver->destroy_requested) {
    runtime->DestroyDriver(driver);
  }
  return rc;
}

qvx_bool Boolean(bool value) { return value ? kTrue : kFalse; }

}  // namespace
}  // namespace quorvix::capi

using quorvix::capi::Boolean;
using quorvix::capi::Run;
using quorvix::capi::runtime;

extern "C" {

__attribute__((visibility("default"))) qvx_driver* qvx_create(void) {
  try {
    if (!runtime) {
      runtime = std::make_unique<quorvix::capi::Runtime>(
          quorvix::capi::host_trace, quorvix::capi::host_messages,
          quorvix::capi::ui_choice);
    } else if (!runtime->OnOwnerThread()) {
      quorvix::capi::FailOnOtherThread("qvx_create");
      return nullptr;
    }
    return runtime->CreateDriver();
  } catch (...) {
    quorvix::capi::FailWithCurrent();
    return nullptr;
  }
}

__attribute__((visibility("default"))) void qvx_destroy(qvx_driver* driver) {
  if (!runtime || !runtime->OnOwnerThread() || !runtime->Owns(driver)) return;
  if (driver->calls_in_progress > 0) {
    driver->destroy_requested = true;
  } else {
    runtime->DestroyDriver(driver);
  }
}

__attribute__((visibility("default"))) int qvx_pump(int timeout_ms) {
  if (!runtime) {
    return quorvix::capi::Fail(
        quorvix::kInvalidArgument,
        "qvx_pump: no driver has been created (call qvx_create first)");
  }
  if (!runtime->OnOwnerThread()) {
    return quorvix::capi::FailOnOtherThread("qvx_pump");
  }
  try {
    quorvix::EventLoop& events = runtime->events();
    if (timeout_ms <= 0) {
      events.PumpPending();
    } else {
      events.WaitAndPump(events.Now() + std::chrono::milliseconds(timeout_ms));
    }
  } catch (...) {
    return quorvix::capi::FailWithCurrent();
  }
  return 0;
}

__attribute__((visibility("default"))) int qvx_Disable(qvx_driver* d,
                                                       qvx_bool* result) {
  return Run("qvx_Disable", d, result, [&](quorvix::clsOutputDriver& driver) {
    *result = Boolean(driver.Disable());
  });
}

__attribute__((visibility("default"))) int qvx_Enable(qvx_driver* d,
                                                      qvx_bool* result) {
  return Run("qvx_Enable", d, result, [&](quorvix::clsOutputDriver& driver) {
    *result = Boolean(driver.Enable());
  });
}

__attribute__((visibility("default"))) int qvx_PluginName(qvx_driver* d,
                                                          const char** result) {
  return Run(
      "qvx_PluginName", d, result, [&](quorvix::clsOutputDriver& driver) {
        *result =
            driver.PluginName().data();  // a literal: zero-terminated, static
      });
}

__attribute__((visibility("default"))) int qvx_SetChannel(qvx_driver* d,
                                                          int32_t channel,
                                                          int32_t value,
                                                          qvx_bool* result) {
  return Run("qvx_SetChannel", d, result,
             [&](quorvix::clsOutputDriver& driver) {
               *result = Boolean(driver.SetChannel(channel, value));
             });
}

__attribute__((visibility("default"))) int qvx_Configure(qvx_driver* d,
                                                         qvx_bool* result) {
  return Run("qvx_Configure", d, result, [&](quorvix::clsOutputDriver& driver) {
    *result = Boolean(driver.Configure());
  });
}

__attribute__((visibility("default"))) int qvx_Init(
    qvx_driver* d, const char* CallingAppTitle, const char* MyFilename,
    const qvx_helper* TrovaPluginHelper, qvx_bool* result) {
  return Run("qvx_Init", d, result, [&](quorvix::clsOutputDriver& driver) {
    if (CallingAppTitle == nullptr || MyFilename == nullptr) {
      throw quorvix::Error(
          quorvix::kInvalidArgument,
          std::string("qvx_Init: the ") +
              (CallingAppTitle == nullptr ? "CallingAppTitle" : "MyFilename") +
              " pointer is NULL");
    }
    std::shared_ptr<quorvix::HostHelper> helper;
    if (TrovaPluginHelper != nullptr) {
      helper = std::make_shared<quorvix::capi::HostHelperAdapter>(
          *TrovaPluginHelper);
    }
    *result =
        Boolean(driver.Init(CallingAppTitle, MyFilename, std::move(helper)));
  });
}

__attribute__((visibility("default"))) int qvx_Term(qvx_driver* d,
                                                    qvx_bool* result) {
  return Run("qvx_Term", d, result, [&](quorvix::clsOutputDriver& driver) {
    *result = Boolean(driver.Term());
  });
}

__attribute__((visibility("default"))) const char* qvx_last_error(void) {
  return quorvix::capi::last_error.c_str();
}

__attribute__((visibility("default"))) void qvx_set_trace(qvx_trace_fn function,
                                                          void* context) {
  quorvix::capi::host_trace.Set(function, context);
}

__attribute__((visibility("default"))) void qvx_set_message_box(
    qvx_message_fn function, void* context) {
  quorvix::capi::host_messages.Set(function, context);
}

__attribute__((visibility("default"))) int qvx_LineStatus(
    qvx_driver* d, qvx_line_status* result) {
  return Run("qvx_LineStatus", d, result, [&](quorvix::clsOutputDriver&) {
    quorvix::DriverModule& module = runtime->module();
    // Reading must not create the hidden window as a side effect.
    if (!module.HasMainWindow()) {
      throw quorvix::Error(quorvix::kInvalidArgument,
                           "qvx_LineStatus: there are no line settings before "
                           "qvx_Init; call qvx_Init first");
    }
    const quorvix::frmMain& window = module.MainWindow();
    const quorvix::modMain& state = module.state();
    *result = qvx_line_status{
        .baud_rate = static_cast<int32_t>(
            quorvix::ParseLineSettings(window.comMain.Settings()).baud),
        .dmx_in_active = Boolean(state.DMXInActive),
        .dmx_in_channels = state.DMXInChannels,
        .dmx_in_interval_ms = window.timCheckDMXIn.Interval(),
        .transmitter_ready = Boolean(state.TransmitterReady)};
  });
}

__attribute__((visibility("default"))) int qvx_set_port_device(
    qvx_driver* d, const char* device, int32_t* port) {
  return Run("qvx_set_port_device", d, port, [&](quorvix::clsOutputDriver&) {
    quorvix::DriverModule& module = runtime->module();
    if (!module.HasMainWindow()) {
      throw quorvix::Error(quorvix::kInvalidArgument,
                           "qvx_set_port_device: there is no port before "
                           "qvx_Init; call qvx_Init first");
    }
    if (device == nullptr || device[0] != '/') {
      throw quorvix::Error(
          quorvix::kInvalidArgument,
          std::string("qvx_set_port_device: the device must be a full path "
                      "such as /dev/serial/by-id/..., not \"") +
              (device != nullptr ? device : "(NULL)") + "\"");
    }
    // /dev/ttyUSB0 may be another adapter after the next replug; its udev
    // name stays.
    std::string chosen = device;
    if (!chosen.starts_with("/dev/serial/")) {
      if (std::string stable = quorvix::posix::StableNameOf(chosen);
          !stable.empty()) {
        chosen = std::move(stable);
      }
    }
    const int number = module.MainWindow().comMain.CommPort();
    quorvix::posix::LinkPort(number, chosen);
    *port = number;
    quorvix::Trace(quorvix::capi::host_trace, [&] {
      return "[Quorvix] COM" + std::to_string(number) + " is now " + chosen +
             " (" + quorvix::posix::PortLinkPath(number) + ")";
    });
  });
}

__attribute__((visibility("default"))) int qvx_set_ui(int ui) {
  if (ui != QVX_UI_AUTO && ui != QVX_UI_GTK && ui != QVX_UI_NONE) {
    return quorvix::capi::Fail(
        quorvix::kInvalidArgument,
        "qvx_set_ui: " + std::to_string(ui) +
            " is none of QVX_UI_AUTO (0), QVX_UI_GTK (1), QVX_UI_NONE (2)");
  }
  quorvix::capi::ui_choice.Wish(static_cast<quorvix::capi::UiWish>(ui));
  return 0;
}

}  // extern "C"
