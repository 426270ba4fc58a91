// The 48K's bus as the Z80 core sees it (the Z80Bus of cpu/z80_bus.h):
// memory with the ROM's write protection, and the port bus timed at the
// instruction's T-state. A handle of two pointers, built for each step from
// the processor and the machine it runs and passed by value, so every
// access inlines into the decoder with the machine's address in a register;
// used by the Spectrum's entry points (processor.cpp) only.
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"
#include "cpu/z80_bus.h"
#include "machine/machine.h"
#include "machine/port_bus.h"

struct SpectrumBus {
  const CpuState* cpu;  // read only: the T-state of each access
  Machine* machine;

  std::uint8_t Read(std::uint16_t address) const { return ReadByte(*machine, address); }
  void Write(std::uint16_t address, std::uint8_t value) const { WriteByte(*machine, address, value); }

  // The access's position in the frame: the T-states the loop has moved into
  // the frame and those of the processor it has not yet.
  std::int32_t FrameTState() const { return machine->frame_tstates + static_cast<std::int32_t>(cpu->tstates); }

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
