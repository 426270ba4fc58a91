// The processor's entry points that need no bus: the condition test shared
// with the debugger and tools, the ALU for the tape trap, and the hard reset.
#include "cpu/step_helpers.h"
#include "cpu/z80.h"

bool ConditionTrue(const CpuState& cpu, int y) { return z80::CondHolds(cpu.f, y & 7); }

void AluOperation(CpuState& cpu, int y, std::uint8_t v) { z80::Alu(cpu, y & 7, v); }

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
