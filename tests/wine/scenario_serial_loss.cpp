// The Win32 serial back end on its own, losing its device in ways the
// simulator cannot show: a driver that ends the pending read as aborted (what
// many USB serial drivers do when the adapter is pulled), and a port whose
// writes fail while it no longer answers a status query.
#include <windows.h>
// After windows.h.
#include <tlhelp32.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/hidden_window_loop.h"
#include "platform/win32/serial_connection.h"
#include "platform/win32/serial_port.h"
#include "scenario_tools.h"

using quorvix::win32::HiddenWindowLoop;
using quorvix::win32::UniqueHandle;

namespace {

constexpr char kVanished[] = "[Quorvix] COM5: device vanished (";

class RecordingTrace final : public quorvix::TraceSink {
 public:
  bool Listening() const override { return true; }
  void Write(std::string_view line) override { lines_.emplace_back(line); }
  bool Saw(const std::string& start) const {
    for (const std::string& line : lines_) {
      if (line.rfind(start, 0) == 0) return true;
    }
    return false;
  }

 private:
  std::vector<std::string> lines_;
};

std::set<DWORD> OwnThreads() {
  std::set<DWORD> ids;
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) {
      ids.insert(entry.th32ThreadID);
    }
  }
  return ids;
}

// A connection on the simulator's port, with a second handle to the port
// (to abort its reads as the driver would) and its reader thread.
struct Port {
  std::unique_ptr<quorvix::SerialConnection> connection;
  UniqueHandle spare;
  UniqueHandle reader;
};

Port OpenPort(HostContext& host, HiddenWindowLoop& loop, RecordingTrace& trace,
              std::function<void()> on_receive) {
  const quorvix::LineSettings settings{38400};
  const std::wstring path = L"\\\\.\\COM" + host.sim_port;
  UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                                  nullptr));
  Port port;
  HANDLE spare = nullptr;
  if (!host.checks.Expect(handle.is_valid() &&
                              DuplicateHandle(GetCurrentProcess(), handle.get(),
                                              GetCurrentProcess(), &spare, 0,
                                              FALSE, DUPLICATE_SAME_ACCESS),
                          "COM5 opened, with a second handle")) {
    return port;
  }
  port.spare = UniqueHandle(spare);
  quorvix::win32::ConfigurePort(handle.get(), 5, settings);
  const std::set<DWORD> before = OwnThreads();
  port.connection = quorvix::win32::ConnectPort(
      loop, trace, 5, settings, std::move(handle), std::move(on_receive));
  for (const DWORD id : OwnThreads()) {
    if (!before.count(id)) {
      port.reader = UniqueHandle(OpenThread(SYNCHRONIZE, FALSE, id));
    }
  }
  host.checks.Expect(port.reader.is_valid(), "the reader thread is found");
  return port;
}

// Ends the reader's pending read as aborted, until its thread has ended.
bool AbortReads(const Port& port) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    CancelIoEx(port.spare.get(), nullptr);
    if (WaitForSingleObject(port.reader.get(), 20) == WAIT_OBJECT_0) {
      return true;
    }
  }
  return false;
}

void AbortedReadIsALoss(HostContext& host, HiddenWindowLoop& loop) {
  RecordingTrace trace;
  Port port = OpenPort(host, loop, trace, [] {});
  if (!port.connection) return;
  host.checks.Expect(AbortReads(port), "the reader ends on the aborted read");
  host.PumpUntil([&] { return port.connection->Vanished(); });
  host.checks.Expect(port.connection->Vanished() && trace.Saw(kVanished),
                     "a read the driver aborts is the device's loss");
}

// `close_port`: the handler closes the port as soon as bytes arrive.
void BytesBeforeTheLossAreRead(HostContext& host, HiddenWindowLoop& loop,
                               bool close_port) {
  RecordingTrace trace;
  std::optional<Port> port;
  std::string got;
  bool found_vanished = false;
  // Like the serial control: a vanished port is dropped unread.
  port.emplace(OpenPort(host, loop, trace, [&] {
    if (port->connection->Vanished()) {
      found_vanished = true;
      port->connection.reset();
      return;
    }
    got += port->connection->Read();
    if (close_port) port->connection.reset();
  }));
  if (!port->connection) return;
  port->connection->Write("I");
  // The bytes' notification waits, not dispatched, while the read aborts.
  MSG message;
  for (const DWORD start = GetTickCount();
       GetTickCount() - start < 5000 &&
       !PeekMessageW(&message, loop.window(), HiddenWindowLoop::kReceiveMessage,
                     HiddenWindowLoop::kReceiveMessage, PM_NOREMOVE);) {
    Sleep(5);
  }
  host.checks.Expect(AbortReads(*port), "the reader ends on the aborted read");
  host.PumpUntil(
      [&] { return !port->connection || port->connection->Vanished(); });
  std::string reply;
  for (const std::string& event : host.SimEvents("reply")) {
    if (event.rfind("info ", 0) == 0) reply = FromHex(event.substr(5));
  }
  const std::string what = close_port ? " (the handler closes the port)" : "";
  host.checks.Expect(
      !found_vanished && !got.empty() && reply.rfind(got, 0) == 0,
      "the bytes read before the loss reach the handler" + what,
      "got \"" + got + "\" of \"" + reply + "\"");
  if (close_port) {
    host.Pump(50);
    host.checks.Expect(!port->connection && !trace.Saw(kVanished),
                       "a port the handler closed reports no loss");
  } else {
    host.checks.Expect(port->connection && port->connection->Vanished() &&
                           trace.Saw(kVanished),
                       "then the loss is reported");
  }
}

// A pipe that takes no writes: the writes fail, and a pipe answers no comm
// status query, as a pulled adapter's driver does not.
void FailedWriteOnAMutePortIsALoss(HostContext& host, HiddenWindowLoop& loop) {
  const std::wstring name = L"\\\\.\\pipe\\quorvix-serial-loss-" +
                            std::to_wstring(GetCurrentProcessId());
  UniqueHandle pipe(CreateNamedPipeW(name.c_str(),
                                     PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE, 1, 0, 4096, 0, nullptr));
  const UniqueHandle writer(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  if (!host.checks.Expect(pipe.is_valid() && writer.is_valid(),
                          "a one-way pipe")) {
    return;
  }
  RecordingTrace trace;
  const auto connection = quorvix::win32::ConnectPort(
      loop, trace, 5, quorvix::LineSettings{38400}, std::move(pipe), [] {});
  int number = 0;
  try {
    connection->Write("x");
  } catch (const quorvix::Error& error) {
    number = error.number();
  }
  host.checks.Expect(number == quorvix::kDeviceFailed &&
                         connection->Vanished() && trace.Saw(kVanished),
                     "a failed write on a port that no longer answers is the "
                     "device's loss");
}

}  // namespace

void ScenarioSerialLoss(HostContext& host) {
  HiddenWindowLoop loop(GetModuleHandleW(nullptr), "serial loss");
  AbortedReadIsALoss(host, loop);
  BytesBeforeTheLossAreRead(host, loop, false);
  BytesBeforeTheLossAreRead(host, loop, true);
  FailedWriteOnAMutePortIsALoss(host, loop);
}
