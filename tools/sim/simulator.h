#pragma once
// The transmitter's event loop: one ppoll() over standard input and the
// pseudo-terminal master, with a timeout for the next paced byte or ramp
// step. Nothing spins: the master is watched for writing only while a byte
// is due and the pty has no room, and for reading only while the line can
// take more. Memory stays bounded: the outgoing queue is capped (excess
// reply bytes are dropped and logged), the flood adds bytes only while that
// queue is empty, and an overlong command line is refused.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "event_log.h"
#include "paced_queue.h"
#include "protocol_parser.h"
#include "pseudo_terminal.h"
#include "ramps.h"
#include "responder.h"
#include "stop_signals.h"
#include "universe.h"

namespace quorvix::sim {

struct Stats {
  long frames = 0;          // well-formed channel frames, any channel
  long frames_ignored = 0;  // of those, channel outside 1..512
  long handshakes = 0;
  long dmxin_requests = 0;
  long info = 0;
  long setup = 0;
  long unknown = 0;
  long malformed = 0;
  long discarded = 0;  // bytes skipped after a malformed frame
  long rx_bytes = 0;
  long tx_bytes = 0;  // reply bytes written
  long flood_bytes = 0;
  long dropped = 0;  // reply bytes that did not fit the outgoing queue
};

class Simulator {
 public:
  Simulator(PseudoTerminal pty, EventLog log);

  // Applies a command; returns its one-line answer ("ok ..." or "error ...").
  std::string Execute(const Command& command);

  // Runs after a replug with the fresh pseudo-terminal's path (to move the
  // device link there), and after a vanish with an empty one (the link goes,
  // as a pulled adapter's device node does).
  void OnReplug(std::function<void(const std::string&)> handler) {
    on_replug_ = std::move(handler);
  }

  // Commands come from `fd` (standard input unless told; -1: none, until a
  // stop signal). With `end_quits` false, the end of its input only ends the
  // commands, not the run.
  void TakeCommandsFrom(int fd, bool end_quits);

  // Runs until quit, end of input or a stop signal. Returns the exit code.
  int Run(const StopSignals& signals);

 private:
  void Service(Time now);
  void HangUp(Time now);
  void ReadMaster(Time now);
  void DrainMaster();
  void ProcessReceived(Time now);
  void Handle(const Event& event, Time now);
  void QueueReply(std::string_view kind, const Bytes& bytes, Time now);
  void TopUpFlood(Time now);
  void WriteOut(Time now);
  void ReadInput();
  void RunLine(std::string_view line);
  void FollowPortSpeed(Time now);
  void ChangeInput(int channel, std::uint8_t value, Time now);
  std::optional<Time> NextWake(Time now) const;
  std::string DumpAnswer() const;
  std::string StatsAnswer() const;
  void Answer(const std::string& line);
  void Log(Time at, std::string_view event) { log_.Write(at, event); }

  PseudoTerminal pty_;
  EventLog log_;
  ProtocolParser parser_;
  Responder responder_;
  Universe output_;
  Universe input_;
  Ramps ramps_;
  PacedQueue received_;
  // Since when every read has filled its slice: the pty has held more.
  std::optional<Time> unread_since_;
  PacedQueue outgoing_;
  std::size_t flood_front_ = 0;  // flood bytes at the front of outgoing_
  bool flood_ = false;
  bool follow_port_speed_ = false;
  bool write_blocked_ = false;  // the pty had no room for a due byte
  Stats stats_;
  std::string input_buffer_;
  bool skipping_long_line_ = false;
  bool input_open_ = true;
  int input_fd_ = 0;  // standard input
  bool input_end_quits_ = true;
  bool quit_ = false;
  std::vector<Event> events_;
  std::function<void(const std::string&)> on_replug_;
};

}  // namespace quorvix::sim
