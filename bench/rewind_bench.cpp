// Rewind's cost, as the window pays it at "100%" (50 frames a second): the
// machine runs from the ROM for two emulated minutes (the store fills and
// wraps round) with a tape of 1 MB inserted (shared by the points, never
// copied), and the store is told of every frame end as the program tells
// it. Prints the time the store's work took per emulated second,
// as a share of one core at real time, beside the frames' own time, and
// the store's memory. Not a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench_time.h"
#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "frame_hooks.h"
#include "emulator/rewind.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/tape_signal.h"

namespace {

constexpr long kFrames = 6000;  // two emulated minutes: the store fills and wraps
constexpr int kRuns = 3;        // best of, against noise from other load

}  // namespace

int main(int argc, char** argv) {
  const long frames = argc > 1 ? std::max(100L, std::atol(argv[1])) : kFrames;
  auto machine = std::make_unique<Machine>();
  auto renderer = std::make_unique<DisplayRenderer>();
  auto store = std::make_unique<RewindStore>();
  double best_keeping = 1e9, best_frames = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    InitMachine(*machine);
    CpuState cpu;
    ResetCpu(cpu);
    // A large tape in the machine: the points share it.
    TapeImage image;
    image.bytes.assign(1 << 20, 0x55);
    image.blocks.push_back(StandardBlock(0, image.bytes.size(), 0xFF));
    InsertTapeSignal(machine->tape_signal, std::move(image), 0);
    SetTapePlaying(machine->tape_signal, false, 0);
    FrameCountingHooks hooks;
    FrameClock clock(hooks.frames);
    Breakpoint breakpoint;
    bool hex_mode = false;
    EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};
    StartRewind(*store, cpu, *machine);
    double keeping = 0;
    const auto start = std::chrono::steady_clock::now();
    while (hooks.frames < frames) {
      if (RunUntilFrameEnd(loop) & kPassFrameEnded) {
        const auto before = std::chrono::steady_clock::now();
        RewindFramesEnded(*store, hooks.frames, cpu, *machine);
        keeping += Seconds(before);
      }
    }
    best_frames = std::min(best_frames, Seconds(start) - keeping);
    best_keeping = std::min(best_keeping, keeping);
  }
  const double emulated_seconds = static_cast<double>(frames) / 50.0;
  std::printf("rewind_bench: %ld frames (%.0f emulated seconds), best of %d\n", frames, emulated_seconds, kRuns);
  std::printf("  keeping points: %.1f us per emulated second = %.4f %% of one core at 100%%\n",
              best_keeping / emulated_seconds * 1e6, best_keeping / emulated_seconds * 100.0);
  std::printf("  the frames themselves (the ROM idling): %.1f ms per emulated second (%.1f %% of one core at 100%%)\n",
              best_frames / emulated_seconds * 1e3, best_frames / emulated_seconds * 100.0);
  std::printf("  store: %d points of %zu bytes = %.2f MB (%.2f MiB); the tape's 1 MB image is shared\n",
              kRewindPoints, sizeof(RewindPoint), sizeof(RewindStore) / 1e6, sizeof(RewindStore) / 1048576.0);
  return 0;
}
