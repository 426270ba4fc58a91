// Measures the Z80 core against the peer core libz80ex on one workload: the
// built-in ROM booting from reset and idling in its keyboard loop, headless,
// for a fixed number of 69,888-T-state frames with the frame interrupt
// delivered at each frame end as the emulation loop does (no pacing, no
// window). Our core runs twice: on the 48K's bus with the ULA's contention
// ("vantro"), and on the same bus without the timing hooks ("flat"), the
// core's own cost, which runs every cycle at its nominal length. Prints
// T-states/s, instructions/s and frames/s for each and ends with the speed
// ratio line. Not a test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "computer/computer.h"
#include "computer/computer_bus.h"
#include "cpu/step.h"
#include "data/rom_image.h"
#include "machine/machine.h"

#ifdef VANTRO_HAVE_Z80EX
#include <z80ex/z80ex.h>
#endif

namespace {

constexpr int kDefaultFrames = 3000;  // one emulated minute
constexpr int kRuns = 5;              // best of, interleaved, against noise from other load

// Processor time of this thread: on a shared machine wall time would mostly
// measure the other processes.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Measurement {
  double seconds = 0;
  std::uint64_t tstates = 0;
  std::uint64_t instructions = 0;
  int frames = 0;
};

void LoadRom(Machine& machine) {
  auto rom = BuiltInRom();
  std::copy(rom.begin(), rom.end(), machine.memory.begin());
  machine.write_floor = kProtectedFloor;
}

// The 48K's memory and ports without the contention hooks.
struct FlatBus {
  SpectrumBus spectrum;
  std::uint8_t Read(std::uint16_t address) const { return spectrum.Read(address); }
  void Write(std::uint16_t address, std::uint8_t value) const { spectrum.Write(address, value); }
  std::uint8_t In(std::uint16_t port) const { return spectrum.In(port); }
  void Out(std::uint16_t port, std::uint8_t value) const { spectrum.Out(port, value); }
};

template <bool kFlat>
Measurement RunVantro(int frames) {
  auto machine = std::make_unique<Machine>();
  LoadRom(*machine);
  CpuState cpu;
  ResetCpu(cpu);
  Measurement result;
  const FlatBus flat{{&cpu, machine.get()}};
  const double start = ThreadSeconds();
  for (int frame = 0; frame < frames; ++frame) {
    for (;;) {
      if constexpr (kFlat) z80::Step(cpu, flat);
      else Step(cpu, *machine);
      ++result.instructions;
      // Every step's T-states join the frame, as in the loop.
      machine->frame_tstates += static_cast<std::int32_t>(cpu.tstates);
      result.tstates += cpu.tstates;
      cpu.tstates = 0;
      if (machine->frame_tstates >= kFrameTStates) break;
    }
    machine->frame_tstates -= kFrameTStates;  // the overrun opens the next frame, as in the loop
    if constexpr (kFlat) z80::AcceptInterrupt(cpu, flat);
    else AcceptInterrupt(cpu, *machine);
  }
  result.seconds = ThreadSeconds() - start;
  result.frames = frames;
  return result;
}

#ifdef VANTRO_HAVE_Z80EX
struct PeerMachine {
  Machine machine;
};

Z80EX_BYTE PeerRead(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* data) {
  return static_cast<PeerMachine*>(data)->machine.memory[address];
}
void PeerWrite(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* data) {
  WriteByte(static_cast<PeerMachine*>(data)->machine, address, value);
}
// No key held: even ports read BFh, odd ports FFh (as our port bus answers
// without a joystick key).
Z80EX_BYTE PeerPortRead(Z80EX_CONTEXT*, Z80EX_WORD port, void*) { return (port & 1) ? 0xFF : 0xBF; }
void PeerPortWrite(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* data) {
  if ((port & 1) == 0) static_cast<PeerMachine*>(data)->machine.ula_out = value;
}
Z80EX_BYTE PeerVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

Measurement RunZ80ex(int frames) {
  auto peer = std::make_unique<PeerMachine>();
  LoadRom(peer->machine);
  Z80EX_CONTEXT* cpu = z80ex_create(PeerRead, peer.get(), PeerWrite, peer.get(), PeerPortRead, peer.get(),
                                    PeerPortWrite, peer.get(), PeerVector, peer.get());
  z80ex_reset(cpu);
  Measurement result;
  std::int32_t frame_tstates = 0;
  int pending = 0;
  const double start = ThreadSeconds();
  for (int frame = 0; frame < frames; ++frame) {
    for (;;) {
      pending += z80ex_step(cpu);
      if (z80ex_last_op_type(cpu) == 0) ++result.instructions;
      frame_tstates += pending;
      result.tstates += static_cast<std::uint64_t>(pending);
      pending = 0;
      if (frame_tstates >= kFrameTStates) break;
    }
    frame_tstates -= kFrameTStates;
    pending += z80ex_int(cpu);
  }
  result.seconds = ThreadSeconds() - start;
  result.frames = frames;
  z80ex_destroy(cpu);
  return result;
}
#endif

void KeepBest(Measurement& best, const Measurement& m) {
  if (best.frames == 0 || m.seconds < best.seconds) best = m;
}

void Print(const char* name, const Measurement& m) {
  std::printf("%-8s %d frames in %.3f s: %.1f M T-states/s, %.1f M instructions/s, %.0f frames/s (%.1fx real time)\n",
              name, m.frames, m.seconds, m.tstates / m.seconds / 1e6, m.instructions / m.seconds / 1e6,
              m.frames / m.seconds, m.frames / m.seconds / 50.0);
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrames;
  if (frames <= 0) frames = kDefaultFrames;
  std::printf("memory footprint: sizeof(Machine) %zu + sizeof(CpuState) %zu = %zu bytes\n", sizeof(Machine),
              sizeof(CpuState), sizeof(Machine) + sizeof(CpuState));
  Measurement ours;
  Measurement flat;
#ifdef VANTRO_HAVE_Z80EX
  Measurement peer;
#endif
  for (int run = 0; run < kRuns; ++run) {
    KeepBest(ours, RunVantro<false>(frames));
    KeepBest(flat, RunVantro<true>(frames));
#ifdef VANTRO_HAVE_Z80EX
    KeepBest(peer, RunZ80ex(frames));
#endif
  }
  std::printf("best of %d runs, thread processor time\n", kRuns);
  Print("vantro", ours);
  Print("flat", flat);
#ifdef VANTRO_HAVE_Z80EX
  Print("z80ex", peer);
  // Same number of emulated frames, so the ratio of frames per second.
  std::printf("speed ratio vs z80ex: %.1f\n", (ours.frames / ours.seconds) / (peer.frames / peer.seconds));
#else
  std::printf("libz80ex not found at build time; no comparison\n");
  std::printf("speed ratio vs z80ex: n/a\n");
#endif
  return 0;
}
