// The driver as a whole over the fake platform: random host calls with
// random arguments, bytes from the line, a device that vanishes and comes
// back, failing host callbacks and time passing (poll ticks). After every
// step: LastRecv within its cap, every byte written a well-formed frame,
// every call that succeeds traced from Begin to End, DMXInPrevious changed
// only for a channel the host was told about (or with no helper), every
// failure one of the errors a host is told about, and a device that comes
// back carrying on by itself: once the pause is over, a value set reaches
// the line.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/clsOutputDriver.h"
#include "core/driver_module.h"
#include "link/frames.h"
#include "platform/error.h"
#include "testing/fake/fake_helper.h"
#include "testing/fake/fake_platform.h"

namespace {

using namespace quorvix;
using namespace std::chrono_literals;

bool KnownError(int number) {
  switch (number) {
    case kInvalidArgument:
    case kOverflow:
    case kTypeMismatch:
    case kStoreFailure:
    case kInvalidPropertyValue:
    case kPortMissing:
    case kPortInUse:
    case kPortNotOpen:
    case kDeviceFailed: return true;
    default: return false;
  }
}

// The frame as the protocol defines it, computed apart from the driver.
std::string ExpectedFrame(std::int32_t channel, std::int32_t value) {
  const std::int64_t zero_based = static_cast<std::int64_t>(channel) - 1;
  return {'\xFF',
          static_cast<char>(zero_based & 0xFF),
          static_cast<char>((zero_based >> 8) & 0x7F),
          '\x01',
          static_cast<char>(value),
          '\0'};
}

bool WellFormed(std::string_view write) {
  if (write == kHandshakeQuery) return true;
  if (write.size() == 4) {
    return write.substr(0, 3) == std::string_view("\xFC\0\0", 3);
  }
  return write.size() == 6 && write[0] == '\xFF' &&
         (static_cast<unsigned char>(write[2]) & 0x80) == 0 &&
         write[3] == '\x01' && write[5] == '\0';
}

class Session {
 public:
  explicit Session(FuzzedDataProvider& in) : in_(in) {
    fake_.serial.SetExistingPorts({1, 2, 3});
  }

  void Step() {
    const std::array<std::uint8_t, 256> previous = state().DMXInPrevious;
    const bool had_helper = state().PluginHelper != nullptr;
    const std::size_t calls_before = helper_calls_.size();
    const std::size_t writes_before = fake_.serial.writes().size();
    RunOne();
    CheckWrites(writes_before);
    if (state().LastRecv.size() > modMain::kLastRecvLimit) std::abort();
    const bool has_helper = state().PluginHelper != nullptr;
    for (std::size_t channel = 0; channel < previous.size(); ++channel) {
      const std::uint8_t now = state().DMXInPrevious[channel];
      if (now == previous[channel] || !had_helper || !has_helper) continue;
      bool reported = false;
      for (std::size_t i = calls_before; i < helper_calls_.size(); ++i) {
        reported |= helper_calls_[i].channel == static_cast<int>(channel) &&
                    helper_calls_[i].value == now;
      }
      if (!reported) std::abort();
    }
  }

 private:
  modMain& state() { return module_.state(); }

  // A host call: Begin first and End last when it succeeds; a failure is
  // one of the host's error numbers.
  template <typename Call>
  void HostCall(std::string_view name, Call&& call) {
    const std::size_t lines_before = fake_.trace.lines().size();
    try {
      call();
    } catch (const Error& error) {
      if (!KnownError(error.number())) std::abort();
      return;
    }
    if (name.empty()) return;
    const auto& lines = fake_.trace.lines();
    if (lines.size() < lines_before + 2) std::abort();
    if (lines[lines_before] != "[Quorvix] " + std::string(name) + ": Begin" ||
        lines.back() != "[Quorvix] " + std::string(name) + ": End") {
      std::abort();
    }
  }

  void RunOne() {
    switch (in_.ConsumeIntegralInRange(0, 15)) {
      case 0: return Init();
      case 1:
        ScriptHandshake();
        return HostCall("Enable", [&] { driver_.Enable(); });
      case 2: return HostCall("Disable", [&] { driver_.Disable(); });
      case 3: return SetChannel();
      case 4: return HostCall("", [&] { driver_.Configure(); });
      case 5: return HostCall("Term", [&] { driver_.Term(); });
      case 6:
        if (driver_.PluginName() != clsOutputDriver::kPluginName) std::abort();
        return;
      case 7: return fake_.serial.Deliver(in_.ConsumeRandomLengthString(600));
      case 8: return fake_.serial.Notify();
      case 9: return Device();
      case 10:
        return fake_.events.RunFor(
            std::chrono::milliseconds(in_.ConsumeIntegralInRange(0, 3000)));
      case 11: return StoreSetting();
      case 12: return ScriptHelper();
      case 13: return ScriptPollReply();
      case 14: return fake_.events.PumpPending();
      default: return Flood();
    }
  }

  void Init() {
    std::shared_ptr<HostHelper> helper;
    if (in_.ConsumeBool()) {
      auto recording = std::make_shared<fake::FakeHelper>();
      recording->SetDuringCall([this](const fake::HelperCall& call) {
        helper_calls_.push_back(call);
      });
      recording->SetResult(helper_result_);
      helper_ = recording;
      helper = recording;
    }
    const std::string title =
        in_.ConsumeBool() ? "Fuzz" : in_.ConsumeRandomLengthString(40);
    HostCall("Init", [&] { driver_.Init(title, "Fuzz.dll", helper); });
  }

  void SetChannel() {
    const auto channel = in_.ConsumeBool()
                             ? in_.ConsumeIntegralInRange<std::int32_t>(-2, 600)
                             : in_.ConsumeIntegral<std::int32_t>();
    const auto value = in_.ConsumeBool()
                           ? in_.ConsumeIntegralInRange<std::int32_t>(-1, 256)
                           : in_.ConsumeIntegral<std::int32_t>();
    const std::size_t writes_before = fake_.serial.writes().size();
    bool sent = false;
    HostCall("SetChannel", [&] { sent = driver_.SetChannel(channel, value); });
    if (!sent) return;
    if (channel == INT32_MIN || value < 0 || value > 255) std::abort();
    CheckLastFrame(writes_before, channel, value);
  }

  // The frame goes last; frames before it restore a device that is back.
  void CheckLastFrame(std::size_t writes_before, std::int32_t channel,
                      std::int32_t value) const {
    const auto& writes = fake_.serial.writes();
    if (writes.size() <= writes_before ||
        writes.back() != ExpectedFrame(channel, value)) {
      std::abort();
    }
  }

  // Writes failing, or the adapter pulled and plugged back.
  void Device() {
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 0:
        writes_fail_ = in_.ConsumeBool();
        return fake_.serial.FailWrites(writes_fail_);
      case 1: return fake_.serial.Unplug();
      case 2: return fake_.serial.Replug();
      default: return ComesBack();
    }
  }

  // Pulled, plugged back and, once the pause is over, a value set: it must
  // go out without Disable and Enable.
  void ComesBack() {
    fake_.serial.Unplug();
    fake_.serial.Replug();
    fake_.events.Advance(CommControl::kReopenPause);
    if (writes_fail_ || !state().TransmitterReady || !module_.HasMainWindow() ||
        !module_.MainWindow().comMain.PortOpen()) {
      return;
    }
    const auto channel = in_.ConsumeIntegralInRange<std::int32_t>(1, 512);
    const auto value = in_.ConsumeIntegral<std::uint8_t>();
    const std::size_t writes_before = fake_.serial.writes().size();
    bool sent = false;
    HostCall("SetChannel", [&] { sent = driver_.SetChannel(channel, value); });
    if (!sent) std::abort();
    CheckLastFrame(writes_before, channel, value);
  }

  void ScriptHandshake() {
    fake_.serial.ClearRules();
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 0: return fake_.serial.OnWrite("c?", {fake::InPump(1, "G")}, 1);
      case 1:
        return fake_.serial.OnWrite(
            "c?",
            {fake::InPump(in_.ConsumeIntegralInRange(1, 3),
                          in_.ConsumeRandomLengthString(8))},
            1);
      case 2: return;  // silence
      default: return fake_.serial.OnWrite("c?", {fake::After(30ms, "G")}, 1);
    }
  }

  void ScriptPollReply() {
    const auto count = in_.ConsumeIntegral<std::uint8_t>();
    fake_.serial.OnWrite(DMXInRequest(count),
                         {fake::InPump(in_.ConsumeIntegralInRange(1, 4),
                                       in_.ConsumeRandomLengthString(300))},
                         in_.ConsumeIntegralInRange(1, 5));
  }

  void StoreSetting() {
    static constexpr std::array<std::string_view, 5> kKeys = {
        "ComPort", "ComSettings", "DMXInActive", "DMXInChannels",
        "DMXInInterval"};
    static constexpr std::array<std::string_view, 8> kValues = {
        "1", "38400,n,8,1", "True", "50", "0", "300", "-1", "19200,n,8,1"};
    const auto key = kKeys[in_.ConsumeIntegralInRange<std::size_t>(0, 4)];
    const std::string value =
        in_.ConsumeBool()
            ? std::string(
                  kValues[in_.ConsumeIntegralInRange<std::size_t>(0, 7)])
            : in_.ConsumeRandomLengthString(20);
    fake_.store.Set("Fuzz", "Plugins\\Fuzz.dll", key, value);
  }

  void ScriptHelper() {
    static constexpr std::array<int, 4> kResults = {0, 438, 13, 440};
    helper_result_ = {kResults[in_.ConsumeIntegralInRange<std::size_t>(0, 3)],
                      "scripted"};
    if (auto helper = helper_.lock()) helper->SetResult(helper_result_);
  }

  // A transmitter that keeps talking across several pumps.
  void Flood() {
    const int pieces = in_.ConsumeIntegralInRange(1, 40);
    const std::string bytes(in_.ConsumeIntegralInRange(1, 4096),
                            static_cast<char>(in_.ConsumeIntegral<char>()));
    for (int i = 0; i < pieces; ++i) {
      fake_.events.PostInPump(i + 1,
                              [this, bytes] { fake_.serial.Deliver(bytes); });
    }
  }

  void CheckWrites(std::size_t from) const {
    const auto& writes = fake_.serial.writes();
    for (std::size_t i = from; i < writes.size(); ++i) {
      if (!WellFormed(writes[i])) std::abort();
    }
  }

  FuzzedDataProvider& in_;
  fake::FakePlatform fake_;
  DriverModule module_{fake_.platform};
  clsOutputDriver driver_{module_};
  std::weak_ptr<fake::FakeHelper> helper_;
  HostCallResult helper_result_;
  std::vector<fake::HelperCall> helper_calls_;
  bool writes_fail_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider in(data, size);
  Session session(in);
  for (int steps = 0; steps < 64 && in.remaining_bytes() > 0; ++steps) {
    session.Step();
  }
  return 0;
}
