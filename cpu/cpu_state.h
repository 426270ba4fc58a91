// The complete state of the emulated Z80.
#pragma once
#include <cstdint>

struct CpuState {
  std::uint8_t a = 0, f = 0, b = 0, c = 0, d = 0, e = 0, h = 0, l = 0;
  std::uint8_t a_alt = 0, f_alt = 0, b_alt = 0, c_alt = 0;
  std::uint8_t d_alt = 0, e_alt = 0, h_alt = 0, l_alt = 0;
  std::uint16_t ix = 0, iy = 0;
  std::uint16_t sp = 0xF000;
  std::uint16_t pc = 0;
  std::uint16_t memptr = 0;  // WZ
  std::uint8_t i = 0;
  std::uint8_t r = 0;   // counts every opcode fetch, all eight bits
  std::uint8_t r7 = 0;  // bit 7 of the value last written by LD R,A: 00h or 80h
  std::uint8_t iff = 0; // 0 disabled; any other value enabled (EI stores 4)
  std::uint8_t im = 0;
  bool halted = false;
  bool ei_delay = false;
  // T-states run since the loop last moved them into the frame. A step adds
  // at most a few dozen and the loop empties it every few hundred, so 32
  // bits never wrap, whoever else lets it grow (the debugger's STEP).
  std::uint32_t tstates = 0;
  // The byte of the last port transfer, in or out: OUT (C),0 (ED 71) puts
  // it on the bus again. The port bus itself takes and returns its bytes.
  std::uint8_t io_data = 0;
  // Opcode fetches (those that count in R, prefixes included) since the
  // frame began: an input recording measures its frames in them.
  std::uint32_t fetches = 0;
};

// Flag bits of f.
constexpr std::uint8_t kFlagS = 0x80, kFlagZ = 0x40, kFlag5 = 0x20, kFlagH = 0x10,
                       kFlag3 = 0x08, kFlagPV = 0x04, kFlagN = 0x02, kFlagC = 0x01;

inline std::uint16_t Bc(const CpuState& s) { return static_cast<std::uint16_t>(s.b << 8 | s.c); }
inline std::uint16_t De(const CpuState& s) { return static_cast<std::uint16_t>(s.d << 8 | s.e); }
inline std::uint16_t Hl(const CpuState& s) { return static_cast<std::uint16_t>(s.h << 8 | s.l); }
inline std::uint16_t Af(const CpuState& s) { return static_cast<std::uint16_t>(s.a << 8 | s.f); }
