// Measures how fast vantro-run loads a tape through the signal at the EAR
// input (--no-fast-load: the ROM's own LD-BYTES polls the port thousands of
// times a frame) against the same frames with the ROM idling and no tape.
// The tape is a BASIC program and 6,912 bytes of code, built here, loaded
// from a TAP image and from the same signal recorded as a CSW file (version
// 1, 44,100 Hz), which plays as recorded steps. Prints frames/s for each.
// Not a test.
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

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// The tape's signal as the ROM saves it, sampled at 44,100 Hz into a CSW
// file: each pulse a byte of samples (or 0 and 32 bits), the first high.
std::vector<std::uint8_t> CswOf(const std::vector<std::uint8_t>& tap) {
  std::vector<std::uint32_t> pulses;
  for (std::size_t at = 0; at + 2 <= tap.size();) {
    const std::size_t length = tap[at] | tap[at + 1] << 8;
    pulses.insert(pulses.end(), tap[at + 2] < 0x80 ? 8063 : 3223, 2168);
    pulses.insert(pulses.end(), {667, 735});
    for (std::size_t k = 0; k < length; ++k) {
      for (int bit = 7; bit >= 0; --bit) pulses.insert(pulses.end(), 2, (tap[at + 2 + k] >> bit) & 1 ? 1710 : 855);
    }
    pulses.push_back(3'500'000);
    at += 2 + length;
  }
  const std::string signature = "Compressed Square Wave\x1A";
  std::vector<std::uint8_t> file(signature.begin(), signature.end());
  file.insert(file.end(), {1, 1, 0x44, 0xAC, 1, 1, 0, 0, 0});
  std::uint64_t tstates = 0, samples = 0;
  for (std::uint32_t pulse : pulses) {
    tstates += pulse;
    const std::uint64_t end = (tstates * 44100 + 1'750'000) / 3'500'000;
    const auto count = static_cast<std::uint32_t>(end - samples);
    samples = end;
    if (count > 0 && count < 256) {
      file.push_back(static_cast<std::uint8_t>(count));
    } else {
      file.insert(file.end(), {0, static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                               static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24)});
    }
  }
  return file;
}

// 10 LOAD ""CODE, then the code block: two headers, two data blocks; as a
// TAP image at `path` and as a CSW recording beside it.
std::string WriteTape() {
  const std::vector<std::uint8_t> program{0x00, 0x0A, 0x05, 0x00, 0xEF, '"', '"', 0xAF, 0x0D};
  const std::vector<std::uint8_t> code(6912, 0x55);
  std::vector<std::uint8_t> tape;
  for (const auto& block : {TapBlock(0x00, Header(0, static_cast<std::uint16_t>(program.size()), 10)),
                            TapBlock(0xFF, program), TapBlock(0x00, Header(3, 6912, 0x4000)),
                            TapBlock(0xFF, code)}) {
    tape.insert(tape.end(), block.begin(), block.end());
  }
  const std::string path = "/tmp/vantro-tape-bench-" + std::to_string(::getpid());
  WriteFile(path + ".tap", tape);
  WriteFile(path + ".csw", CswOf(tape));
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
  double loading[2] = {};
  const char* const kinds[2] = {".tap", ".csw"};
  for (int kind = 0; kind < 2; ++kind) {
    const std::string path = tape + kinds[kind];
    loading[kind] = FramesPerSecond(
        {"--load", path, "--no-fast-load", "--type", "j\"\"\n", "--frames", frames, "--dump", "0x4000:1"}, dumped);
    std::remove(path.c_str());
    if (dumped.find("4000: 55") == std::string::npos) std::printf("%s did not load: %s", kinds[kind], dumped.c_str());
  }
  std::printf("ROM idle, no tape:            %8.0f frames/s\n", idle);
  std::printf("loading through the signal:   %8.0f frames/s\n", loading[0]);
  std::printf("loading a CSW recording:      %8.0f frames/s\n", loading[1]);
  return 0;
}
