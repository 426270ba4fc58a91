// The CB group (rotates, shifts, BIT/RES/SET, also behind DDh/FDh) and the
// ED group (16-bit carry arithmetic, I/R loads, interrupt modes, port I/O
// through (C) and the block instructions), over any bus. Called from
// z80::Step (step.h) after the prefix bytes have been fetched; each runs
// the cycles of the instruction after those fetches. Private to cpu/.
#pragma once
#include "cpu/step_helpers.h"

namespace z80 {

// rot[y]: RLC RRC RL RR SLA SRA SLL SRL, with the flags of the result.
inline std::uint8_t Rotate(CpuState& s, int y, std::uint8_t v) {
  std::uint8_t out;
  std::uint8_t res;
  switch (y) {
    case 0: out = v >> 7; res = static_cast<std::uint8_t>(v << 1 | out); break;
    case 1: out = v & 1; res = static_cast<std::uint8_t>(v >> 1 | out << 7); break;
    case 2: out = v >> 7; res = static_cast<std::uint8_t>(v << 1 | (s.f & kFlagC)); break;
    case 3: out = v & 1; res = static_cast<std::uint8_t>(v >> 1 | (s.f & kFlagC) << 7); break;
    case 4: out = v >> 7; res = static_cast<std::uint8_t>(v << 1); break;
    case 5: out = v & 1; res = static_cast<std::uint8_t>((v >> 1) | (v & 0x80)); break;
    case 6: out = v >> 7; res = static_cast<std::uint8_t>(v << 1 | 1); break;
    default: out = v & 1; res = static_cast<std::uint8_t>(v >> 1); break;
  }
  s.f = static_cast<std::uint8_t>(Sz53p(res) | out);
  return res;
}

// Flags of BIT y on v; `undocumented` supplies flags 5 and 3.
inline void BitFlags(CpuState& s, int y, std::uint8_t v, std::uint8_t undocumented) {
  std::uint8_t bit = static_cast<std::uint8_t>(v & (1u << y));
  std::uint8_t f = static_cast<std::uint8_t>((s.f & kFlagC) | kFlagH | (undocumented & (kFlag5 | kFlag3)));
  if (bit == 0) f |= kFlagZ | kFlagPV;
  else f |= bit & kFlagS;
  s.f = f;
}

// x = 0, 2, 3 of the CB group on one byte; BIT is handled by the callers.
inline std::uint8_t CbModify(CpuState& s, int x, int y, std::uint8_t v) {
  switch (x) {
    case 0: return Rotate(s, y, v);
    case 2: return static_cast<std::uint8_t>(v & ~(1u << y));
    default: return static_cast<std::uint8_t>(v | (1u << y));
  }
}

// ---- block instructions, one pass each --------------------------------

// LDI (step +1) and LDD (step -1).
template <class Bus>
inline void BlockLoad(CpuState& s, Bus m, int step) {
  std::uint16_t hl = Hl(s);
  std::uint16_t de = De(s);
  std::uint8_t v = ReadCycle(s, m, hl);
  WriteCycle(s, m, de, v);
  Internal(s, m, de, 2);
  SetHl(s, static_cast<std::uint16_t>(hl + step));
  SetDe(s, static_cast<std::uint16_t>(de + step));
  std::uint16_t bc = static_cast<std::uint16_t>(Bc(s) - 1);
  SetBc(s, bc);
  unsigned n = (v + s.a) & 0xFF;
  s.f = static_cast<std::uint8_t>((s.f & (kFlagS | kFlagZ | kFlagC)) | (bc != 0 ? kFlagPV : 0) |
                                  (n & kFlag3) | ((n & 0x02) << 4));
}

// CPI / CPD; returns whether the byte matched A.
template <class Bus>
inline bool BlockCompare(CpuState& s, Bus m, int step) {
  std::uint16_t hl = Hl(s);
  std::uint8_t v = ReadCycle(s, m, hl);
  Internal(s, m, hl, 5);
  SetHl(s, static_cast<std::uint16_t>(hl + step));
  std::uint16_t bc = static_cast<std::uint16_t>(Bc(s) - 1);
  SetBc(s, bc);
  auto res = static_cast<std::uint8_t>(s.a - v);
  std::uint8_t half = ((s.a & 0x0F) - (v & 0x0F)) & kFlagH;
  unsigned n = (res - (half ? 1 : 0)) & 0xFF;
  s.f = static_cast<std::uint8_t>((s.f & kFlagC) | kFlagN | (res & kFlagS) | (res == 0 ? kFlagZ : 0) |
                                  half | (bc != 0 ? kFlagPV : 0) | (n & kFlag3) | ((n & 0x02) << 4));
  s.memptr = static_cast<std::uint16_t>(s.memptr + step);
  return res == 0;
}

// Flags shared by INI/IND/OUTI/OUTD after B has been decremented.
inline void BlockIoFlags(CpuState& s, std::uint8_t v, int k) {
  s.f = static_cast<std::uint8_t>(Sz53(s.b) | ((v & 0x80) ? kFlagN : 0) |
                                  (k > 255 ? (kFlagH | kFlagC) : 0) | Parity((k & 7) ^ s.b));
}

// INI / IND; returns the byte read.
template <class Bus>
inline std::uint8_t BlockIn(CpuState& s, Bus m, int step) {
  InternalIr(s, m, 1);
  s.memptr = static_cast<std::uint16_t>(Bc(s) + step);
  const std::uint8_t v = s.io_data = InCycle(s, m, Bc(s));
  std::uint16_t hl = Hl(s);
  WriteCycle(s, m, hl, v);
  SetHl(s, static_cast<std::uint16_t>(hl + step));
  --s.b;
  BlockIoFlags(s, v, v + s.c + step);
  return v;
}

// OUTI / OUTD: B is decremented before the port address is formed; returns
// the byte written.
template <class Bus>
inline std::uint8_t BlockOut(CpuState& s, Bus m, int step) {
  InternalIr(s, m, 1);
  --s.b;
  s.memptr = static_cast<std::uint16_t>(Bc(s) + step);
  std::uint16_t hl = Hl(s);
  std::uint8_t v = ReadCycle(s, m, hl);
  s.io_data = v;
  OutCycle(s, m, Bc(s), v);
  SetHl(s, static_cast<std::uint16_t>(hl + step));
  BlockIoFlags(s, v, v + s.l);
  return v;
}

// A pass of a repeating block instruction that is not its last: PC steps
// back onto the instruction, so interrupts, the loop and the next step see
// it again, and the pass takes 5 T more (21 against 16), with `address` on
// the bus. In those T-states the processor forms the instruction's
// address: MEMPTR takes it plus one, and flags 5 and 3 copy its bits 13
// and 11.
template <class Bus>
inline void RepeatPass(CpuState& s, Bus m, std::uint16_t address) {
  Internal(s, m, address, 5);
  s.pc = static_cast<std::uint16_t>(s.pc - 2);
  s.memptr = static_cast<std::uint16_t>(s.pc + 1);
  s.f = static_cast<std::uint8_t>((s.f & ~(kFlag5 | kFlag3)) | ((s.pc >> 8) & (kFlag5 | kFlag3)));
}

// INIR/INDR/OTIR/OTDR repeating: the extra T-states also leave their mark
// on H and P/V, depending on the carry of the pass and on bit 7 of the byte
// moved (N); B is the counter after the pass.
inline void RepeatIoFlags(CpuState& s, std::uint8_t v) {
  std::uint8_t f = s.f & ~kFlagH;
  if (s.f & kFlagC) {
    if (v & 0x80) {
      f ^= Parity((s.b - 1) & 7) ^ kFlagPV;
      if ((s.b & 0x0F) == 0x00) f |= kFlagH;
    } else {
      f ^= Parity((s.b + 1) & 7) ^ kFlagPV;
      if ((s.b & 0x0F) == 0x0F) f |= kFlagH;
    }
  } else {
    f ^= Parity(s.b & 7) ^ kFlagPV;
  }
  s.f = f;
}

// ED x = 2, y >= 4, z <= 3: one pass per step. A repeating form that has
// more to do ends its pass back on its own address, so an instruction of
// 6,144 passes is 6,144 steps with room for an interrupt between any two.
// The extra T-states hold the address the pass last used: LDIR's DE and
// CPIR's and INIR's HL before their step, OTIR's BC after its decrement.
template <class Bus>
void ExecuteBlock(CpuState& s, Bus m, int y, int z) {
  const int step = (y & 1) ? -1 : 1;
  const bool repeat = y >= 6;
  switch (z) {
    case 0:
      BlockLoad(s, m, step);
      if (!repeat || Bc(s) == 0) return;
      RepeatPass(s, m, static_cast<std::uint16_t>(De(s) - step));
      return;
    case 1: {
      const bool matched = BlockCompare(s, m, step);
      if (!repeat || Bc(s) == 0 || matched) return;
      RepeatPass(s, m, static_cast<std::uint16_t>(Hl(s) - step));
      return;
    }
    case 2: {
      const std::uint8_t v = BlockIn(s, m, step);
      if (!repeat || s.b == 0) return;
      RepeatPass(s, m, static_cast<std::uint16_t>(Hl(s) - step));
      RepeatIoFlags(s, v);
      return;
    }
    default: {
      const std::uint8_t v = BlockOut(s, m, step);
      if (!repeat || s.b == 0) return;
      RepeatPass(s, m, Bc(s));
      RepeatIoFlags(s, v);
      return;
    }
  }
}

// The prefixed groups stay out of line, so the unprefixed decoder's switch
// on the hot path stays compact.
template <class Bus>
[[gnu::noinline]] void ExecuteCb(CpuState& s, Bus m) {
  std::uint8_t op = FetchOpcode(s, m);
  const int x = op >> 6;
  const int y = (op >> 3) & 7;
  const int z = op & 7;
  if (z == 6) {
    std::uint16_t address = Hl(s);
    std::uint8_t v = ReadCycle(s, m, address);
    Internal(s, m, address, 1);
    if (x == 1) {
      // Flags 5 and 3 leak from the internal address latch.
      BitFlags(s, y, v, static_cast<std::uint8_t>(s.memptr >> 8));
      return;
    }
    WriteCycle(s, m, address, CbModify(s, x, y, v));
    return;
  }
  std::uint8_t v = GetReg(s, z);
  if (x == 1) {
    // Flags 5 and 3 are copies of the register's own bits 5 and 3.
    BitFlags(s, y, v, v);
    return;
  }
  SetReg(s, z, CbModify(s, x, y, v));
}

template <class Bus>
[[gnu::noinline]] void ExecuteIndexedCb(CpuState& s, Bus m, std::uint16_t index_register) {
  // DD CB d op: the displacement sits before the operation byte, and the
  // operation byte is read as data (3 T, then 2 T of the addition with its
  // address on the bus), so R counts only DD and CB.
  auto d = static_cast<std::int8_t>(FetchByte(s, m));
  const std::uint16_t op_at = s.pc;
  std::uint8_t op = FetchByte(s, m);
  Internal(s, m, op_at, 2);
  const int x = op >> 6;
  const int y = (op >> 3) & 7;
  const int z = op & 7;
  auto address = static_cast<std::uint16_t>(index_register + d);
  s.memptr = address;
  std::uint8_t v = ReadCycle(s, m, address);
  Internal(s, m, address, 1);
  if (x == 1) {
    BitFlags(s, y, v, static_cast<std::uint8_t>(address >> 8));
    return;
  }
  std::uint8_t res = CbModify(s, x, y, v);
  WriteCycle(s, m, address, res);
  if (z != 6) SetReg(s, z, res);
}

template <class Bus>
[[gnu::noinline]] void ExecuteEd(CpuState& s, Bus m) {
  std::uint8_t op = FetchOpcode(s, m);
  const int x = op >> 6;
  const int y = (op >> 3) & 7;
  const int z = op & 7;
  const int p = y >> 1;
  const bool q = (y & 1) != 0;
  // Undefined codes do nothing and take the time of two NOPs: the two M1
  // cycles already run.
  if (x == 2) {
    if (y >= 4 && z <= 3) ExecuteBlock(s, m, y, z);
    return;
  }
  if (x != 1) return;
  switch (z) {
    case 0: {  // IN r,(C)
      const std::uint8_t v = s.io_data = InCycle(s, m, Bc(s));
      if (y != 6) SetReg(s, y, v);
      s.f = static_cast<std::uint8_t>((s.f & kFlagC) | Sz53p(v));
      if (y == 7) s.memptr = static_cast<std::uint16_t>(Bc(s) + 1);
      return;
    }
    case 1:  // OUT (C),r; y = 6 sends the byte of the previous transfer
      if (y != 6) s.io_data = GetReg(s, y);
      OutCycle(s, m, Bc(s), s.io_data);
      if (y == 7) s.memptr = static_cast<std::uint16_t>(Bc(s) + 1);
      return;
    case 2: {
      InternalIr(s, m, 7);
      std::uint16_t hl = Hl(s);
      s.memptr = static_cast<std::uint16_t>(hl + 1);
      SetHl(s, q ? Adc16(s, hl, GetPair(s, p)) : Sbc16(s, hl, GetPair(s, p)));
      return;
    }
    case 3: {
      std::uint16_t nn = FetchWord(s, m);
      if (q) SetPair(s, p, ReadWord(s, m, nn));
      else WriteWord(s, m, nn, GetPair(s, p));
      s.memptr = static_cast<std::uint16_t>(nn + 1);
      return;
    }
    case 4: {  // NEG is 0 - A
      std::uint8_t v = s.a;
      s.a = 0;
      s.a = Sub8Flags(s, v, 0);
      return;
    }
    case 5:
      // RETN, RETI and their mirrors copy IFF2 into IFF1. With no NMI the two
      // flip-flops never differ, so iff stays as it is: a handler entered by
      // an accepted interrupt that ends in a bare RETI keeps interrupts off.
      s.pc = Pop(s, m);
      if (op == 0x4D) s.memptr = s.pc;
      return;
    case 6:
      switch (y & 3) {
        case 0: s.im = 0; break;
        case 2: s.im = 1; break;
        case 3: s.im = 2; break;
        default: break;  // ED 4E / 6E: mode left as it was
      }
      return;
    default:
      switch (y) {
        // The transfers through I and R take one more T-state with IR
        // (as it stands before the load) on the bus.
        case 0:
          InternalIr(s, m, 1);
          s.i = s.a;
          return;
        case 1:
          InternalIr(s, m, 1);
          s.r = s.a;
          s.r7 = s.a & 0x80;
          return;
        case 2:
          InternalIr(s, m, 1);
          s.a = s.i;
          s.f = static_cast<std::uint8_t>((s.f & kFlagC) | Sz53(s.a) | (s.iff != 0 ? kFlagPV : 0));
          return;
        case 3:
          InternalIr(s, m, 1);
          s.a = static_cast<std::uint8_t>((s.r & 0x7F) | s.r7);
          s.f = static_cast<std::uint8_t>((s.f & kFlagC) | Sz53(s.a) | (s.iff != 0 ? kFlagPV : 0));
          return;
        case 4:
        case 5: {
          std::uint16_t hl = Hl(s);
          std::uint8_t v = ReadCycle(s, m, hl);
          Internal(s, m, hl, 4);
          std::uint8_t stored;
          if (y == 4) {  // RRD
            stored = static_cast<std::uint8_t>(s.a << 4 | v >> 4);
            s.a = static_cast<std::uint8_t>((s.a & 0xF0) | (v & 0x0F));
          } else {  // RLD
            stored = static_cast<std::uint8_t>(v << 4 | (s.a & 0x0F));
            s.a = static_cast<std::uint8_t>((s.a & 0xF0) | v >> 4);
          }
          WriteCycle(s, m, hl, stored);
          s.memptr = static_cast<std::uint16_t>(hl + 1);
          s.f = static_cast<std::uint8_t>((s.f & kFlagC) | Sz53p(s.a));
          return;
        }
        default:  // ED 77, ED 7F
          return;
      }
  }
}

}  // namespace z80
