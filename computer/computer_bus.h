// The 48K's bus as the Z80 core sees it (the Z80Bus of cpu/z80_bus.h):
// memory with the ROM's write protection, the ULA's contention of
// 4000h-7FFFh and of its port, and the port bus timed at each access's
// T-state. A handle of two pointers, built for each step from the
// processor and the machine it runs and passed by value, so every access
// inlines into the decoder with the machine's address in a register; used
// by the Spectrum's entry points (processor.cpp) only.
//
// When each access happens, for whoever times things against the beam:
// - Read and Write run with FrameTState() at the access's own T-state,
//   after its contention delay: the moment the byte is read or changes.
// - PortRead and PortWrite (through In and Out) receive the T-state three
//   before the end of the 4-T port cycle, all its delays counted: for an
//   uncontended cycle its start + 1.
// - The core has added every earlier cycle of the instruction, delays
//   included, to cpu->tstates by then.
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"
#include "cpu/z80_bus.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/port_bus.h"
#include "machine/ula_timing.h"

// The delays by frame T-state, one load per contended cycle.
inline constexpr ContentionTable kContentionTable{};

struct SpectrumBus {
  const CpuState* cpu;  // read only: the T-state of each access
  Machine* machine;

  std::uint8_t Read(std::uint16_t address) const { return ReadByte(*machine, address); }
  void Write(std::uint16_t address, std::uint8_t value) const {
    // The picture is drawn as the beam goes: a store into the screen lets
    // the beam draw what it met before the store lands.
    if (IsScreenAddress(address)) BeforeScreenWrite(*machine, address, FrameTState());
    WriteByte(*machine, address, value);
  }

  // The access's position in the frame: the T-states the loop has moved into
  // the frame and those of the processor it has not yet.
  std::int32_t FrameTState() const { return machine->frame_tstates + static_cast<std::int32_t>(cpu->tstates); }

  // The ULA's delay at frame T-state `frame_t`. Past the table (a debugger
  // STEP that let the processor's count run on) the ULA is in the next
  // frame's border as far as anything can tell: no delay.
  static unsigned DelayAt(std::uint32_t frame_t) {
    return frame_t < static_cast<std::uint32_t>(ContentionTable::kSize) ? kContentionTable.delay[frame_t] : 0u;
  }
  std::uint32_t FrameAt(std::uint32_t tstates) const {
    return static_cast<std::uint32_t>(machine->frame_tstates) + tstates;
  }

  // Memory cycles and the internal T-states that hold an address: the ULA
  // holds the processor while it fetches the screen, for addresses in the
  // RAM it shares.
  unsigned Contend(std::uint16_t address, std::uint32_t tstates) const {
    return IsContendedAddress(address) ? DelayAt(FrameAt(tstates)) : 0u;
  }
  unsigned PortDelay(std::uint16_t port, std::uint32_t tstates) const {
    return static_cast<unsigned>(PortCycleDelay(port, static_cast<std::int32_t>(FrameAt(tstates)),
                                                [](std::int32_t t) { return static_cast<int>(DelayAt(static_cast<std::uint32_t>(t))); }));
  }

  // Every IN of the program passes here with the processor's registers at
  // hand (cpu->pc is already past the instruction, B to L hold the counters
  // loaders keep), so the loader detector (machine/loader_watch.h) watches
  // the reads of the ULA's port here while a tape is playing, and keeps the
  // tape's motor turning while a loader times its edges; neither the core
  // nor the port bus needs to know of it. Nothing here changes the
  // processor: the tape trap acts after the step.
  std::uint8_t In(std::uint16_t port) const {
    if ((port & 0x01) == 0 && machine->tape_signal.playing) {
      const std::uint64_t now = TapeNow(*machine, cpu->tstates);
      const CpuState& c = *cpu;
      if (WatchEarRead(machine->tape_signal.watch, c.pc, now,
                       [&c] { return CountingRegisters(c.b, c.c, c.d, c.e, c.h, c.l); })) {
        KeepTapeMoving(machine->tape_signal, now);
      }
    }
    const std::uint8_t live =
        PortRead(*machine, static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8), FrameTState());
    // An input recording keeps every byte read, or plays its own back.
    if (machine->input_log.mode == InputLogMode::off) return live;
    return LogPortRead(machine->input_log, live);
  }
  void Out(std::uint16_t port, std::uint8_t value) const {
    PortWrite(*machine, static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8), value, FrameTState());
  }
};

static_assert(Z80Bus<SpectrumBus>);
