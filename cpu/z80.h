// Entry points of the Z80 core: one instruction, the frame interrupt, reset.
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"

struct Machine;

constexpr int kFrameTStates = 69888;      // one video frame
constexpr int kTransferThreshold = 548;   // loop moves tstates into the frame above this

// Executes exactly one instruction, or one pass of a repeating block
// instruction (LDIR, CPIR, INIR, OTIR and their decrementing forms), and
// adds its T-states to cpu.tstates. A pass with more to do leaves PC on
// the instruction, so the next step runs the next pass.
void Step(CpuState& cpu, Machine& machine);
// ED B0-B3 and ED B8-BB: the repeating block instructions.
constexpr bool IsRepeatingBlock(std::uint8_t first, std::uint8_t second) {
  return first == 0xED && (second & 0xF4) == 0xB0;
}
// Whether the step that started at `start` was a pass of a repeating block
// instruction that has more to do: PC is back on the instruction's EDh (the
// byte after `start` when a stray index prefix came first). For the
// debugger's STEP and the trace, which show the whole repetition as one
// instruction, and the address breakpoints, which stop at it once.
bool BlockPassRepeats(const CpuState& cpu, const Machine& machine, std::uint16_t start);
// Whether condition cc[y] (NZ Z NC C PO PE P M) holds for the current F.
bool ConditionTrue(const CpuState& cpu, int y);
// alu[y] A,v (0 ADD, 1 ADC, 2 SUB, 3 SBC, 4 AND, 5 XOR, 6 OR, 7 CP) with
// the flags the executor gives it: for a command that finishes a ROM
// routine's work itself, as the tape trap does LD-BYTES'.
constexpr int kAluXor = 5;
constexpr int kAluCp = 7;
void AluOperation(CpuState& cpu, int y, std::uint8_t v);
// Offers the frame interrupt once; dropped when disabled or right after EI.
void AcceptInterrupt(CpuState& cpu, Machine& machine);
// The processor reset behind "Hard" reset; touches no memory.
void ResetCpu(CpuState& cpu);
