// vantro-run: the emulator without a window, for scripts, tests and
// benchmarks. Everything but the process boundary is in headless_run.cpp.
#include <iostream>
#include <string>
#include <vector>

#include "emulator/headless_run.h"
#include "generated/program_version.h"
#include "platform/sdl_wave.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "vantro-run (Vantro) " << kProgramVersion << '\n' << kLicenceNotice;
    return kRunOk;
  }
  std::string error;
  std::optional<RunOptions> options = ParseRunOptions(args, error);
  if (!options) {
    std::cerr << "vantro-run: " << error << '\n';
    return kRunError;
  }
  options->wave_decoder = DecodeWaveWithSdl;
  if (options->help || args.empty()) {
    std::cout << RunHelpText();
    return kRunOk;
  }
  int result = RunHeadless(*options, std::cout, error);
  std::cout.flush();
  if (result != kRunOk) std::cerr << "vantro-run: " << error << '\n';
  return result;
}
