// The single breakpoint: armed by the debugger, tested by the emulation loop
// after every instruction.
#pragma once
#include <cstdint>

struct CpuState;
struct Machine;

enum class BreakMode : std::uint8_t { equal, change };

struct Breakpoint {
  bool armed = false;
  std::uint8_t kind = 0;    // 0-8 flags, 18 opcode, 19-35 registers
  std::uint8_t mask = 0;    // flag kinds: bits of F watched
  std::uint16_t value = 0;  // flag kinds: F AND mask when armed; registers: compared value
  BreakMode mode = BreakMode::equal;
  std::uint8_t opcode = 0;
};

// True when the armed breakpoint fires for the state after an instruction; a
// firing "change" breakpoint turns back to "equal". Disarming is the caller's.
bool BreakpointFires(Breakpoint& breakpoint, const CpuState& cpu, const Machine& machine);
