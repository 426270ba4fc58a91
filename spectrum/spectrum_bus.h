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
  // hand (cpu->pc is already past the instruction, cpu->b and cpu->c hold
  // the counters loaders keep) and its T-state (FrameTState, or
  // TapeNow(*machine, cpu->tstates) on the tape's clock). A watcher of the
  // program's port reads, such as a loader detector following reads of port
  // FEh together with PC and a counting register, belongs here, around the
  // PortRead call, so neither the core nor the port bus needs to know of it.
  // It keeps what it learns in the machine; anything that changes the
  // processor acts after the step, as the tape trap does, never in the
  // middle of an instruction.
  std::uint8_t In(std::uint16_t port) const {
    return PortRead(*machine, static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8), FrameTState());
  }
  void Out(std::uint16_t port, std::uint8_t value) const {
    PortWrite(*machine, static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8), value, FrameTState());
  }
};

static_assert(Z80Bus<SpectrumBus>);
