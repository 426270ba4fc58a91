// Measures how fast vantro-run loads a tape through the signal at the EAR
// input (--no-fast-load: the ROM's own LD-BYTES polls the port thousands of
// times a frame) against the same frames with the ROM idling and no tape.
// The tape is a BASIC program and 6,912 bytes of code, built here. Prints
// frames/s for both. Not a test.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_time.h"
#include "emulator/headless_run.h"
#include "tap_block.h"

namespace {

constexpr long kFrames = 2500;  // 50 emulated seconds: the whole tape loads
constexpr int kRuns = 3;        // best of, against noise from other load

std::vector<std::uint8_t> Header(std::uint8_t type, std::uint16_t length, std::uint16_t param1) {
  std::vector<std::uint8_t> header{type, 'b', 'e', 'n', 'c', 'h', ' ', ' ', ' ', ' ', ' '};
  for (std::uint16_t word : {length, param1, type == 0 ? length : std::uint16_t{0x8000}}) {
    header.push_back(static_cast<std::uint8_t>(word));
    header.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return header;
}

// 10 LOAD ""CODE, then the code block: two headers, two data blocks.
std::string WriteTape() {
  const std::vector<std::uint8_t> program{0x00, 0x0A, 0x05, 0x00, 0xEF, '"', '"', 0xAF, 0x0D};
  const std::vector<std::uint8_t> code(6912, 0x55);
  std::vector<std::uint8_t> tape;
  for (const auto& block : {TapBlock(0x00, Header(0, static_cast<std::uint16_t>(program.size()), 10)),
                            TapBlock(0xFF, program), TapBlock(0x00, Header(3, 6912, 0x4000)),
                            TapBlock(0xFF, code)}) {
    tape.insert(tape.end(), block.begin(), block.end());
  }
  const std::string path = "/tmp/vantro-tape-bench-" + std::to_string(::getpid()) + ".tap";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tape.data()),
                                              static_cast<std::streamsize>(tape.size()));
  return path;
}

// Best frames/s of kRuns runs; `dumped` gets the last run's --dump text.
double FramesPerSecond(const std::vector<std::string>& args, std::string& dumped) {
  std::string error;
  std::optional<RunOptions> options = ParseRunOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 0;
  }
  double best = 0;
  for (int run = 0; run < kRuns; ++run) {
    std::ostringstream out;
    const auto start = std::chrono::steady_clock::now();
    if (RunHeadless(*options, out, error) != kRunOk) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 0;
    }
    best = std::max(best, (kFrames + kBootFrames) / Seconds(start));
    dumped = out.str();
  }
  return best;
}

}  // namespace

int main() {
  const std::string tape = WriteTape();
  const std::string frames = std::to_string(kFrames);
  std::string dumped;
  const double idle = FramesPerSecond({"--type", "{WAIT 1}", "--frames", frames}, dumped);
  const double loading = FramesPerSecond(
      {"--load", tape, "--no-fast-load", "--type", "j\"\"\n", "--frames", frames, "--dump", "0x4000:1"}, dumped);
  std::remove(tape.c_str());
  if (dumped.find("4000: 55") == std::string::npos) std::printf("the tape did not load: %s", dumped.c_str());
  std::printf("ROM idle, no tape:            %8.0f frames/s\n", idle);
  std::printf("loading through the signal:   %8.0f frames/s\n", loading);
  return 0;
}
