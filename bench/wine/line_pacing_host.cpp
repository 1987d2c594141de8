// The Windows half of bench/wine_line_pacing.sh, run under Wine: the
// registered quorvix.dll, made through COM by its ProgID as a host makes it,
// gets SetChannel as fast as it returns for SECONDS on COM<PORT>, which the
// script links to a quorvix-sim pacing its line at BAUD; then raw blocking
// WriteFile calls put the same frames on the same port for as long. Each
// call's return time is moved onto the simulator's clock (sim_clock.h) and
// matched with the frame's time in the simulator's log, for the figures of
// line_pacing_bench (line_figures.h).
//   line_pacing_host BAUD SECONDS PORT SIM_LOG ECHO_PORT

#include <oaidl.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "box_watcher.h"
#include "driver_client.h"
#include "line_figures.h"
#include "platform/error.h"
#include "platform/win32/com_ref.h"
#include "platform/win32/serial_port.h"
#include "platform/win32/unique_handle.h"
#include "sim_clock.h"

namespace {

using quorvix::bench::Figures;
using quorvix::bench::LocalMicroseconds;
using quorvix::bench::Sent;
using quorvix::win32::ComRef;

constexpr wchar_t kProgId[] = L"Quorvix.clsOutputDriver";
constexpr wchar_t kTitle[] = L"Wine Bench Host";
constexpr wchar_t kFile[] = L"quorvix.dll";
constexpr wchar_t kBoxTitle[] = L"Quorvix Transmitter Driver";
// The raw writer's queue at 19200 baud takes this long to drain, at most.
constexpr DWORD kDrainMs = 60'000;

struct Options {
  long baud = 0;
  long long seconds = 0;
  int port = 0;
  std::wstring sim_log;
  unsigned short echo_port = 0;
};

bool Parse(int argc, wchar_t** argv, Options& options) {
  if (argc != 6) return false;
  options.baud = std::wcstol(argv[1], nullptr, 10);
  options.seconds = std::wcstol(argv[2], nullptr, 10);
  options.port = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
  options.sim_log = argv[4];
  const long echo = std::wcstol(argv[5], nullptr, 10);
  options.echo_port = static_cast<unsigned short>(echo);
  return options.baud > 0 && options.seconds > 0 && options.port > 0 &&
         echo > 0 && echo < 65536;
}

// HKCU\Software\VB and VBA Program Settings\<kTitle>\Plugins\<kFile>.
bool SetSetting(const wchar_t* name, const std::wstring& value) {
  const std::wstring key = std::wstring(L"Software\\VB and VBA Program ") +
                           L"Settings\\" + kTitle + L"\\Plugins\\" + kFile;
  HKEY opened = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &opened,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status = RegSetValueExW(
      opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

// The thread's messages, as a host's loop runs them between calls.
void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void ReportBoxes(BoxWatcher& boxes) {
  for (const SeenBox& box : boxes.Take()) {
    std::fprintf(stderr, "dismissed a message box (%s): %s\n",
                 Utf8(box.icon).c_str(), Utf8(box.text).c_str());
  }
}

// A failed call in words: the driver's description, else its HRESULT.
std::string Failure(const wchar_t* name, const CallResult& call) {
  const std::string description = call.Description();
  return Utf8(name) + " failed: " +
         (description.empty() ? "HRESULT " + std::to_string(call.result)
                              : description);
}

std::vector<quorvix::bench::LineFrame> FramesLogged(const std::wstring& log) {
  std::ifstream in{std::filesystem::path(log)};
  return quorvix::bench::FramesOnLine(in);
}

// A paced line still carries what was queued: waits (bounded) until the
// simulator has logged `frames`.
std::vector<quorvix::bench::LineFrame> AwaitFrames(const std::wstring& log,
                                                   std::size_t frames) {
  const DWORD start = GetTickCount();
  for (;;) {
    auto logged = FramesLogged(log);
    if (logged.size() >= frames || GetTickCount() - start > kDrainMs) {
      return logged;
    }
    Sleep(200);
  }
}

// SetChannel flat out; `longest_us` the longest call. False when the
// driver cannot be made or enabled.
bool Flood(const Options& options, std::vector<Sent>& sent,
           long long& longest_us) {
  CLSID clsid;
  ComRef<IDispatch> object;
  if (FAILED(CLSIDFromProgID(kProgId, &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IDispatch, object.PutVoid()))) {
    std::fprintf(stderr,
                 "Quorvix.clsOutputDriver cannot be made: is "
                 "quorvix.dll registered?\n");
    return false;
  }
  const DriverClient driver(object.get());
  VARIANT title = Text(kTitle);
  VARIANT file = Text(kFile);
  const CallResult init = driver.Call(L"Init", {title, file, Empty()});
  VariantClear(&title);
  VariantClear(&file);
  std::string error;
  if (FAILED(init.result)) {
    error = Failure(L"Init", init);
  } else if (const CallResult enable = driver.Call(L"Enable");
             FAILED(enable.result)) {
    error = Failure(L"Enable", enable);
  } else if (enable.Boolean() != 1) {
    error = "Enable returned False (no simulator there?)";
  }
  if (!error.empty()) {
    std::fprintf(stderr, "the driver does not enable on COM%d: %s\n",
                 options.port, error.c_str());
    return false;
  }
  const long long end = LocalMicroseconds() + options.seconds * 1'000'000;
  for (long i = 0; LocalMicroseconds() < end; ++i) {
    const int channel = quorvix::bench::ChannelFor(i);
    const int value = quorvix::bench::ValueFor(i);
    const long long call = LocalMicroseconds();
    const CallResult set =
        driver.Call(L"SetChannel", {Long(channel), Long(value)});
    if (FAILED(set.result)) {
      std::fprintf(stderr, "%s\n", Failure(L"SetChannel", set).c_str());
      break;
    }
    const long long returned = LocalMicroseconds();
    longest_us = std::max(longest_us, returned - call);
    sent.push_back({channel, value, returned});
    if (i % 64 == 0) Pump();
  }
  driver.Call(L"Disable");
  driver.Call(L"Term");
  return true;
}

// WriteFile of each frame on a port opened without overlapping, so each
// call returns once the system has taken the frame. A pseudo-terminal, under
// Wine as on Linux, takes 15 to 20 KB at once, and a write that finds it full
// returns only once the line has carried nearly all of it: the writer goes in
// bursts of a full queue, with the line never idle in between.
bool RawFlood(const Options& options, std::vector<Sent>& sent,
              long long& longest_us) {
  const std::wstring path = L"\\\\.\\COM" + std::to_wstring(options.port);
  const quorvix::win32::UniqueHandle port(
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  OPEN_EXISTING, 0, nullptr));
  if (!port.is_valid()) {
    std::fprintf(stderr, "COM%d cannot be opened (error %lu)\n", options.port,
                 GetLastError());
    return false;
  }
  try {
    quorvix::LineSettings settings;
    settings.baud = static_cast<std::uint32_t>(options.baud);
    quorvix::win32::ConfigurePort(port.get(), options.port, settings);
  } catch (const quorvix::Error& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return false;
  }
  const long long end = LocalMicroseconds() + options.seconds * 1'000'000;
  for (long i = 0; LocalMicroseconds() < end; ++i) {
    const int channel = quorvix::bench::ChannelFor(i);
    const int value = quorvix::bench::ValueFor(i);
    const auto frame = quorvix::bench::FrameBytes(channel, value);
    const long long call = LocalMicroseconds();
    DWORD done = 0;
    while (done < frame.size()) {
      DWORD written = 0;
      if (!WriteFile(port.get(), frame.data() + done,
                     static_cast<DWORD>(frame.size() - done), &written,
                     nullptr) ||
          written == 0) {
        std::fprintf(stderr, "raw WriteFile failed (error %lu)\n",
                     GetLastError());
        return true;
      }
      done += written;
    }
    const long long returned = LocalMicroseconds();
    longest_us = std::max(longest_us, returned - call);
    sent.push_back({channel, value, returned});
  }
  return true;
}

// The return times, taken on this process's clock, onto the simulator's.
void ToSimulatorClock(std::vector<Sent>& sent,
                      const quorvix::bench::Placement& before,
                      const quorvix::bench::Placement& after) {
  for (Sent& frame : sent) {
    frame.returned_us =
        quorvix::bench::ToSimulator(frame.returned_us, before, after);
  }
}

int Run(const Options& options, BoxWatcher& boxes) {
  if (!SetSetting(L"ComPort", std::to_wstring(options.port)) ||
      !SetSetting(L"ComSettings", std::to_wstring(options.baud) + L",n,8,1")) {
    std::fprintf(stderr, "the settings cannot be written to the registry\n");
    return 1;
  }
  quorvix::bench::SimClock clock(options.echo_port);
  const quorvix::bench::Placement before = clock.Place();

  std::vector<Sent> driver;
  long long longest_us = 0;
  const bool flooded = Flood(options, driver, longest_us);
  ReportBoxes(boxes);
  if (!flooded) return 1;
  AwaitFrames(options.sim_log, driver.size());

  std::vector<Sent> raw;
  long long longest_write_us = 0;
  if (!RawFlood(options, raw, longest_write_us)) return 1;
  const auto logged = AwaitFrames(options.sim_log, driver.size() + raw.size());
  const quorvix::bench::Placement after = clock.Place();

  ToSimulatorClock(driver, before, after);
  ToSimulatorClock(raw, before, after);
  Figures ours = quorvix::bench::Measure(logged, 0, driver);
  ours.longest_call_ms = static_cast<double>(longest_us) / 1000.0;
  Figures theirs = quorvix::bench::Measure(logged, driver.size(), raw);
  theirs.longest_call_ms = static_cast<double>(longest_write_us) / 1000.0;
  quorvix::bench::PrintFigures(options.baud, options.seconds, driver.size(),
                               ours, raw.size(), theirs);
  std::printf(
      "  Wine's clock on the simulator's: within %.2f ms (half the quickest "
      "round trip), drifted %.2f ms over the run\n",
      static_cast<double>(std::max(before.round_trip_us, after.round_trip_us)) /
          2000.0,
      static_cast<double>(after.offset_us - before.offset_us) / 1000.0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: line_pacing_host BAUD SECONDS PORT SIM_LOG "
                 "ECHO_PORT\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 1;
  {
    BoxWatcher boxes(kBoxTitle);
    try {
      status = Run(options, boxes);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
    }
  }
  CoUninitialize();
  return status;
}
