#include "simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvix::sim {
namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kReceivedCapacity = kReadChunk;
constexpr std::size_t kOutgoingCapacity = 64 * 1024;
constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kDrainLimit =
    256 * 1024;  // per command, so input cannot starve us
constexpr std::size_t kFloodChunk = kReadChunk;
constexpr std::uint8_t kFloodByte = 0x55;
// A paced line is read and flooded in pieces of about this much line time.
constexpr nanoseconds kPacedSlice = std::chrono::milliseconds(2);

std::size_t BytesPerSlice(const PacedQueue& line, std::size_t unpaced) {
  if (line.ByteTime().count() == 0) return unpaced;
  return std::clamp<std::size_t>(
      static_cast<std::size_t>(kPacedSlice / line.ByteTime()), 1, unpaced);
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

Simulator::Simulator(PseudoTerminal pty, EventLog log)
    : pty_(std::move(pty)),
      log_(std::move(log)),
      received_(kReceivedCapacity),
      outgoing_(kOutgoingCapacity) {
  // What the driver's UART would hand over: a 16550 FIFO triggers at 14.
  outgoing_.SetBatch(14);
  Log(Clock::now(), "start pty " + pty_.path());
}

// ---- the line ------------------------------------------------------------

void Simulator::FollowPortSpeed(Time now) {
  if (!follow_port_speed_ || !pty_.open()) return;
  const long baud = pty_.Speed();
  if (baud == outgoing_.baud()) return;
  received_.SetBaud(baud);
  outgoing_.SetBaud(baud);
  Log(now, "line-speed " + std::to_string(baud));
}

void Simulator::ReadMaster(Time now) {
  if (!pty_.open()) return;
  FollowPortSpeed(now);
  const std::size_t room = kReceivedCapacity - received_.size();
  const std::size_t want = std::min(room, BytesPerSlice(received_, kReadChunk));
  if (want == 0) return;
  std::array<std::uint8_t, kReadChunk> buffer;
  const ssize_t n = ::read(pty_.master(), buffer.data(), want);
  const std::optional<Time> waiting_since = unread_since_;
  if (n <= 0 || static_cast<std::size_t>(n) < want) unread_since_.reset();
  if (n < 0 && errno == EIO) return HangUp(now);
  if (n <= 0) return;
  const std::span<const std::uint8_t> bytes(buffer.data(),
                                            static_cast<std::size_t>(n));
  stats_.rx_bytes += n;
  Log(now, "rx " + ToHex(bytes));
  // A paced line is read a slice at a time: while every read finds a full
  // slice, the driver's bytes have been waiting all along and go on the
  // line back to back, however late we woke.
  received_.Push(bytes, now, waiting_since);
  if (static_cast<std::size_t>(n) == want && !unread_since_) {
    unread_since_ = now;
  }
}

void Simulator::DrainMaster() {
  // Commands see every byte the driver has written before them, unless the
  // line is paced and those bytes are still on their way.
  if (received_.ByteTime().count() != 0) return;
  for (std::size_t drained = 0; pty_.open() && drained < kDrainLimit;) {
    const Time now = Clock::now();
    const long before = stats_.rx_bytes;
    ReadMaster(now);
    ProcessReceived(now);
    if (stats_.rx_bytes == before) break;
    drained += static_cast<std::size_t>(stats_.rx_bytes - before);
  }
  WriteOut(Clock::now());
}

void Simulator::ProcessReceived(Time now) {
  while (const std::size_t due = received_.Due(now)) {
    const Bytes bytes(
        received_.bytes().begin(),
        received_.bytes().begin() + static_cast<std::ptrdiff_t>(due));
    received_.Release(due, now);
    events_.clear();
    parser_.Feed(bytes, events_);
    for (const Event& event : events_) Handle(event, now);
  }
}

void Simulator::Handle(const Event& event, Time now) {
  struct Describe {
    Simulator& sim;
    std::string operator()(const ChannelFrame& f) const {
      ++sim.stats_.frames;
      const std::string rest =
          std::to_string(f.channel) + " " + std::to_string(f.value);
      if (!Universe::Contains(f.channel)) {
        ++sim.stats_.frames_ignored;
        return "frame-ignored " + rest;
      }
      sim.output_.Set(f.channel, f.value);
      return "frame " + rest;
    }
    std::string operator()(const HandshakeQuery&) const {
      ++sim.stats_.handshakes;
      return "handshake";
    }
    std::string operator()(const DmxInRequest& r) const {
      ++sim.stats_.dmxin_requests;
      return "dmxin-request " + std::to_string(r.count);
    }
    std::string operator()(const InfoRequest&) const {
      ++sim.stats_.info;
      return "info";
    }
    std::string operator()(const SetupRequest&) const {
      ++sim.stats_.setup;
      return "setup";
    }
    std::string operator()(const UnknownByte& u) const {
      ++sim.stats_.unknown;
      return "unknown " + ToHex(std::span(&u.byte, 1));
    }
    std::string operator()(const Malformed& m) const {
      ++sim.stats_.malformed;
      return "malformed " + ToHex(m.bytes);
    }
    std::string operator()(const Discarded& d) const {
      sim.stats_.discarded += static_cast<long>(d.bytes.size());
      return "discard " + ToHex(d.bytes);
    }
  };
  Log(now, std::visit(Describe{*this}, event));
  if (const auto reply = responder_.ReplyTo(event, input_)) {
    QueueReply(reply->kind, reply->bytes, now);
  } else if (const auto kind = Responder::KindOf(event)) {
    Log(now, "silent " + std::string(*kind));
  }
}

void Simulator::QueueReply(std::string_view kind, const Bytes& bytes,
                           Time now) {
  Log(now, "reply " + std::string(kind) + " " + ToHex(bytes));
  FollowPortSpeed(now);
  const std::size_t taken = pty_.open() ? outgoing_.Push(bytes, now) : 0;
  if (taken < bytes.size()) {
    stats_.dropped += static_cast<long>(bytes.size() - taken);
    Log(now, "dropped " + std::to_string(bytes.size() - taken));
  }
}

void Simulator::TopUpFlood(Time now) {
  if (!flood_ || !pty_.open() || !outgoing_.empty()) return;
  const Bytes chunk(BytesPerSlice(outgoing_, kFloodChunk), kFloodByte);
  flood_front_ = outgoing_.Push(chunk, now);
}

void Simulator::WriteOut(Time now) {
  write_blocked_ = false;
  while (pty_.open()) {
    const std::size_t due = std::min(outgoing_.Due(now), kReadChunk);
    if (due == 0) return;
    std::array<std::uint8_t, kReadChunk> buffer;
    std::copy_n(outgoing_.bytes().begin(), due, buffer.begin());
    const ssize_t n = ::write(pty_.master(), buffer.data(), due);
    if (n <= 0) {
      // No room in the pty (the driver is not reading): wait until there is.
      write_blocked_ = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
      return;
    }
    const auto written = static_cast<std::size_t>(n);
    const std::size_t flood = std::min(flood_front_, written);
    flood_front_ -= flood;
    if (flood > 0) {
      stats_.flood_bytes += static_cast<long>(flood);
      Log(now, "flood " + std::to_string(flood));
    }
    if (written > flood) {
      stats_.tx_bytes += static_cast<long>(written - flood);
      Log(now,
          "tx " + ToHex(std::span(buffer.data() + flood, written - flood)));
    }
    outgoing_.Release(written, now);
    TopUpFlood(now);
  }
}

void Simulator::Service(Time now) {
  ProcessReceived(now);
  ramps_.Advance(now, [&](int channel, std::uint8_t value) {
    ChangeInput(channel, value, now);
  });
  TopUpFlood(now);
  WriteOut(now);
}

void Simulator::HangUp(Time now) {
  // Only a vanished device gets here: our own slave descriptor keeps the
  // master up while drivers come and go.
  pty_.Close();
  received_.Clear();
  outgoing_.Clear();
  flood_front_ = 0;
  Log(now, "vanish");
}

std::optional<Time> Simulator::NextWake(Time now) const {
  std::optional<Time> wake;
  const auto earliest = [&](std::optional<Time> t) {
    if (t && (!wake || *t < *wake)) wake = t;
  };
  earliest(received_.NextRelease());
  if (!write_blocked_) earliest(outgoing_.NextRelease());
  earliest(ramps_.NextStep());
  if (wake && *wake < now) wake = now;
  return wake;
}

// ---- commands ------------------------------------------------------------

void Simulator::ChangeInput(int channel, std::uint8_t value, Time now) {
  input_.Set(channel, value);
  Log(now, "input " + std::to_string(channel) + " " + std::to_string(value));
}

std::string Simulator::DumpAnswer() const {
  std::string answer = "ok dump";
  for (int channel = 1; channel <= Universe::kChannels; ++channel) {
    if (const int value = output_.Get(channel)) {
      answer += " " + std::to_string(channel) + "=" + std::to_string(value);
    }
  }
  return answer;
}

std::string Simulator::StatsAnswer() const {
  const auto field = [](std::string_view name, long value) {
    return " " + std::string(name) + "=" + std::to_string(value);
  };
  return "ok stats" + field("frames", stats_.frames) +
         field("frames-ignored", stats_.frames_ignored) +
         field("handshakes", stats_.handshakes) +
         field("dmxin-requests", stats_.dmxin_requests) +
         field("info", stats_.info) + field("setup", stats_.setup) +
         field("unknown", stats_.unknown) +
         field("malformed", stats_.malformed) +
         field("discarded", stats_.discarded) +
         field("rx-bytes", stats_.rx_bytes) +
         field("tx-bytes", stats_.tx_bytes) +
         field("flood-bytes", stats_.flood_bytes) +
         field("dropped", stats_.dropped);
}

std::string Simulator::Execute(const Command& command) {
  const Time now = Clock::now();
  using namespace command;
  const auto number = [](long n) { return std::to_string(n); };
  if (const auto* c = std::get_if<SetInput>(&command)) {
    ramps_.Cancel(c->channel);
    ChangeInput(c->channel, c->value, now);
    return "ok in " + number(c->channel) + " " + number(c->value);
  }
  if (const auto* c = std::get_if<ShowInput>(&command)) {
    return "ok in " + number(c->channel) + " " + number(input_.Get(c->channel));
  }
  if (const auto* c = std::get_if<command::Ramp>(&command)) {
    ramps_.Start(c->channel, c->from, c->to, c->step, now,
                 [&](int channel, std::uint8_t value) {
                   ChangeInput(channel, value, now);
                 });
    return "ok ramp " + number(c->channel) + " " + number(c->from) + " " +
           number(c->to) + " " + number(c->step.count());
  }
  if (const auto* c = std::get_if<ShowOutput>(&command)) {
    return "ok out " + number(c->channel) + " " +
           number(output_.Get(c->channel));
  }
  if (std::holds_alternative<Dump>(command)) return DumpAnswer();
  if (std::holds_alternative<command::Stats>(command)) return StatsAnswer();
  if (const auto* c = std::get_if<Silent>(&command)) {
    responder_.silent = c->on;
    return "ok silent " + OnOff(c->on);
  }
  if (const auto* c = std::get_if<HandshakeReply>(&command)) {
    responder_.handshake_reply = c->reply;
    return "ok reply-handshake " + ToHex(c->reply);
  }
  if (const auto* c = std::get_if<Trailer>(&command)) {
    responder_.trailer = c->byte;
    return "ok trailer " + ToHex(std::span(&c->byte, 1));
  }
  if (const auto* c = std::get_if<Split>(&command)) {
    outgoing_.SetSplit(c->gap);
    return c->gap ? "ok split on " + number(c->gap->count()) : "ok split off";
  }
  if (const auto* c = std::get_if<Baud>(&command)) {
    follow_port_speed_ = c->baud == kFollowPort;
    const long baud = follow_port_speed_ ? pty_.Speed() : c->baud;
    received_.SetBaud(baud);
    outgoing_.SetBaud(baud);
    if (follow_port_speed_) return "ok baud auto " + number(baud);
    return baud ? "ok baud " + number(baud) : "ok baud off";
  }
  if (const auto* c = std::get_if<Flood>(&command)) {
    flood_ = c->on;
    return "ok flood " + OnOff(c->on);
  }
  if (std::holds_alternative<Vanish>(command)) {
    if (pty_.open()) HangUp(now);
    if (on_replug_) on_replug_(std::string());
    return "ok vanish";
  }
  if (const auto* c = std::get_if<Replug>(&command)) {
    if (pty_.open()) HangUp(now);
    pty_ = PseudoTerminal();
    if (c->reset) output_ = Universe();
    // Half a request from the old line must not join the new one's bytes.
    parser_ = ProtocolParser();
    Log(now, std::string(c->reset ? "replug reset" : "replug") + " pty " +
                 pty_.path());
    if (on_replug_) on_replug_(pty_.path());
    return "ok replug " + pty_.path();
  }
  quit_ = true;
  return "ok quit";
}

void Simulator::Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Simulator::RunLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const ParsedCommand parsed = ParseCommand(line);
  if (!parsed.command && parsed.error.empty()) return;
  DrainMaster();
  Log(Clock::now(), "cmd " + std::string(line));
  Answer(parsed.command ? Execute(*parsed.command) : "error " + parsed.error);
}

void Simulator::TakeCommandsFrom(int fd, bool end_quits) {
  input_fd_ = fd;
  input_open_ = fd >= 0;
  input_end_quits_ = end_quits;
}

void Simulator::ReadInput() {
  std::array<char, kReadChunk> buffer;
  const ssize_t n = ::read(input_fd_, buffer.data(), buffer.size());
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    input_open_ = false;
    if (!input_buffer_.empty() && !skipping_long_line_) RunLine(input_buffer_);
    quit_ = input_end_quits_;
    return;
  }
  for (const char c :
       std::string_view(buffer.data(), static_cast<std::size_t>(n))) {
    if (c == '\n') {
      if (!skipping_long_line_) RunLine(input_buffer_);
      skipping_long_line_ = false;
      input_buffer_.clear();
      if (quit_) return;
    } else if (!skipping_long_line_) {
      input_buffer_ += c;
      if (input_buffer_.size() > kMaxLine) {
        Answer("error command line longer than " + std::to_string(kMaxLine) +
               " bytes");
        skipping_long_line_ = true;
        input_buffer_.clear();
      }
    }
  }
}

// ---- the loop ------------------------------------------------------------

int Simulator::Run(const StopSignals& signals) {
  while (!quit_ && !StopSignals::raised()) {
    const Time now = Clock::now();
    Service(now);

    std::array<pollfd, 2> fds{};
    nfds_t count = 0;
    if (input_open_) fds[count++] = {input_fd_, POLLIN, 0};
    const nfds_t master_at = count;
    if (pty_.open()) {
      short events = 0;
      // A paced line reads the next slice while the last one is still on
      // the line, so that it never falls idle while the driver has more.
      if (received_.size() < BytesPerSlice(received_, kReadChunk))
        events |= POLLIN;
      if (write_blocked_) events |= POLLOUT;
      fds[count++] = {pty_.master(), events, 0};
    }

    timespec timeout{};
    const auto wake = NextWake(now);
    if (wake) {
      const auto wait =
          std::chrono::duration_cast<nanoseconds>(*wake - now).count();
      timeout.tv_sec = static_cast<time_t>(wait / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(wait % 1'000'000'000);
    }
    const int ready = ::ppoll(fds.data(), count, wake ? &timeout : nullptr,
                              &signals.wait_mask());
    if (ready < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "quorvix-sim: poll failed: %s\n",
                   std::strerror(errno));
      return 1;
    }
    const Time woke = Clock::now();
    if (pty_.open() && master_at < count) {
      const short revents = fds[master_at].revents;
      // Asked and found empty: the line may fall idle from here on.
      if ((fds[master_at].events & POLLIN) && !(revents & POLLIN))
        unread_since_.reset();
      if (revents & POLLIN) {
        ReadMaster(woke);
        ProcessReceived(woke);
      } else if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
        HangUp(woke);
      }
    }
    if (input_open_ && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
      ReadInput();
  }
  Log(Clock::now(), "exit");
  return 0;
}

}  // namespace quorvix::sim
