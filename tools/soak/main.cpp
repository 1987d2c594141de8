// quorvix-soak: one load scenario against quorvix-sim (tools/soak.sh runs
// them all). Exit 0 when nothing that must never happen happened, 1 with
// "soak failure: ..." when it did, 2 on bad usage.
#include <iostream>
#include <string>

#include "scenarios.h"

namespace {

int Usage() {
  std::cerr << "usage: quorvix-soak [--lib PATH] [--sim PATH] SCENARIO N\n"
               "  frames N      N channel frames, unpaced\n"
               "  flood S       S seconds of a flooding transmitter\n"
               "  dmxin N       N input changes at 38400 baud\n"
               "  rate38400 S   SetChannel flat out for S seconds at 38400\n"
               "  rate19200 S   the same at 19200\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  quorvix::soak::Paths paths{QUORVIX_DEFAULT_LIBRARY, QUORVIX_DEFAULT_SIM};
  int i = 1;
  for (; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--lib") {
      paths.library = argv[i + 1];
    } else if (option == "--sim") {
      paths.sim = argv[i + 1];
    } else {
      break;
    }
  }
  if (argc - i != 2) return Usage();
  const std::string scenario = argv[i];
  const long n = std::stol(argv[i + 1]);
  try {
    if (scenario == "frames") {
      quorvix::soak::Frames(paths, n);
    } else if (scenario == "flood") {
      quorvix::soak::Flood(paths, static_cast<int>(n));
    } else if (scenario == "dmxin") {
      quorvix::soak::InputChanges(paths, n);
    } else if (scenario == "rate38400") {
      quorvix::soak::LineRate(paths, 38400, static_cast<int>(n));
    } else if (scenario == "rate19200") {
      quorvix::soak::LineRate(paths, 19200, static_cast<int>(n));
    } else {
      return Usage();
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
