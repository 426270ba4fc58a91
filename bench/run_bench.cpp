// Measures whole-machine emulation speed as vantro-run runs it: the
// emulation loop's passes with rendering, keyboard sampling and the frame
// interrupt at every frame end, no pacing and no window. Two workloads: the
// ROM idling after start-up, and a BASIC program loaded from a tape
// (10 PRINT AT 0,0;"HELLO": GO TO 10), which keeps the ROM's interpreter and
// print routines busy. The same frames are run with libz80ex as the
// processor (same memory, renderer and frame structure) for a ratio. Prints
// frames/s per workload and core. Not a test.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "computer/computer.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "frame_hooks.h"
#include "emulator/headless_run.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/port_bus.h"
#include "snapshots/sna.h"
#include "tap_block.h"

#ifdef VANTRO_HAVE_Z80EX
#include <z80ex/z80ex.h>
#endif

namespace {

constexpr int kDefaultFrames = 1500;  // half an emulated minute
constexpr int kRuns = 3;              // best of, against noise from other load

using Clock = std::chrono::steady_clock;

struct Start {
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  CpuState cpu;
};

// 10 PRINT AT 0,0;"HELLO": GO TO 10, numbers in their hidden five-byte form.
std::vector<std::uint8_t> BusyProgramTape() {
  std::vector<std::uint8_t> body{0xF5, 0xAC, '0', 0x0E, 0, 0, 0, 0, 0, ',', '0', 0x0E, 0, 0, 0, 0, 0,
                                 ';', '"', 'H', 'E', 'L', 'L', 'O', '"', ':', 0xEC,
                                 '1', '0', 0x0E, 0, 0, 10, 0, 0, 0x0D};
  std::vector<std::uint8_t> program{0x00, 0x0A, static_cast<std::uint8_t>(body.size()), 0x00};
  program.insert(program.end(), body.begin(), body.end());
  const auto length = static_cast<std::uint16_t>(program.size());
  std::vector<std::uint8_t> header{0x00, 'b', 'u', 's', 'y', ' ', ' ', ' ', ' ', ' ', ' ',
                                   static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                   10, 0, static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8)};
  std::vector<std::uint8_t> tape = TapBlock(0x00, header);
  std::vector<std::uint8_t> data = TapBlock(0xFF, program);
  tape.insert(tape.end(), data.begin(), data.end());
  return tape;
}

Start RomStart() {
  Start start;
  InitMachine(*start.machine);
  ResetCpu(start.cpu);
  start.machine->speed_limited = false;
  return start;
}

// The program running: vantro-run loads the tape, types LOAD "" and saves
// a snapshot once the program has run a while; both cores start from it.
bool ProgramStart(Start& start, const std::filesystem::path& folder) {
  const std::string tap = (folder / "busy.tap").string();
  const std::string sna = (folder / "busy.sna").string();
  std::vector<std::uint8_t> tape = BusyProgramTape();
  std::ofstream(tap, std::ios::binary).write(reinterpret_cast<const char*>(tape.data()),
                                             static_cast<std::streamsize>(tape.size()));
  std::string error;
  auto options = ParseRunOptions({"--load", tap, "--type", "J\"\"{ENTER}", "--frames", "50", "--save-sna", sna}, error);
  std::ostringstream out;
  if (!options || RunHeadless(*options, out, error) != kRunOk) {
    std::fprintf(stderr, "run_bench: %s\n", error.c_str());
    return false;
  }
  start = RomStart();
  if (std::optional<FileProblem> problem = LoadSna(*start.machine, start.cpu, sna)) {
    std::fprintf(stderr, "run_bench: %s: %s\n", sna.c_str(), problem->text.c_str());
    return false;
  }
  return true;
}

double RunVantro(const Start& from, int frames) {
  auto machine = std::make_unique<Machine>(*from.machine);
  CpuState cpu = from.cpu;
  auto renderer = std::make_unique<DisplayRenderer>();
  FrameCountingHooks hooks;
  FrameClock clock(hooks.frames);
  Breakpoint breakpoint;
  bool hex_mode = false;
  EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};
  const auto begin = Clock::now();
  while (hooks.frames < frames) RunUntilFrameEnd(loop);
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

#ifdef VANTRO_HAVE_Z80EX
struct Peer {
  Machine* machine;
  // The position in the frame the port bus is told: no tape plays and the
  // beeper is not heard here, so a fixed one does.
  std::int32_t frame_tstates;
};

Z80EX_BYTE PeerRead(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* data) {
  return static_cast<Peer*>(data)->machine->memory[address];
}
void PeerWrite(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* data) {
  WriteByte(*static_cast<Peer*>(data)->machine, address, value);
}
Z80EX_BYTE PeerPortRead(Z80EX_CONTEXT*, Z80EX_WORD port, void* data) {
  auto* peer = static_cast<Peer*>(data);
  return PortRead(*peer->machine, static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8),
                  peer->frame_tstates);
}
void PeerPortWrite(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* data) {
  auto* peer = static_cast<Peer*>(data);
  PortWrite(*peer->machine, static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8), value,
            peer->frame_tstates);
}
Z80EX_BYTE PeerVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

double RunZ80ex(const Start& from, int frames) {
  auto machine = std::make_unique<Machine>(*from.machine);
  auto renderer = std::make_unique<DisplayRenderer>();
  Peer peer{machine.get(), 0};
  Z80EX_CONTEXT* z = z80ex_create(PeerRead, &peer, PeerWrite, &peer, PeerPortRead, &peer, PeerPortWrite, &peer,
                                  PeerVector, &peer);
  const CpuState& c = from.cpu;
  auto pair = [](std::uint8_t high, std::uint8_t low) { return static_cast<Z80EX_WORD>(high << 8 | low); };
  z80ex_set_reg(z, regAF, pair(c.a, c.f));
  z80ex_set_reg(z, regBC, pair(c.b, c.c));
  z80ex_set_reg(z, regDE, pair(c.d, c.e));
  z80ex_set_reg(z, regHL, pair(c.h, c.l));
  z80ex_set_reg(z, regAF_, pair(c.a_alt, c.f_alt));
  z80ex_set_reg(z, regBC_, pair(c.b_alt, c.c_alt));
  z80ex_set_reg(z, regDE_, pair(c.d_alt, c.e_alt));
  z80ex_set_reg(z, regHL_, pair(c.h_alt, c.l_alt));
  z80ex_set_reg(z, regIX, c.ix);
  z80ex_set_reg(z, regIY, c.iy);
  z80ex_set_reg(z, regPC, c.pc);
  z80ex_set_reg(z, regSP, c.sp);
  z80ex_set_reg(z, regI, c.i);
  z80ex_set_reg(z, regR, c.r);
  z80ex_set_reg(z, regR7, c.r7);
  z80ex_set_reg(z, regIM, c.im);
  z80ex_set_reg(z, regIFF1, c.iff != 0);
  z80ex_set_reg(z, regIFF2, c.iff != 0);
  long frame = 0;
  std::int32_t frame_tstates = 0;
  int pending = 0;
  const auto begin = Clock::now();
  while (frame < frames) {
    pending += z80ex_step(z);
    frame_tstates += pending;
    pending = 0;
    if (frame_tstates >= kFrameTStates) {
      frame_tstates -= kFrameTStates;
      RenderFrame(*renderer, *machine, static_cast<std::uint32_t>(frame * 20));
      SampleKeyboard(*machine);
      pending += z80ex_int(z);
      ++frame;
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  z80ex_destroy(z);
  return seconds;
}
#endif

double Best(double (*run)(const Start&, int), const Start& from, int frames) {
  double best = run(from, frames);
  for (int k = 1; k < kRuns; ++k) best = std::min(best, run(from, frames));
  return best;
}

void Report(const char* workload, const Start& from, int frames) {
  const double ours = frames / Best(RunVantro, from, frames);
  std::printf("%-8s vantro  %7.0f frames/s (%.1fx real time)\n", workload, ours, ours / 50.0);
#ifdef VANTRO_HAVE_Z80EX
  const double peer = frames / Best(RunZ80ex, from, frames);
  std::printf("%-8s z80ex   %7.0f frames/s (%.1fx real time)\n", workload, peer, peer / 50.0);
  std::printf("%-8s speed ratio vs z80ex: %.2f\n", workload, ours / peer);
#else
  std::printf("%-8s libz80ex not found at build time; no comparison\n", workload);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrames;
  if (frames <= 0) frames = kDefaultFrames;
  std::printf("%d frames per run, best of %d, no pacing, rendering every frame\n", frames, kRuns);
  Report("rom", RomStart(), frames);

  std::error_code ignored;
  const auto folder = std::filesystem::temp_directory_path() / ("vantro-run-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder, ignored);
  Start program;
  bool ok = ProgramStart(program, folder);
  std::filesystem::remove_all(folder, ignored);
  if (!ok) return 1;
  Report("program", program, frames);
  return 0;
}
