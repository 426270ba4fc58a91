// The breakpoint test the emulation loop runs after every instruction while
// the breakpoint is armed, and the arming rules the debugger's Breakpoint
// menu and its dialogs apply.
#include "debugger/breakpoint.h"

#include "cpu/cpu_state.h"
#include "machine/machine.h"

// Register kinds 19-35 in the order of the debugger's register menus.
std::uint16_t RegisterOfKind(const CpuState& cpu, std::uint8_t kind) {
  switch (kind) {
    case 19: return cpu.a;
    case 20: return cpu.f;
    case 21: return cpu.b;
    case 22: return cpu.c;
    case 23: return cpu.d;
    case 24: return cpu.e;
    case 25: return cpu.h;
    case 26: return cpu.l;
    case 27: return cpu.i;
    // The refresh counter itself, the same byte the debugger shows and the
    // Load dialog stores; the bit 7 kept aside for LD A,R plays no part.
    case 28: return cpu.r;
    case 29: return Bc(cpu);
    case 30: return De(cpu);
    case 31: return Hl(cpu);
    case 32: return cpu.ix;
    case 33: return cpu.iy;
    case 34: return cpu.pc;
    case 35: return cpu.sp;
    default: return 0;
  }
}

bool BreakpointFires(Breakpoint& breakpoint, const CpuState& cpu, const Machine& machine) {
  const std::uint8_t kind = breakpoint.kind;
  if (kind <= 8) return (cpu.f & breakpoint.mask) != breakpoint.value;
  if (kind == 18) return ReadByte(machine, cpu.pc) == breakpoint.opcode;
  // Kinds 9-17 name no menu item; a record holding one never fires rather
  // than watching some arbitrary register.
  if (kind < 19 || kind > 35) return false;
  const std::uint16_t now = RegisterOfKind(cpu, kind);
  if (breakpoint.mode == BreakMode::equal) return now == breakpoint.value;
  if (now == breakpoint.value) return false;
  breakpoint.mode = BreakMode::equal;
  return true;
}

bool WatchesAddress(const Breakpoint& breakpoint) {
  return breakpoint.kind == kOpcodeKind || breakpoint.kind == kPcKind;
}

std::string_view RegisterName(std::uint8_t kind) {
  if (kind < kFirstRegisterKind || kind > kLastRegisterKind) return {};
  return kRegisterNameTable.substr(static_cast<std::size_t>(kind - kFirstRegisterKind) * 2, 2);
}

bool IsWideRegisterKind(std::uint8_t kind) {
  return kind >= kFirstWideKind && kind <= kLastRegisterKind;
}

std::uint8_t FlagKindMask(std::uint8_t kind) {
  if (kind < kFlagKindAny) return static_cast<std::uint8_t>(0x80 >> kind);
  return kind == kFlagKindAny ? 0xFF : 0;
}

void ArmFlagBreakpoint(Breakpoint& breakpoint, std::uint8_t kind, std::uint8_t f) {
  breakpoint.kind = kind;
  breakpoint.mask = FlagKindMask(kind);
  breakpoint.value = f & breakpoint.mask;
  breakpoint.armed = true;
}

void ArmOpcodeBreakpoint(Breakpoint& breakpoint, std::uint8_t opcode) {
  breakpoint.kind = kOpcodeKind;
  breakpoint.opcode = opcode;
  breakpoint.armed = true;
}

void ArmValueBreakpoint(Breakpoint& breakpoint, std::uint8_t kind, std::uint16_t value) {
  breakpoint.kind = kind;
  breakpoint.value = value;
  breakpoint.mode = BreakMode::equal;
  breakpoint.armed = true;
}

void ArmChangeBreakpoint(Breakpoint& breakpoint, std::uint8_t kind, const CpuState& cpu) {
  breakpoint.kind = kind;
  breakpoint.value = RegisterOfKind(cpu, kind);
  breakpoint.mode = BreakMode::change;
  breakpoint.armed = true;
}
