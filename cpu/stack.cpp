// PushWord and PopWord: the processor's stack primitives, shared by the
// executor, interrupt acceptance and the SNA snapshot code. The rules live
// once, in the inline z80::Push and z80::Pop that the executor calls on its
// hot path; these are the out-of-line entry points for everyone else.
#include "cpu/cpu_state.h"
#include "cpu/step_helpers.h"

void PushWord(CpuState& cpu, Machine& machine, std::uint16_t value) {
  z80::Push(cpu, machine, value);
}

std::uint16_t PopWord(CpuState& cpu, const Machine& machine) { return z80::Pop(cpu, machine); }
