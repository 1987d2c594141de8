#include "testing/fake/fake_event_loop.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace quorvix::fake {

struct FakeEventLoop::TimerState {
  Clock::time_point start;
  std::chrono::milliseconds interval;
  std::function<void()> tick;
  Clock::time_point next_due;
  bool alive = true;
  bool running = false;
};

// Only marks the state dead, so that a source outliving its loop is harmless.
class FakeEventLoop::Source final : public TimerSource {
 public:
  explicit Source(std::shared_ptr<TimerState> state)
      : state_(std::move(state)) {}
  ~Source() override { state_->alive = false; }

 private:
  std::shared_ptr<TimerState> state_;
};

namespace {

// The first beat start + k * interval (k >= 1) strictly after `now`.
Clock::time_point NextBeatAfter(Clock::time_point start,
                                std::chrono::milliseconds interval,
                                Clock::time_point now) {
  if (now < start) return start + interval;
  const auto beats = (now - start) / interval + 1;
  return start + beats * interval;
}

}  // namespace

void FakeEventLoop::Schedule(Clock::time_point due, int due_pump,
                             std::function<void()> run) {
  if (!run) throw std::invalid_argument("FakeEventLoop: empty event");
  events_.push_back(Event{next_seq_++, due, due_pump, std::move(run)});
}

void FakeEventLoop::Post(std::function<void()> event) {
  Schedule(now_, 0, std::move(event));
}

void FakeEventLoop::PostAt(Clock::time_point when,
                           std::function<void()> event) {
  Schedule(when, 0, std::move(event));
}

void FakeEventLoop::PostAfter(std::chrono::milliseconds delay,
                              std::function<void()> event) {
  Schedule(now_ + delay, 0, std::move(event));
}

void FakeEventLoop::PostInPump(int pump, std::function<void()> event) {
  if (pump < 1) throw std::invalid_argument("FakeEventLoop: pump must be >= 1");
  Schedule(now_, pumps_ + pump, std::move(event));
}

bool FakeEventLoop::IsPending(const Event& event, int pump) const {
  return event.due <= now_ && event.due_pump <= pump;
}

bool FakeEventLoop::IsDue(const TimerState& timer) const {
  return timer.alive && !timer.running && timer.next_due <= now_;
}

bool FakeEventLoop::HasPending() const {
  const int next = pumps_ + 1;
  return std::any_of(events_.begin(), events_.end(),
                     [&](const Event& e) { return IsPending(e, next); }) ||
         std::any_of(timers_.begin(), timers_.end(),
                     [&](const auto& t) { return IsDue(*t); });
}

void FakeEventLoop::PumpPending() { Pump(); }

void FakeEventLoop::WaitAndPump(Clock::time_point deadline) {
  ++waits_;
  if (!HasPending()) {
    const int next = pumps_ + 1;
    Clock::time_point wake = deadline;
    for (const Event& e : events_) {
      if (e.due_pump <= next) wake = std::min(wake, e.due);
    }
    for (const auto& t : timers_) {
      if (t->alive && !t->running) wake = std::min(wake, t->next_due);
    }
    now_ = std::max(now_, wake);
  }
  Pump();
}

void FakeEventLoop::Pump() {
  const int pump = ++pumps_;
  ++depth_;
  max_depth_ = std::max(max_depth_, depth_);

  // Take what is pending now; whatever is posted while it runs waits for
  // the next pump.
  std::vector<Event> batch;
  auto rest = std::stable_partition(
      events_.begin(), events_.end(),
      [&](const Event& e) { return !IsPending(e, pump); });
  std::move(rest, events_.end(), std::back_inserter(batch));
  events_.erase(rest, events_.end());
  std::stable_sort(batch.begin(), batch.end(),
                   [](const Event& a, const Event& b) {
                     return a.due != b.due ? a.due < b.due : a.seq < b.seq;
                   });

  std::vector<std::shared_ptr<TimerState>> due_timers;
  for (const auto& t : timers_) {
    if (IsDue(*t)) due_timers.push_back(t);
  }

  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } guard{depth_};

  for (Event& e : batch) e.run();

  for (const auto& t : due_timers) {
    // An earlier handler may have stopped or restarted it.
    if (!IsDue(*t)) continue;
    t->running = true;
    const std::function<void()> tick = t->tick;  // survives a stop inside
    struct RunningGuard {
      TimerState& timer;
      const Clock::time_point& now;
      ~RunningGuard() {
        timer.running = false;
        // Beats that fell due while the tick ran are skipped, not queued.
        timer.next_due = NextBeatAfter(timer.start, timer.interval, now);
      }
    } running_guard{*t, now_};
    tick();
  }
  PruneTimers();
}

void FakeEventLoop::Sleep(std::chrono::milliseconds duration) {
  if (duration.count() < 0)
    throw std::invalid_argument("FakeEventLoop: negative sleep");
  ++sleeps_;
  slept_ += duration;
  now_ += duration;
}

void FakeEventLoop::Advance(std::chrono::milliseconds duration) {
  if (duration.count() < 0)
    throw std::invalid_argument("FakeEventLoop: time runs forward");
  now_ += duration;
}

void FakeEventLoop::RunFor(std::chrono::milliseconds duration) {
  const Clock::time_point until = now_ + duration;
  // A handler that reposts itself forever would otherwise hang the test.
  constexpr int kMaxRounds = 1'000'000;
  for (int round = 0;; ++round) {
    if (now_ >= until && !HasPending()) return;
    if (round == kMaxRounds) {
      throw std::logic_error("FakeEventLoop::RunFor: events never settle");
    }
    WaitAndPump(until);
  }
}

std::unique_ptr<TimerSource> FakeEventLoop::StartTimer(
    std::chrono::milliseconds interval, std::function<void()> tick) {
  if (interval.count() <= 0) {
    throw std::invalid_argument("FakeEventLoop: timer interval must be > 0");
  }
  if (!tick) throw std::invalid_argument("FakeEventLoop: empty tick");
  auto state = std::make_shared<TimerState>();
  state->start = now_;
  state->interval = interval;
  state->tick = std::move(tick);
  state->next_due = now_ + interval;
  PruneTimers();
  timers_.push_back(state);
  return std::make_unique<Source>(std::move(state));
}

void FakeEventLoop::PruneTimers() {
  if (depth_ > 0) return;  // a pump further out may still hold them
  std::erase_if(timers_, [](const auto& t) { return !t->alive; });
}

std::size_t FakeEventLoop::ActiveTimers() const {
  return static_cast<std::size_t>(std::count_if(
      timers_.begin(), timers_.end(), [](const auto& t) { return t->alive; }));
}

std::vector<std::chrono::milliseconds> FakeEventLoop::TimerIntervals() const {
  std::vector<std::chrono::milliseconds> intervals;
  for (const auto& t : timers_) {
    if (t->alive) intervals.push_back(t->interval);
  }
  return intervals;
}

void FakeEventLoop::ResetCounters() {
  // Events waiting for a pump keep their distance from the next one.
  for (Event& e : events_) e.due_pump = std::max(0, e.due_pump - pumps_);
  pumps_ = waits_ = sleeps_ = 0;
  slept_ = std::chrono::milliseconds{0};
  max_depth_ = depth_;
}

}  // namespace quorvix::fake
