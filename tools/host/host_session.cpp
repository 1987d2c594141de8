#include "host_session.h"

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace quorvix::host {
namespace {

std::string Boolean(qvx_bool value) { return value ? "True" : "False"; }

// Trace lines are raw bytes: show what is not printable ASCII as <XX>.
std::string Visible(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += {'<', kHex[byte >> 4], kHex[byte & 0xF], '>'};
    }
  }
  return shown;
}

}  // namespace

HostSession::HostSession(PluginLibrary& plugin, std::ostream& out,
                         bool show_trace)
    : plugin_(plugin), out_(out) {
  ShowTrace(show_trace);
  plugin_.set_message_box(&HostSession::PrintMessage, this);
  driver_ = plugin_.create();
  if (driver_ == nullptr) {
    throw std::runtime_error(std::string("qvx_create failed: ") +
                             plugin_.last_error());
  }
}

void HostSession::LeaveBoxesToPlugin() {
  plugin_.set_message_box(nullptr, nullptr);
}

HostSession::~HostSession() {
  plugin_.destroy(driver_);
  plugin_.set_trace(nullptr, nullptr);
  plugin_.set_message_box(nullptr, nullptr);
}

bool HostSession::Check(const char* operation, int rc,
                        const std::string& result) {
  if (rc != 0) {
    any_failed_ = true;
    out_ << operation << " failed: error " << rc << ": " << plugin_.last_error()
         << "\n";
    return false;
  }
  out_ << operation << " -> " << result << "\n";
  return true;
}

bool HostSession::Call(const char* operation,
                       int (*entry_point)(qvx_driver*, qvx_bool*)) {
  qvx_bool result = 0;
  const int rc = entry_point(driver_, &result);
  return Check(operation, rc, Boolean(result));
}

bool HostSession::Init(const std::string& title, const std::string& file_name) {
  const qvx_helper helper{this, &HostSession::Invoke, &HostSession::Release};
  qvx_bool result = 0;
  const int rc =
      plugin_.Init(driver_, title.c_str(), file_name.c_str(), &helper, &result);
  return Check("Init", rc, Boolean(result));
}

bool HostSession::Enable() {
  qvx_bool result = 0;
  const int rc = plugin_.Enable(driver_, &result);
  if (!Check("Enable", rc, Boolean(result))) return false;
  any_failed_ |= result == 0;
  return result != 0;
}

bool HostSession::Disable() { return Call("Disable", plugin_.Disable); }

bool HostSession::SetChannel(std::int32_t channel, std::int32_t value,
                             bool quiet) {
  qvx_bool result = 0;
  const int rc = plugin_.SetChannel(driver_, channel, value, &result);
  if (quiet && rc == 0) return true;
  const std::string name = "SetChannel(" + std::to_string(channel) + ", " +
                           std::to_string(value) + ")";
  return Check(name.c_str(), rc, Boolean(result));
}

bool HostSession::Configure() { return Call("Configure", plugin_.Configure); }

bool HostSession::Term() { return Call("Term", plugin_.Term); }

bool HostSession::PluginName() {
  const char* name = nullptr;
  const int rc = plugin_.PluginName(driver_, &name);
  return Check("PluginName", rc, rc == 0 ? std::string(name) : std::string());
}

bool HostSession::SetPortDevice(const std::string& device) {
  std::int32_t port = 0;
  const int rc = plugin_.set_port_device(driver_, device.c_str(), &port);
  return Check("SetPortDevice", rc, "COM" + std::to_string(port));
}

void HostSession::ShowTrace(bool show) {
  if (show) {
    plugin_.set_trace(&HostSession::PrintTrace, this);
  } else {
    plugin_.set_trace(&HostSession::PrintPortTrace, this);
  }
}

void HostSession::Pump(int milliseconds) {
  using std::chrono::steady_clock;
  const auto end =
      steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto now = steady_clock::now(); now < end; now = steady_clock::now()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - now)
            .count();
    plugin_.pump(static_cast<int>(left) + 1);
  }
}

void HostSession::OnReport(std::function<void(const DMXInReport&)> callback) {
  on_report_ = std::move(callback);
}

int HostSession::Invoke(void* context, const char* method, std::int32_t channel,
                        std::uint8_t value) {
  auto* self = static_cast<HostSession*>(context);
  if (std::strcmp(method, "Trova_DMXIn_SetChannel") != 0) return 438;
  self->out_ << "Trova_DMXIn_SetChannel(" << channel << ", " << int{value}
             << ")\n";
  self->reports_.push_back({channel, value});
  if (self->on_report_) self->on_report_(self->reports_.back());
  return 0;
}

void HostSession::Release(void*) {}

void HostSession::PrintTrace(void* context, const char* line) {
  static_cast<HostSession*>(context)->out_ << "  trace: " << Visible(line)
                                           << "\n";
}

void HostSession::PrintPortTrace(void* context, const char* line) {
  const std::string_view text(line);
  if (text.starts_with("[Quorvix] Open failed: ") ||
      text.starts_with("[Quorvix] COM")) {
    PrintTrace(context, line);
  }
}

void HostSession::PrintMessage(void* context, int is_error, const char* title,
                               const char* text) {
  std::string shown(text);
  for (std::size_t at = shown.find("\r\n"); at != std::string::npos;
       at = shown.find("\r\n", at)) {
    shown.replace(at, 2, " / ");
  }
  static_cast<HostSession*>(context)->out_
      << "  message box (" << (is_error ? "error" : "information") << ") "
      << title << ": " << shown << "\n";
}

}  // namespace quorvix::host
