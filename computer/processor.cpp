// The Z80 core instantiated once for the 48K's bus: every caller of Step in
// the program runs this one copy of the decoder.
#include "cpu/step.h"
#include "computer/computer.h"
#include "computer/computer_bus.h"

void Step(CpuState& cpu, Machine& machine) {
  const SpectrumBus bus{&cpu, &machine};
  z80::Step(cpu, bus);
}

void AcceptInterrupt(CpuState& cpu, Machine& machine) {
  const SpectrumBus bus{&cpu, &machine};
  z80::AcceptInterrupt(cpu, bus);
}

// The loaders' and the tape trap's stack work happens between instructions
// and takes no emulated time, though it shares the executor's bus cycles.
void PushWord(CpuState& cpu, Machine& machine, std::uint16_t value) {
  const SpectrumBus bus{&cpu, &machine};
  const std::uint32_t tstates = cpu.tstates;
  z80::Push(cpu, bus, value);
  cpu.tstates = tstates;
}

std::uint16_t PopWord(CpuState& cpu, Machine& machine) {
  const SpectrumBus bus{&cpu, &machine};
  const std::uint32_t tstates = cpu.tstates;
  const std::uint16_t value = z80::Pop(cpu, bus);
  cpu.tstates = tstates;
  return value;
}

bool BlockPassRepeats(const CpuState& cpu, Machine& machine, std::uint16_t start) {
  const SpectrumBus bus{&cpu, &machine};
  return z80::BlockPassRepeats(cpu, bus, start);
}
