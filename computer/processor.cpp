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

void PushWord(CpuState& cpu, Machine& machine, std::uint16_t value) {
  const SpectrumBus bus{&cpu, &machine};
  z80::Push(cpu, bus, value);
}

std::uint16_t PopWord(CpuState& cpu, Machine& machine) {
  const SpectrumBus bus{&cpu, &machine};
  return z80::Pop(cpu, bus);
}

bool BlockPassRepeats(const CpuState& cpu, Machine& machine, std::uint16_t start) {
  const SpectrumBus bus{&cpu, &machine};
  return z80::BlockPassRepeats(cpu, bus, start);
}
