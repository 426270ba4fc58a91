// The processor's entry points besides Step: the condition test shared with
// the debugger and tools, the test for a block instruction's pass that goes
// on, acceptance of the frame interrupt (called by the emulation loop at
// each frame end) and the hard reset.
#include "cpu/step_helpers.h"
#include "cpu/z80.h"

bool BlockPassRepeats(const CpuState& cpu, const Machine& machine, std::uint16_t start) {
  const std::uint8_t first = machine.memory[start];
  const bool prefixed = first == 0xDD || first == 0xFD;
  const auto ed_at = static_cast<std::uint16_t>(start + (prefixed ? 1 : 0));
  return cpu.pc == ed_at &&
         IsRepeatingBlock(machine.memory[ed_at], machine.memory[static_cast<std::uint16_t>(ed_at + 1)]);
}

bool ConditionTrue(const CpuState& cpu, int y) { return z80::CondHolds(cpu.f, y & 7); }

void AluOperation(CpuState& cpu, int y, std::uint8_t v) { z80::Alu(cpu, y & 7, v); }

void AcceptInterrupt(CpuState& cpu, Machine& machine) {
  // Not kept pending: an interrupt refused now is simply lost for this frame.
  if (cpu.iff == 0 || cpu.ei_delay) return;
  if (cpu.halted) {
    cpu.halted = false;
    ++cpu.pc;  // HALT left pc on its own opcode
  }
  // Acceptance disables interrupts, as on the real part; without this the
  // handler could be re-entered before its own EI. Only EI enables them
  // again: RETN and RETI leave iff as it is.
  cpu.iff = 0;
  PushWord(cpu, machine, cpu.pc);
  if (cpu.im == 2) {
    // The 48K's floating bus supplies FFh as the vector's low byte.
    cpu.pc = z80::ReadWord(machine, static_cast<std::uint16_t>(cpu.i << 8 | 0xFF));
  } else {
    cpu.pc = 0x0038;
  }
}

void ResetCpu(CpuState& cpu) {
  // ei_delay and io_data are deliberately left alone.
  cpu.a = cpu.f = cpu.b = cpu.c = cpu.d = cpu.e = cpu.h = cpu.l = 0;
  cpu.a_alt = cpu.f_alt = cpu.b_alt = cpu.c_alt = 0;
  cpu.d_alt = cpu.e_alt = cpu.h_alt = cpu.l_alt = 0;
  cpu.ix = cpu.iy = 0;
  cpu.i = 0;
  cpu.r = 0;
  cpu.r7 = 0;
  cpu.pc = 0;
  cpu.sp = 0xF000;
  cpu.memptr = 0;
  cpu.iff = 0;
  cpu.im = 0;
  cpu.halted = false;
  cpu.tstates = 0;
}
