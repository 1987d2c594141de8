#include "olad.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quorvix::ola_testing {
namespace {

constexpr const char* kUser = "nobody";
constexpr const char* kGroup = "nogroup";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void OwnByUser(const std::filesystem::path& path) {
  const passwd* user = getpwnam(kUser);
  if (user == nullptr) {
    throw std::runtime_error(std::string("no user ") + kUser + " to run olad");
  }
  if (chown(path.c_str(), user->pw_uid, user->pw_gid) != 0) {
    throw std::runtime_error("cannot give " + path.string() + " to " + kUser);
  }
}

// Every "enabled = true" in the plug-ins' files becomes false; returns how
// many files were found (file names differ between OLA versions).
int DisableEveryPlugin(const std::filesystem::path& config) {
  int files = 0;
  const std::regex enabled(R"(^(\s*enabled\s*=\s*)true\s*$)",
                           std::regex::multiline);
  for (const auto& entry : std::filesystem::directory_iterator(config)) {
    if (entry.path().extension() != ".conf") continue;
    const std::string text = ReadAll(entry.path());
    if (text.find("enabled") == std::string::npos) continue;
    ++files;
    std::ofstream(entry.path()) << std::regex_replace(text, enabled, "$1false");
  }
  return files;
}

bool WaitUntil(const auto& condition, std::chrono::seconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

}  // namespace

std::string NetworkLinks() {
  std::string links;
  FILE* pipe = popen("ip -o link", "r");
  if (pipe == nullptr) return "(ip -o link failed)";
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    // "1: lo: <LOOPBACK,...": the name between the first two ": ".
    const std::string text(line);
    const auto first = text.find(": ");
    const auto second = text.find(": ", first + 2);
    if (first == std::string::npos || second == std::string::npos) continue;
    std::string name = text.substr(first + 2, second - first - 2);
    name = name.substr(0, name.find('@'));
    links += (links.empty() ? "" : " ") + name;
  }
  pclose(pipe);
  return links;
}

std::string OladPidsIn(const std::string& netns) {
  std::string pids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string comm = ReadAll(entry.path() / "comm");
    if (comm != "olad\n") continue;
    std::error_code error;
    const auto ns =
        std::filesystem::read_symlink(entry.path() / "ns" / "net", error);
    if (!error && ns.string() == netns) pids += (pids.empty() ? "" : " ") + pid;
  }
  return pids;
}

bool OladListening() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(9010);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected =
      connect(fd, reinterpret_cast<const sockaddr*>(&address),
              sizeof address) == 0;
  close(fd);
  return connected;
}

Olad::Olad(const std::filesystem::path& folder)
    : folder_(folder), config_(folder / "olad-config") {
  std::filesystem::create_directories(config_);
  OwnByUser(config_);
  // Its defaults enable network plug-ins: written here, inside the
  // namespace, and switched off before olad runs for the test.
  Start();
  Stop();
  if (DisableEveryPlugin(config_) == 0) {
    throw std::runtime_error("olad wrote no plug-in configuration to " +
                             config_.string() + ":\n" + Log());
  }
}

void Olad::Start() {
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"setpriv", std::string("--reuid=") + kUser,
                               std::string("--regid=") + kGroup,
                               "--clear-groups", "olad", "--config-dir",
                               config_.string(), "--no-http",
                               "--no-register-with-dns-sd", "--log-level", "2"},
      (folder_ / "olad.log").string());
  if (!WaitUntil([&] { return OladListening() || !process_->Running(); },
                 std::chrono::seconds(20)) ||
      !process_->Running()) {
    throw std::runtime_error("olad did not start:\n" + Log());
  }
}

void Olad::Stop() {
  if (!process_) return;
  process_->Signal(SIGTERM);
  if (!process_->Wait(std::chrono::seconds(10))) process_->Signal(SIGKILL);
  process_->Wait(std::chrono::seconds(5));
  process_.reset();
}

std::string Olad::Log() const { return ReadAll(folder_ / "olad.log"); }

}  // namespace quorvix::ola_testing
