#pragma once
// The simulator's "stats" and "dump" answers, parsed.

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "tools/host/sim_process.h"

namespace quorvix::soak {

// Counter name -> value, from "ok stats frames=N ...".
std::map<std::string, long> Stats(host::SimProcess& sim);

// Output channels 1..512 (index 0 unused), from "ok dump CH=VALUE ...".
std::array<std::uint8_t, 513> Universe(host::SimProcess& sim);

}  // namespace quorvix::soak
