#pragma once
// The soak's scenarios. Each prints its figures, one "  name: value" line
// each, and throws SoakFailure only for what must never happen: a frame lost
// or corrupted on the line, a report lost, doubled or out of order, memory
// growing under a flood.

#include "soak_host.h"

namespace quorvix::soak {

// `frames` channel frames as fast as the host can send them.
void Frames(const Paths& paths, long frames);
// The transmitter floods while the host keeps sending: a warm-up, then
// `seconds` in which memory must not grow past a small bound.
void Flood(const Paths& paths, int seconds);
// `changes` input changes on a paced 38400-baud line, each reported once.
void InputChanges(const Paths& paths, long changes);
// SetChannel as fast as the host can call it for `seconds` on a paced line.
void LineRate(const Paths& paths, long baud, int seconds);

}  // namespace quorvix::soak
