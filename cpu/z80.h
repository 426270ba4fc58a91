// Entry points of the Z80 core: one instruction, the frame interrupt, reset.
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"

struct Machine;

constexpr int kFrameTStates = 69888;      // one video frame
constexpr int kTransferThreshold = 548;   // loop moves tstates into the frame above this

// Executes exactly one instruction (a repeating block instruction runs all
// its passes) and adds its T-states to cpu.tstates.
void Step(CpuState& cpu, Machine& machine);
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
