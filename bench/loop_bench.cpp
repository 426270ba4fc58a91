// Emulation loop speed at "No Limit": the ROM boots and idles in the same
// passes the program runs (instruction, frame end with render, keyboard,
// interrupt), with the window events polled once per frame as the program
// does, but no window shown. Compared with the bare core: Step plus the
// frame interrupt and nothing else. Prints frames per second of both, of
// the loop without event polling, and the loop's ratio to the bare core.
// With --paced [SECONDS] it then runs Vantro's real program (window on the
// offscreen platform unless a display is set, frames rendered and shown)
// at the Speed items, for the ROM booting and idling and for a program
// waiting in an EI/HALT loop, and reports per run: frames in the first
// second, frames in SECONDS (default 10), the lowest and highest count of
// any later whole second, and the processor time the process used per
// emulated second (getrusage: user + system).
#include <QAction>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "bench_time.h"
#include "computer/computer.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "emulator/main_window.h"
#include "emulator/program_qt.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"

namespace {

constexpr int kFrames = 3000;  // 60 s of emulated time at 100%

struct NoWindow : LoopHooks {
  void Present() override {}
  void OpenDebugger() override {}
};

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
      frame_tstates -= kFrameTStates;
      AcceptInterrupt(cpu, *machine);
      ++frames;
    }
  }
  return kFrames / Seconds(start);
}

struct PacedRun {
  const char* what;
  bool halt_loop;  // EI/HALT program instead of the ROM's boot and idle loop
  int speed_command;
  int percent;
};

// One run of the real program from its start: frame times are taken as
// RunFrame returns, that is when the next frame may begin.
void MeasurePaced(const PacedRun& run, int seconds) {
  VantroProgram program;
  if (!program.Start()) {
    std::printf("%-12s the program did not start\n", run.what);
    return;
  }
  VantroRecords& records = program.records();
  program.window()->ActionFor(run.speed_command)->trigger();
  if (run.halt_loop) {
    // 8000h: EI ; HALT ; JR 8000h, with the ROM's IM 1 handler at 0038h.
    const std::uint8_t code[] = {0xFB, 0x76, 0x18, 0xFC};
    std::copy(std::begin(code), std::end(code), records.machine.memory.begin() + 0x8000);
    records.cpu.pc = 0x8000;
    records.cpu.im = 1;
    records.cpu.iy = 0x5C3A;
  }
  const int target = records.machine.target_frames;
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = ProcessorSeconds();
  std::vector<int> per_second(static_cast<std::size_t>(seconds), 0);
  for (;;) {
    program.RunFrame();
    const double at = Seconds(start);
    if (at >= seconds) break;
    ++per_second[static_cast<std::size_t>(at)];
  }
  const double cpu = ProcessorSeconds() - cpu_start;
  int total = 0;
  for (int n : per_second) total += n;
  const auto later = std::minmax_element(per_second.begin() + 1, per_second.end());
  const double emulated = static_cast<double>(total) / target;
  std::printf("%-12s %4d%%  %4d  %7d  %6d  %4d-%-4d  %8.1f ms  %5.1f%%\n", run.what, run.percent,
              target, per_second[0], total, *later.first, *later.second,
              1000.0 * cpu / emulated, 100.0 * cpu / seconds);
  std::fflush(stdout);
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
  // The paced runs take real time, so they are asked for by name.
  if (argc > 1 && std::string_view(argv[1]) == "--paced") {
    const int seconds = std::max(2, argc > 2 ? std::atoi(argv[2]) : 10);
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("\npaced runs of %d s each, from the program's start (load average %.2f)\n",
                seconds, load[0]);
    std::printf("%-12s %5s  %4s  %7s  %6s  %9s  %11s  %6s\n", "program", "speed", "fps",
                "first s", "total", "later s", "cpu/emul. s", "core");
    const PacedRun runs[] = {
        {"ROM idle", false, kCommandSpeed100, 100},
        {"EI/HALT", true, kCommandSpeed100, 100},
        {"ROM idle", false, kCommandSpeed25, 25},
        {"EI/HALT", true, kCommandSpeed25, 25},
        {"ROM idle", false, kCommandSpeed200, 200},
        {"EI/HALT", true, kCommandSpeed200, 200},
    };
    for (const PacedRun& run : runs) MeasurePaced(run, seconds);
  }
  return 0;
}
