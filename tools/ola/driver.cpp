#include "driver.h"

#include <stdexcept>

namespace quorvix::ola_bridge {
namespace {

constexpr int kNoSuchMethod = 438;

}  // namespace

Driver::Driver(host::PluginLibrary& plugin, DriverEvents& events)
    : plugin_(plugin), events_(events), driver_(plugin.create()) {
  if (driver_ == nullptr) {
    throw std::runtime_error(
        std::string("the plug-in cannot create a driver: ") +
        plugin_.last_error());
  }
  plugin_.set_trace(&Driver::Trace, &events_);
  plugin_.set_message_box(&Driver::Message, &events_);
}

Driver::~Driver() {
  plugin_.destroy(driver_);
  plugin_.set_trace(nullptr, nullptr);
  plugin_.set_message_box(nullptr, nullptr);
}

Outcome Driver::Finish(int error, qvx_bool result) const {
  if (error != 0) return {error, plugin_.last_error(), false};
  return {0, {}, result != 0};
}

Outcome Driver::Init(const std::string& title, const std::string& file_name) {
  // No release: the events object outlives the driver.
  const qvx_helper helper{&events_, &Driver::Invoke, nullptr};
  qvx_bool result = 0;
  const int error =
      plugin_.Init(driver_, title.c_str(), file_name.c_str(), &helper, &result);
  return Finish(error, result);
}

Outcome Driver::Enable() {
  qvx_bool result = 0;
  const int error = plugin_.Enable(driver_, &result);
  return Finish(error, result);
}

Outcome Driver::Disable() {
  qvx_bool result = 0;
  const int error = plugin_.Disable(driver_, &result);
  return Finish(error, result);
}

Outcome Driver::SetChannel(std::int32_t channel, std::int32_t value) {
  qvx_bool result = 0;
  const int error = plugin_.SetChannel(driver_, channel, value, &result);
  return Finish(error, result);
}

Outcome Driver::Term() {
  qvx_bool result = 0;
  const int error = plugin_.Term(driver_, &result);
  return Finish(error, result);
}

Outcome Driver::SetPortDevice(const std::string& device, std::int32_t& port) {
  const int error = plugin_.set_port_device(driver_, device.c_str(), &port);
  return Finish(error, -1);
}

qvx_line_status Driver::LineStatus() {
  qvx_line_status status{};
  if (const int error = plugin_.LineStatus(driver_, &status)) {
    throw std::runtime_error("qvx_LineStatus failed (error " +
                             std::to_string(error) +
                             "): " + plugin_.last_error());
  }
  return status;
}

int Driver::Invoke(void* context, const char* method, std::int32_t channel,
                   std::uint8_t value) {
  if (std::string_view(method) != "Trova_DMXIn_SetChannel") {
    return kNoSuchMethod;
  }
  try {
    static_cast<DriverEvents*>(context)->OnInput(channel, value);
    return 0;
  } catch (...) {
    return 1;  // nothing may unwind into the plug-in
  }
}

void Driver::Trace(void* context, const char* line) {
  try {
    static_cast<DriverEvents*>(context)->OnTrace(line);
  } catch (...) {
    // A lost trace line is better than unwinding into the plug-in.
  }
}

void Driver::Message(void* context, int is_error, const char* /*title*/,
                     const char* text) {
  try {
    static_cast<DriverEvents*>(context)->OnMessage(is_error != 0, text);
  } catch (...) {
    // As for trace lines.
  }
}

}  // namespace quorvix::ola_bridge
