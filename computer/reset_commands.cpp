// The commands that change processor and machine together: "Soft" reset and
// "Force BREAK" (Emulation and Tools menus, the debugger's menu) and the
// Hardware menu's choices, whose rules are the machine's and whose restart
// is the processor's. Called by the menu dispatch between two instructions.
#include "machine/hardware.h"
#include "computer/computer.h"

namespace {
constexpr std::uint16_t kSoftResetEntry = 0x11B7;  // ROM: NEW, keeps RAMTOP
constexpr std::uint16_t kBreakEntry = 0x12A2;      // ROM: main execution loop
}  // namespace

// Both move PC from outside. A processor waiting in HALT must stop waiting,
// or the next accepted interrupt would step over the new PC's first byte
// as if it were the HALT opcode.
void SoftReset(CpuState& cpu) {
  cpu.pc = kSoftResetEntry;
  cpu.halted = false;
}

void ForceBreak(CpuState& cpu) {
  cpu.pc = kBreakEntry;
  cpu.im = 1;
  cpu.halted = false;
}

bool ChooseJoystick(Machine& machine, CpuState& cpu, Joystick choice) {
  if (!FitJoystick(machine, choice)) return false;
  ResetCpu(cpu);
  return true;
}

bool ToggleSweetTalker(Machine& machine, CpuState& cpu) {
  if (!FlipSweetTalker(machine)) return false;
  ResetCpu(cpu);
  return true;
}

bool ToggleCurrah(Machine& machine, CpuState& cpu) {
  if (!FlipCurrah(machine)) return false;
  ResetCpu(cpu);
  return true;
}
