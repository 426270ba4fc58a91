// Entry points of the Z80 core that need no bus: the timing constants, the
// condition and ALU rules the tools and the tape trap share, and reset.
// Running instructions takes a bus (z80_bus.h): the templates z80::Step and
// z80::AcceptInterrupt live in step.h, and the Spectrum layer
// (computer/computer.h) gives them the 48K machine as Step(cpu, machine).
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"

constexpr int kFrameTStates = 69888;      // one video frame

// Whether condition cc[y] (NZ Z NC C PO PE P M) holds for the current F.
bool ConditionTrue(const CpuState& cpu, int y);
// alu[y] A,v (0 ADD, 1 ADC, 2 SUB, 3 SBC, 4 AND, 5 XOR, 6 OR, 7 CP) with
// the flags the executor gives it: for a command that finishes a ROM
// routine's work itself, as the tape trap does LD-BYTES'.
constexpr int kAluXor = 5;
constexpr int kAluCp = 7;
void AluOperation(CpuState& cpu, int y, std::uint8_t v);
// The processor reset behind "Hard" reset; touches no memory.
void ResetCpu(CpuState& cpu);
// ED B0-B3 and ED B8-BB: the repeating block instructions (LDIR, CPIR,
// INIR, OTIR and their decrementing forms), which run one pass per step
// and end a pass that has more to do back on their own address.
constexpr bool IsRepeatingBlock(std::uint8_t first, std::uint8_t second) {
  return first == 0xED && (second & 0xF4) == 0xB0;
}
