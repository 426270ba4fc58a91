// Inline building blocks of the Z80 executor: flag tables, memory and stack
// access through the bus, the 8- and 16-bit arithmetic shared by the
// unprefixed decoder (step.h) and the CB/ED groups (cb_ed_groups.h).
// Private to cpu/.
#pragma once
#include <array>
#include <cstdint>

#include "cpu/cpu_state.h"

namespace z80 {

// Which register pair the HL slot of an instruction means after DDh/FDh.
enum IndexMode : int { kUseHl = 0, kUseIx = 1, kUseIy = 2 };

struct FlagTables {
  std::array<std::uint8_t, 256> sz53{};   // S, Z, 5, 3 of a result byte
  std::array<std::uint8_t, 256> sz53p{};  // the same plus P/V = even parity
};

constexpr FlagTables MakeFlagTables() {
  FlagTables t;
  for (int v = 0; v < 256; ++v) {
    std::uint8_t f = static_cast<std::uint8_t>(v & (kFlagS | kFlag5 | kFlag3));
    if (v == 0) f |= kFlagZ;
    t.sz53[v] = f;
    int bits = 0;
    for (int b = 0; b < 8; ++b) bits += (v >> b) & 1;
    t.sz53p[v] = static_cast<std::uint8_t>(f | ((bits & 1) == 0 ? kFlagPV : 0));
  }
  return t;
}

inline constexpr FlagTables kFlagTables = MakeFlagTables();

inline std::uint8_t Sz53(std::uint8_t v) { return kFlagTables.sz53[v]; }
inline std::uint8_t Sz53p(std::uint8_t v) { return kFlagTables.sz53p[v]; }
inline std::uint8_t Parity(unsigned v) { return kFlagTables.sz53p[v & 0xFF] & kFlagPV; }

// ---- bus cycles ----------------------------------------------------------
//
// The core advances s.tstates as its bus cycles fall: an opcode fetch 4 T,
// a memory read or write 3 T, a port cycle 4 T, and the internal T-states
// of each instruction one at a time, each held on the address the processor
// leaves on the bus then (the published per-instruction M-cycle breakdowns:
// "pc:4, pc+1:3, hl:3, hl:1"). Before each cycle the bus may hold the
// processor up (a machine whose memory is shared with its video chip);
// a bus without the hooks of z80_bus.h costs nothing for them. The byte is
// read or written once the wait is over, with s.tstates at that moment.

template <class Bus>
[[gnu::always_inline]] inline void WaitFor(CpuState& s, Bus m, std::uint16_t address) {
  if constexpr (requires { m.Contend(address, s.tstates); }) s.tstates += m.Contend(address, s.tstates);
}

// The address the processor holds during internal T-states that name IR:
// I and the R the program would read.
inline std::uint16_t IrAddress(const CpuState& s) {
  return static_cast<std::uint16_t>(s.i << 8 | (s.r7 & 0x80) | (s.r & 0x7F));
}

// `count` internal T-states with `address` on the bus.
template <class Bus>
[[gnu::always_inline]] inline void Internal(CpuState& s, Bus m, std::uint16_t address, int count) {
  for (int i = 0; i < count; ++i) {
    WaitFor(s, m, address);
    ++s.tstates;
  }
}

template <class Bus>
[[gnu::always_inline]] inline void InternalIr(CpuState& s, Bus m, int count) {
  Internal(s, m, IrAddress(s), count);
}

template <class Bus>
[[gnu::always_inline]] inline std::uint8_t ReadCycle(CpuState& s, Bus m, std::uint16_t address) {
  WaitFor(s, m, address);
  const std::uint8_t v = m.Read(address);
  s.tstates += 3;
  return v;
}

template <class Bus>
[[gnu::always_inline]] inline void WriteCycle(CpuState& s, Bus m, std::uint16_t address, std::uint8_t value) {
  WaitFor(s, m, address);
  m.Write(address, value);
  s.tstates += 3;
}

// A port cycle of 4 T. The bus says how long the whole cycle is held up
// (on the Spectrum by the port address, z80_bus.h); the transfer comes three
// T-states before its end, as the processor samples or drives the data then.
template <class Bus>
[[gnu::always_inline]] inline void PortCycleStart(CpuState& s, Bus m, std::uint16_t port) {
  if constexpr (requires { m.PortDelay(port, s.tstates); }) s.tstates += m.PortDelay(port, s.tstates);
  ++s.tstates;
}

template <class Bus>
[[gnu::always_inline]] inline std::uint8_t InCycle(CpuState& s, Bus m, std::uint16_t port) {
  PortCycleStart(s, m, port);
  const std::uint8_t v = m.In(port);
  s.tstates += 3;
  return v;
}

template <class Bus>
[[gnu::always_inline]] inline void OutCycle(CpuState& s, Bus m, std::uint16_t port, std::uint8_t value) {
  PortCycleStart(s, m, port);
  m.Out(port, value);
  s.tstates += 3;
}

// ---- instruction stream and memory -------------------------------------

template <class Bus>
inline std::uint8_t FetchByte(CpuState& s, Bus m) { return ReadCycle(s, m, s.pc++); }

template <class Bus>
inline std::uint16_t FetchWord(CpuState& s, Bus m) {
  std::uint8_t low = ReadCycle(s, m, s.pc++);
  std::uint8_t high = ReadCycle(s, m, s.pc++);
  return static_cast<std::uint16_t>(high << 8 | low);
}

// Opcode fetches (first byte, prefixes, the byte after CBh/EDh) count in R;
// immediates and displacements do not. The M1 cycle is 4 T; the refresh in
// its last two puts IR on the bus without a processor access, so only the
// fetch's own address can be held up.
template <class Bus>
inline std::uint8_t FetchOpcode(CpuState& s, Bus m) {
  WaitFor(s, m, s.pc);
  ++s.r;
  ++s.fetches;
  const std::uint8_t v = m.Read(s.pc++);
  s.tstates += 4;
  return v;
}

template <class Bus>
inline std::uint16_t ReadWord(CpuState& s, Bus m, std::uint16_t address) {
  std::uint8_t low = ReadCycle(s, m, address);
  std::uint8_t high = ReadCycle(s, m, static_cast<std::uint16_t>(address + 1));
  return static_cast<std::uint16_t>(high << 8 | low);
}

template <class Bus>
inline void WriteWord(CpuState& s, Bus m, std::uint16_t address, std::uint16_t value) {
  WriteCycle(s, m, address, static_cast<std::uint8_t>(value));
  WriteCycle(s, m, static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value >> 8));
}

// The one definition of the stack rules, for the executor, interrupt
// acceptance and the Spectrum's PushWord and PopWord.
template <class Bus>
inline void Push(CpuState& s, Bus m, std::uint16_t value) {
  // sp moves by two even when the bus drops the bytes (write protection).
  --s.sp;
  WriteCycle(s, m, s.sp, static_cast<std::uint8_t>(value >> 8));
  --s.sp;
  WriteCycle(s, m, s.sp, static_cast<std::uint8_t>(value));
}

template <class Bus>
inline std::uint16_t Pop(CpuState& s, Bus m) {
  std::uint8_t low = ReadCycle(s, m, s.sp++);
  std::uint8_t high = ReadCycle(s, m, s.sp++);
  return static_cast<std::uint16_t>(high << 8 | low);
}

inline void SetBc(CpuState& s, unsigned v) {
  s.b = static_cast<std::uint8_t>(v >> 8);
  s.c = static_cast<std::uint8_t>(v);
}
inline void SetDe(CpuState& s, unsigned v) {
  s.d = static_cast<std::uint8_t>(v >> 8);
  s.e = static_cast<std::uint8_t>(v);
}
inline void SetHl(CpuState& s, unsigned v) {
  s.h = static_cast<std::uint8_t>(v >> 8);
  s.l = static_cast<std::uint8_t>(v);
}

inline bool CondHolds(std::uint8_t f, int y) {
  switch (y) {
    case 0: return (f & kFlagZ) == 0;
    case 1: return (f & kFlagZ) != 0;
    case 2: return (f & kFlagC) == 0;
    case 3: return (f & kFlagC) != 0;
    case 4: return (f & kFlagPV) == 0;
    case 5: return (f & kFlagPV) != 0;
    case 6: return (f & kFlagS) == 0;
    default: return (f & kFlagS) != 0;
  }
}

// ---- plain register file by r[] index (H and L are the real H and L) ----

inline std::uint8_t GetReg(const CpuState& s, int index) {
  switch (index) {
    case 0: return s.b;
    case 1: return s.c;
    case 2: return s.d;
    case 3: return s.e;
    case 4: return s.h;
    case 5: return s.l;
    default: return s.a;
  }
}

inline void SetReg(CpuState& s, int index, std::uint8_t v) {
  switch (index) {
    case 0: s.b = v; break;
    case 1: s.c = v; break;
    case 2: s.d = v; break;
    case 3: s.e = v; break;
    case 4: s.h = v; break;
    case 5: s.l = v; break;
    default: s.a = v; break;
  }
}

// rp[p] with HL itself in slot 2 (the ED group ignores index prefixes).
inline std::uint16_t GetPair(const CpuState& s, int p) {
  switch (p) {
    case 0: return Bc(s);
    case 1: return De(s);
    case 2: return Hl(s);
    default: return s.sp;
  }
}

inline void SetPair(CpuState& s, int p, unsigned v) {
  switch (p) {
    case 0: SetBc(s, v); break;
    case 1: SetDe(s, v); break;
    case 2: SetHl(s, v); break;
    default: s.sp = static_cast<std::uint16_t>(v); break;
  }
}

// ---- 8-bit arithmetic ---------------------------------------------------

inline void Add8(CpuState& s, std::uint8_t v, unsigned carry) {
  unsigned a = s.a;
  unsigned res = a + v + carry;
  auto r8 = static_cast<std::uint8_t>(res);
  s.f = static_cast<std::uint8_t>(Sz53(r8) | ((a ^ v ^ res) & kFlagH) |
                                  (((~(a ^ v) & (a ^ res)) & 0x80) >> 5) | (res >> 8));
  s.a = r8;
}

// Flags of A - v - carry; returns the 8-bit result.
inline std::uint8_t Sub8Flags(CpuState& s, std::uint8_t v, unsigned carry) {
  unsigned a = s.a;
  unsigned res = a - v - carry;
  auto r8 = static_cast<std::uint8_t>(res);
  s.f = static_cast<std::uint8_t>(Sz53(r8) | kFlagN | ((a ^ v ^ res) & kFlagH) |
                                  ((((a ^ v) & (a ^ res)) & 0x80) >> 5) | ((res >> 8) & kFlagC));
  return r8;
}

// alu[y] A,v: ADD ADC SUB SBC AND XOR OR CP.
inline void Alu(CpuState& s, int y, std::uint8_t v) {
  switch (y) {
    case 0: Add8(s, v, 0); break;
    case 1: Add8(s, v, s.f & kFlagC); break;
    case 2: s.a = Sub8Flags(s, v, 0); break;
    case 3: s.a = Sub8Flags(s, v, s.f & kFlagC); break;
    case 4:
      s.a &= v;
      s.f = Sz53p(s.a) | kFlagH;
      break;
    case 5:
      s.a ^= v;
      s.f = Sz53p(s.a);
      break;
    case 6:
      s.a |= v;
      s.f = Sz53p(s.a);
      break;
    default:
      // CP copies flags 5 and 3 from the operand, not from the difference.
      Sub8Flags(s, v, 0);
      s.f = static_cast<std::uint8_t>((s.f & ~(kFlag5 | kFlag3)) | (v & (kFlag5 | kFlag3)));
      break;
  }
}

inline std::uint8_t Inc8(CpuState& s, std::uint8_t v) {
  auto res = static_cast<std::uint8_t>(v + 1);
  s.f = static_cast<std::uint8_t>((s.f & kFlagC) | Sz53(res) | ((v & 0x0F) == 0x0F ? kFlagH : 0) |
                                  (v == 0x7F ? kFlagPV : 0));
  return res;
}

inline std::uint8_t Dec8(CpuState& s, std::uint8_t v) {
  auto res = static_cast<std::uint8_t>(v - 1);
  s.f = static_cast<std::uint8_t>((s.f & kFlagC) | kFlagN | Sz53(res) |
                                  ((v & 0x0F) == 0 ? kFlagH : 0) | (v == 0x80 ? kFlagPV : 0));
  return res;
}

// ---- 16-bit arithmetic --------------------------------------------------

inline std::uint16_t Add16(CpuState& s, std::uint16_t a, std::uint16_t v) {
  unsigned res = unsigned{a} + v;
  s.f = static_cast<std::uint8_t>((s.f & (kFlagS | kFlagZ | kFlagPV)) |
                                  (((a ^ v ^ res) >> 8) & kFlagH) | ((res >> 8) & (kFlag5 | kFlag3)) |
                                  (res >> 16));
  return static_cast<std::uint16_t>(res);
}

inline std::uint16_t Adc16(CpuState& s, std::uint16_t a, std::uint16_t v) {
  unsigned res = unsigned{a} + v + (s.f & kFlagC);
  auto r16 = static_cast<std::uint16_t>(res);
  s.f = static_cast<std::uint8_t>(((r16 >> 8) & (kFlagS | kFlag5 | kFlag3)) | (r16 == 0 ? kFlagZ : 0) |
                                  (((a ^ v ^ res) >> 8) & kFlagH) |
                                  (((~(a ^ v) & (a ^ res)) & 0x8000) >> 13) | (res >> 16));
  return r16;
}

inline std::uint16_t Sbc16(CpuState& s, std::uint16_t a, std::uint16_t v) {
  unsigned res = unsigned{a} - v - (s.f & kFlagC);
  auto r16 = static_cast<std::uint16_t>(res);
  s.f = static_cast<std::uint8_t>(kFlagN | ((r16 >> 8) & (kFlagS | kFlag5 | kFlag3)) |
                                  (r16 == 0 ? kFlagZ : 0) | (((a ^ v ^ res) >> 8) & kFlagH) |
                                  ((((a ^ v) & (a ^ res)) & 0x8000) >> 13) | ((res >> 16) & kFlagC));
  return r16;
}

}  // namespace z80
