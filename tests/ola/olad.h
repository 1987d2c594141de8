#pragma once
// The real olad for the tests, inside the test's private network namespace:
// a fresh config folder owned by an unprivileged user, every plug-in
// disabled, no web server, no DNS-SD; run as that user.

#include <filesystem>
#include <memory>
#include <string>

#include "child_process.h"

namespace quorvix::ola_testing {

// The interface names `ip -o link` shows.
std::string NetworkLinks();

// Pids of olad processes whose network namespace is `netns` (as readlink
// /proc/PID/ns/net shows it), separated by spaces; empty when none.
std::string OladPidsIn(const std::string& netns);

class Olad {
 public:
  // Prepares `folder` (created): lets olad write its default config there,
  // then disables every plug-in in it. Throws std::runtime_error.
  explicit Olad(const std::filesystem::path& folder);

  // Starts it and waits until it takes clients; throws if it does not.
  void Start();
  // SIGTERM and wait.
  void Stop();

  const std::filesystem::path& config() const { return config_; }
  std::string Log() const;

 private:
  std::filesystem::path folder_;
  std::filesystem::path config_;
  std::unique_ptr<ChildProcess> process_;
};

// Whether something accepts connections on 127.0.0.1:9010.
bool OladListening();

}  // namespace quorvix::ola_testing
