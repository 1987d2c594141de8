#include "testing/fake/fake_serial.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/error.h"

namespace quorvix::fake {

struct Rule {
  std::string written;
  std::vector<ReplyPiece> reply;
  int uses_left;
};

// One opening of a port; gone (and silent) once the connection is closed.
struct Line {
  int port;
  std::function<void()> on_receive;
  std::string received;
  bool open = true;
  bool vanished = false;
};

struct FakeSerial::Core {
  std::map<int, int> open_failures;
  std::vector<int> existing_ports;
  std::vector<Rule> rules;
  std::function<void(std::string_view)> write_hook;
  std::function<std::optional<std::size_t>()> queued_bytes;
  bool fail_writes = false;
  bool mute_reads = false;
  int unplugged_port = 0;

  std::shared_ptr<Line> line;
  std::vector<OpenRecord> opens;
  int open_attempts = 0;
  int closes = 0;
  std::vector<std::string> writes;
  int notifications = 0;
  int reads = 0;
};

namespace {

// Posted for each arriving piece: the bytes land when the event runs, so each
// notification finds just its own piece unless earlier ones went unread.
std::function<void()> Arrival(std::shared_ptr<void> core_keepalive,
                              std::weak_ptr<Line> target, std::string bytes,
                              int* notifications) {
  return [core_keepalive, target, bytes = std::move(bytes), notifications] {
    const auto line = target.lock();
    if (!line || !line->open) return;  // arrived after the port was closed
    line->received += bytes;
    ++*notifications;
    const std::function<void()> notify =
        line->on_receive;  // may close the port
    if (notify) notify();
  };
}

}  // namespace

class FakeSerial::Connection final : public SerialConnection {
 public:
  Connection(std::shared_ptr<Core> core, FakeEventLoop& loop,
             std::shared_ptr<Line> line)
      : core_(std::move(core)), loop_(loop), line_(std::move(line)) {}

  ~Connection() override {
    line_->open = false;
    line_->on_receive = nullptr;
    if (core_->line == line_) core_->line.reset();
    ++core_->closes;
  }

  void Write(std::string_view bytes) override {
    if (line_->vanished) {
      throw Error(
          kDeviceFailed,
          "The device on COM" + std::to_string(line_->port) + " has vanished");
    }
    if (core_->fail_writes) {
      throw Error(kDeviceFailed, "The device on COM" +
                                     std::to_string(line_->port) +
                                     " vanished during a write");
    }
    const std::string data(bytes);
    core_->writes.push_back(data);
    const auto rule = std::find_if(
        core_->rules.begin(), core_->rules.end(),
        [&](const Rule& r) { return r.written == data && r.uses_left != 0; });
    if (rule != core_->rules.end()) {
      if (rule->uses_left > 0) --rule->uses_left;
      for (const ReplyPiece& piece : rule->reply) {
        auto arrival =
            Arrival(core_, line_, piece.bytes, &core_->notifications);
        if (piece.in_pump > 0) {
          loop_.PostInPump(piece.in_pump, std::move(arrival));
        } else {
          loop_.PostAfter(piece.after, std::move(arrival));
        }
      }
    }
    const auto hook = core_->write_hook;
    if (hook) hook(data);
  }

  bool Vanished() const override { return line_->vanished; }

  std::optional<std::size_t> QueuedBytes() const override {
    if (!core_->queued_bytes) return std::nullopt;
    return core_->queued_bytes();
  }

  std::string Read() override {
    ++core_->reads;
    if (core_->mute_reads || line_->vanished) return {};
    return std::exchange(line_->received, std::string());
  }

 private:
  std::shared_ptr<Core> core_;
  FakeEventLoop& loop_;
  std::shared_ptr<Line> line_;
};

FakeSerial::FakeSerial(FakeEventLoop& loop)
    : loop_(loop), core_(std::make_shared<Core>()) {}

FakeSerial::~FakeSerial() = default;

std::unique_ptr<SerialConnection> FakeSerial::Open(
    int port, const LineSettings& settings, std::function<void()> on_receive) {
  ++core_->open_attempts;
  const std::string name = "COM" + std::to_string(port);
  if (port < 1 || port > 255) {
    throw std::logic_error("FakeSerial: the driver asked for " + name);
  }
  if (const auto failure = core_->open_failures.find(port);
      failure != core_->open_failures.end()) {
    throw Error(failure->second, "Cannot open " + name + " (scripted failure)");
  }
  if (core_->line) {
    throw Error(kPortInUse, name + " is already open");
  }
  core_->opens.push_back(OpenRecord{port, settings});
  auto line = std::make_shared<Line>();
  line->port = port;
  line->on_receive = std::move(on_receive);
  core_->line = line;
  return std::make_unique<Connection>(core_, loop_, std::move(line));
}

void FakeSerial::MissingPort(int port) { FailOpen(port, kPortMissing); }
void FakeSerial::BusyPort(int port) { FailOpen(port, kPortInUse); }
void FakeSerial::FailOpen(int port, int error_number) {
  core_->open_failures[port] = error_number;
}
void FakeSerial::RestorePort(int port) { core_->open_failures.erase(port); }

std::vector<int> FakeSerial::ExistingPorts() const {
  std::vector<int> ports = core_->existing_ports;
  std::sort(ports.begin(), ports.end());
  return ports;
}
void FakeSerial::SetExistingPorts(std::vector<int> ports) {
  core_->existing_ports = std::move(ports);
}

void FakeSerial::OnWrite(std::string written, std::vector<ReplyPiece> reply,
                         int times) {
  core_->rules.push_back(Rule{std::move(written), std::move(reply), times});
}
void FakeSerial::ClearRules() { core_->rules.clear(); }
void FakeSerial::SetWriteHook(std::function<void(std::string_view)> hook) {
  core_->write_hook = std::move(hook);
}

void FakeSerial::Deliver(std::string bytes) {
  if (!core_->line) return;  // nobody listening: the bytes are lost
  core_->line->received += bytes;
  loop_.Post(Arrival(core_, core_->line, std::string(), &core_->notifications));
}

void FakeSerial::Notify() {
  if (!core_->line) return;
  loop_.Post(Arrival(core_, core_->line, std::string(), &core_->notifications));
}

void FakeSerial::FailWrites(bool fail) { core_->fail_writes = fail; }

void FakeSerial::Unplug() {
  if (!core_->line) return;
  core_->line->vanished = true;
  core_->line->received.clear();
  core_->unplugged_port = core_->line->port;
  MissingPort(core_->line->port);
  // The dead handle is closed at once: the port is free for a new opening.
  core_->line.reset();
}

void FakeSerial::Replug() {
  if (core_->unplugged_port == 0) return;
  RestorePort(core_->unplugged_port);
  core_->unplugged_port = 0;
}
void FakeSerial::MuteReads(bool mute) { core_->mute_reads = mute; }
void FakeSerial::SetQueuedBytes(
    std::function<std::optional<std::size_t>()> count) {
  core_->queued_bytes = std::move(count);
}

bool FakeSerial::IsOpen() const { return core_->line != nullptr; }
int FakeSerial::OpenPort() const { return core_->line ? core_->line->port : 0; }
const std::vector<OpenRecord>& FakeSerial::opens() const {
  return core_->opens;
}
int FakeSerial::open_attempts() const { return core_->open_attempts; }
int FakeSerial::closes() const { return core_->closes; }
const std::vector<std::string>& FakeSerial::writes() const {
  return core_->writes;
}
std::string FakeSerial::written() const {
  std::string all;
  for (const std::string& w : core_->writes) all += w;
  return all;
}
void FakeSerial::ClearWrites() { core_->writes.clear(); }
std::size_t FakeSerial::unread() const {
  return core_->line ? core_->line->received.size() : 0;
}
int FakeSerial::notifications() const { return core_->notifications; }
int FakeSerial::reads() const { return core_->reads; }

}  // namespace quorvix::fake
