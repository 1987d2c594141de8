#include "sim_stats.h"

#include <sstream>
#include <stdexcept>

#include "soak_host.h"

namespace quorvix::soak {
namespace {

// The words after "ok <what>", or a failure naming the answer.
std::istringstream Answer(host::SimProcess& sim, const std::string& what) {
  const std::string answer = sim.Command(what);
  const std::string prefix = "ok " + what;
  if (answer.rfind(prefix, 0) != 0) {
    throw SoakFailure("the simulator answered \"" + answer + "\" to " + what);
  }
  return std::istringstream(answer.substr(prefix.size()));
}

}  // namespace

std::map<std::string, long> Stats(host::SimProcess& sim) {
  std::istringstream words = Answer(sim, "stats");
  std::map<std::string, long> counters;
  std::string word;
  while (words >> word) {
    const auto equals = word.find('=');
    if (equals == std::string::npos) continue;
    counters[word.substr(0, equals)] = std::stol(word.substr(equals + 1));
  }
  return counters;
}

std::array<std::uint8_t, 513> Universe(host::SimProcess& sim) {
  std::istringstream words = Answer(sim, "dump");
  std::array<std::uint8_t, 513> universe{};
  std::string word;
  while (words >> word) {
    const auto equals = word.find('=');
    if (equals == std::string::npos) continue;
    const int channel = std::stoi(word.substr(0, equals));
    if (channel < 1 || channel > 512) throw SoakFailure("dump: " + word);
    universe[channel] =
        static_cast<std::uint8_t>(std::stoi(word.substr(equals + 1)));
  }
  return universe;
}

}  // namespace quorvix::soak
