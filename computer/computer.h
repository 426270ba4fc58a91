// The Spectrum: the Z80 running the 48K machine. The processor's entry
// points for the emulated computer (Step, AcceptInterrupt, the stack
// primitives) and the commands that change processor and machine together
// (soft reset, Force BREAK, the hardware choices that restart the
// processor). The emulation loop, the debugger, the loaders and the menus
// call these; the core in cpu/ knows nothing of the machine and the
// machine nothing of the core.
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"
#include "cpu/z80.h"
#include "machine/machine.h"

// Executes exactly one instruction, or one pass of a repeating block
// instruction (LDIR, CPIR, INIR, OTIR and their decrementing forms), and
// adds its T-states to cpu.tstates cycle by cycle, with the delays the ULA
// imposes at frame T-state machine.frame_tstates + cpu.tstates (contended
// memory and ports, computer_bus.h). A pass with more to do leaves PC on
// the instruction, so the next step runs the next pass. A halted processor
// runs one 4-T idle M1 cycle per step.
void Step(CpuState& cpu, Machine& machine);
// Offers the frame interrupt at one instruction end (the emulation loop
// offers it at each end while INT is low); refused when disabled or right
// after EI. Accepted, it takes 13 T in modes 0 and 1 and 19 T in mode 2,
// plus the delays of its stack and vector accesses, and counts one fetch
// in R.
void AcceptInterrupt(CpuState& cpu, Machine& machine);
// sp -= 2; each byte is stored only at or above write_floor. For the
// loaders and the tape trap, between instructions: no T-states pass.
void PushWord(CpuState& cpu, Machine& machine, std::uint16_t value);
// Low byte from sp, high byte from sp + 1 (wrapping); sp += 2.
std::uint16_t PopWord(CpuState& cpu, Machine& machine);
// Whether the step that started at `start` was a pass of a repeating block
// instruction that has more to do: PC is back on the instruction. For the
// debugger's STEP and the trace, which show the whole repetition as one
// instruction, and the address breakpoints, which stop at it once.
bool BlockPassRepeats(const CpuState& cpu, Machine& machine, std::uint16_t start);

// "Soft" reset: the ROM continues at its NEW entry with everything else kept
// (a HALT wait ends).
void SoftReset(CpuState& cpu);
// "Force BREAK": the ROM's error report entry, in interrupt mode 1 (a HALT
// wait ends).
void ForceBreak(CpuState& cpu);

// The Hardware menu (machine/hardware.h has the rules and the check marks):
// each returns whether it performed the hard reset (ResetCpu). `choice`
// must be one of the four interfaces, never Joystick::none.
bool ChooseJoystick(Machine& machine, CpuState& cpu, Joystick choice);
bool ToggleSweetTalker(Machine& machine, CpuState& cpu);
bool ToggleCurrah(Machine& machine, CpuState& cpu);
