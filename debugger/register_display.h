// The texts of the debugger window's display fields, made without a window:
// the stack list, the interrupt state, the registers bit by bit and as
// numbers, and the T-state counter. RefreshDebugger (debugger_window.cpp)
// puts them into its controls; the tests read them directly.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"

constexpr int kStackLines = 14;

// Everything RefreshDebugger writes. Numbers follow HexMode except the
// eight 8-bit fields, which always show bits.
struct RegisterTexts {
  std::array<std::string, kStackLines> stack;
  std::string iff, im;
  std::string a, f, b, c, d, e, h, l;  // "01010101", most significant bit first
  std::string af, bc, de, hl;
  std::string af_alt, bc_alt, de_alt, hl_alt;
  std::string ix, iy, pc, sp, memptr;
  std::string i, r;
  std::string tstates;  // the T-state field
};

RegisterTexts DescribeRegisters(const CpuState& cpu, const Machine& machine, bool hex_mode);

// "FF4Ah : 1303h" or "65354 : 04867": the word at address (both bytes
// wrapping at 65,536).
std::string StackLine(const Machine& machine, std::uint16_t address, bool hex_mode);
// Eight digits 0 or 1, bit 7 first.
std::string BitText(std::uint8_t value);
// "1234h" or "04660"; "12h" or "018".
std::string WordText(std::uint16_t value, bool hex_mode);
std::string ByteText(std::uint8_t value, bool hex_mode);
// Decimal, blank-padded on the left to width; a longer number shows only
// its leftmost width characters.
std::string RightAligned(std::uint32_t value, std::size_t width);
// The running total in 7 characters, a blank, the last instruction in 2.
std::string TStateText(std::int32_t running_total, std::uint32_t tstates);
// "Y" while interrupts are enabled, else "N".
std::string IffText(std::uint8_t iff);
