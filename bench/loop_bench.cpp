// Emulation loop speed at "No Limit": the ROM boots and idles in the same
// passes the program runs (instruction, frame end with render, keyboard,
// interrupt), with the window events polled once per frame as the program
// does, but no window shown. Compared with the bare core: Step plus the
// frame interrupt and nothing else. Prints frames per second of both, of
// the loop without event polling, and the loop's ratio to the bare core.
// With --paced it also runs "100%" on the real clock and reports the rate
// the pacing settles at.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"

namespace {

constexpr int kFrames = 3000;  // 60 s of emulated time at 100%

struct NoWindow : LoopHooks {
  void Present() override {}
  void OpenDebugger() override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A booting machine inside the program's emulation loop, with no window.
// The machine and picture are large, so they live on the heap.
struct LoopRig {
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  std::unique_ptr<DisplayRenderer> renderer = std::make_unique<DisplayRenderer>();
  CpuState cpu;
  Breakpoint breakpoint;
  SteadyMillisecondClock clock;
  NoWindow hooks;
  bool hex_mode = false;
  EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};

  LoopRig() {
    InitMachine(*machine);
    ResetCpu(cpu);
  }
};

double LoopFramesPerSecond(bool poll_events) {
  LoopRig rig;
  ChooseNoLimit(*rig.machine);

  const auto start = std::chrono::steady_clock::now();
  int frames = 0;
  while (frames < kFrames) {
    if (RunUntilFrameEnd(rig.loop) & kPassFrameEnded) ++frames;
    if (poll_events) QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return frames / Seconds(start);
}

double BareCoreFramesPerSecond() {
  auto machine = std::make_unique<Machine>();
  CpuState cpu;
  InitMachine(*machine);
  ResetCpu(cpu);
  const auto start = std::chrono::steady_clock::now();
  std::int32_t frame_tstates = 0;
  for (int frames = 0; frames < kFrames;) {
    Step(cpu, *machine);
    frame_tstates += cpu.tstates;
    cpu.tstates = 0;
    if (frame_tstates >= kFrameTStates) {
      frame_tstates = 0;
      AcceptInterrupt(cpu, *machine);
      ++frames;
    }
  }
  return kFrames / Seconds(start);
}

// "100%" on the real clock: the busy-wait settles on its own over some
// seconds; then the frames of a measured stretch give the achieved rate.
double PacedFramesPerSecond(double settle_seconds, double measure_seconds) {
  LoopRig rig;
  ChooseSpeed(*rig.machine, 4, rig.clock.NowMs());

  auto run_for = [&](double seconds) {
    const auto start = std::chrono::steady_clock::now();
    int frames = 0;
    while (Seconds(start) < seconds) {
      if (RunUntilFrameEnd(rig.loop) & kPassFrameEnded) ++frames;
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return frames / Seconds(start);
  };
  run_for(settle_seconds);
  return run_for(measure_seconds);
}

}  // namespace

int main(int argc, char** argv) {
  // The program's event machinery, without a screen to draw on.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  const double core = BareCoreFramesPerSecond();
  const double loop = LoopFramesPerSecond(true);
  const double quiet = LoopFramesPerSecond(false);
  std::printf("frames run             %d (ROM boot and idle)\n", kFrames);
  std::printf("bare core              %.0f frames/s (%.1fx real time)\n", core, core / 50.0);
  std::printf("loop at No Limit       %.0f frames/s (%.1fx real time)\n", loop, loop / 50.0);
  std::printf("  without event polling %.0f frames/s\n", quiet);
  std::printf("loop / bare core       %.2f\n", loop / core);
  // The paced run takes real time, so it is asked for by name: --paced
  // [settle seconds]. The delay moves by 5 iterations per frame of error
  // each second, so it closes in on the target with a time constant of
  // roughly 15 s on a fast host; 90 s leaves well under 2 % of the start.
  if (argc > 1 && std::string_view(argv[1]) == "--paced") {
    const double settle = argc > 2 ? std::atof(argv[2]) : 90.0;
    const double paced = PacedFramesPerSecond(settle, 10.0);
    std::printf("at 100%% after %.0f s     %.2f frames/s (target 50, %+.1f%%)\n", settle, paced,
                (paced - 50.0) * 2.0);
  }
  return 0;
}
