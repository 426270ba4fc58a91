// The single breakpoint: armed by the debugger, tested by the emulation loop
// after every instruction.
#pragma once
#include <cstdint>
#include <string_view>

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

// PC and opcode breakpoints stop at an address; the loop lets them stop at
// a repeating block instruction once rather than at each of its passes.
bool WatchesAddress(const Breakpoint& breakpoint);

// Kinds by the menu items that select them.
constexpr std::uint8_t kFlagKindAny = 8;        // "Any": every bit of F
constexpr std::uint8_t kOpcodeKind = 18;
constexpr std::uint8_t kFirstRegisterKind = 19;  // "A"
constexpr std::uint8_t kFirstWideKind = 29;      // "BC"
constexpr std::uint8_t kPcKind = 34;             // "PC"
constexpr std::uint8_t kLastRegisterKind = 35;   // "SP"

// Two characters per register kind from kind 19 on; the 8-bit names carry a
// trailing blank. The break-on-value and Load dialogs take their titles here.
inline constexpr std::string_view kRegisterNameTable = "A F B C D E H L I R BCDEHLIXIYPCSP";

// "A ", ..., "SP" for kinds 19-35; empty for any other kind.
std::string_view RegisterName(std::uint8_t kind);
bool IsWideRegisterKind(std::uint8_t kind);
// The register a kind 19-35 watches (R is the whole refresh counter `r`,
// as shown in the debugger); 0 for any other kind.
std::uint16_t RegisterOfKind(const CpuState& cpu, std::uint8_t kind);

// Flag kinds 0-8: 80h shifted right by the kind, FFh for "Any"; 0 otherwise.
std::uint8_t FlagKindMask(std::uint8_t kind);

// Arming replaces whatever was armed. A flag breakpoint records F as it is
// now and fires once the watched bits differ.
void ArmFlagBreakpoint(Breakpoint& breakpoint, std::uint8_t kind, std::uint8_t f);
void ArmOpcodeBreakpoint(Breakpoint& breakpoint, std::uint8_t opcode);
// "Set": fires when the register equals value.
void ArmValueBreakpoint(Breakpoint& breakpoint, std::uint8_t kind, std::uint16_t value);
// "Change": fires when the register differs from its value now.
void ArmChangeBreakpoint(Breakpoint& breakpoint, std::uint8_t kind, const CpuState& cpu);
