// quorvix-soak: one load scenario against quorvix-sim (testing/soak.sh runs
// them all). Exit 0 when nothing that must never happen happened, 1 with
// "soak failure: ..." when it did, 64 for a bad command line.
#include <charconv>
#include <iostream>
#include <string>

#include "command_line.h"
#include "scenarios.h"

namespace {

constexpr const char* kScenarios =
    "Scenarios:\n"
    "  frames N      N channel frames, unpaced (1 to 100000000)\n"
    "  flood S       S seconds of a flooding transmitter (1 to 3600)\n"
    "  dmxin N       N input changes at 38400 baud (1 to 100000000)\n"
    "  rate38400 S   SetChannel flat out for S seconds at 38400 (1 to 3600)\n"
    "  rate19200 S   the same at 19200 (1 to 3600)";

constexpr long kMaxCount = 100'000'000;
constexpr long kMaxSeconds = 3600;

gboolean OnPath(const gchar* name, const gchar* value, gpointer data,
                GError** error) {
  auto& paths = *static_cast<quorvix::soak::Paths*>(data);
  if (*value == '\0') {
    return quorvix::cli::Refuse(error, std::string(name) + " needs a path");
  }
  (std::string_view(name) == "--lib" ? paths.library : paths.sim) = value;
  return TRUE;
}

// The largest N the scenario takes, or 0 for no such scenario.
long LargestFor(const std::string& scenario) {
  if (scenario == "frames" || scenario == "dmxin") return kMaxCount;
  if (scenario == "flood" || scenario == "rate38400" ||
      scenario == "rate19200") {
    return kMaxSeconds;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  quorvix::soak::Paths paths{QUORVIX_DEFAULT_LIBRARY, QUORVIX_DEFAULT_SIM};
  const auto callback = reinterpret_cast<gpointer>(&OnPath);
  const GOptionEntry entries[] = {
      {"lib", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The plug-in to load (default: this build's)", "PATH"},
      {"sim", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The simulator (default: this build's)", "PATH"},
      {}};
  quorvix::cli::CommandLine line(
      "quorvix-soak", "SCENARIO N",
      "One load scenario of the plug-in against quorvix-sim.", kScenarios);
  line.Add(entries, &paths);
  line.StopAtFirstWord();
  quorvix::cli::Parsed parsed = line.Parse(quorvix::cli::Arguments(argc, argv));
  long n = 0;
  if (!parsed.exit_status) {
    const std::vector<std::string>& words = parsed.words;
    if (words.size() != 2) {
      parsed = line.Fail("a SCENARIO and its N are needed");
    } else if (const long largest = LargestFor(words[0]); largest == 0) {
      parsed = line.Fail("unknown scenario \"" + words[0] + "\"");
    } else {
      const std::string& text = words[1];
      const auto [end, error] =
          std::from_chars(text.data(), text.data() + text.size(), n);
      if (error != std::errc() || end != text.data() + text.size() || n < 1 ||
          n > largest) {
        parsed = line.Fail(words[0] + " takes N from 1 to " +
                           std::to_string(largest) + ", not \"" + text + "\"");
      }
    }
  }
  if (const auto end = quorvix::cli::Report(parsed)) return *end;
  const std::string& scenario = parsed.words[0];
  try {
    if (scenario == "frames") {
      quorvix::soak::Frames(paths, n);
    } else if (scenario == "flood") {
      quorvix::soak::Flood(paths, static_cast<int>(n));
    } else if (scenario == "dmxin") {
      quorvix::soak::InputChanges(paths, n);
    } else if (scenario == "rate38400") {
      quorvix::soak::LineRate(paths, 38400, static_cast<int>(n));
    } else {
      quorvix::soak::LineRate(paths, 19200, static_cast<int>(n));
    }
  } catch (const quorvix::soak::SoakFailure& failure) {
    std::cout << "soak failure: " << failure.what() << std::endl;
    return 1;
  } catch (const std::exception& error) {
    std::cout << "soak could not run: " << error.what() << std::endl;
    return 1;
  }
  return 0;
}
