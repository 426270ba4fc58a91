// The Z80 executor over any bus: z80::Step (fetch, the DDh/FDh prefix rules
// and the unprefixed instruction set with its IX/IY forms), interrupt
// acceptance and the stack primitives. Templates: the layer that wires the
// processor to a machine instantiates them once for its bus, so memory and
// port accesses inline into the decoder. The CB and ED groups live in
// cb_ed_groups.h. Every instruction advances cpu.tstates cycle by cycle
// (step_helpers.h), in the order of its published M-cycle breakdown.
#pragma once
#include "cpu/cb_ed_groups.h"
#include "cpu/step_helpers.h"
#include "cpu/z80.h"
#include "cpu/z80_bus.h"

namespace z80 {

// The decoder is instantiated once per index mode, so the plain (HL) path
// carries no index tests at run time.
template <int M>
struct Slot {
  static std::uint16_t Get(const CpuState& s) {
    if constexpr (M == kUseHl) return Hl(s);
    else if constexpr (M == kUseIx) return s.ix;
    else return s.iy;
  }
  static void Set(CpuState& s, unsigned v) {
    if constexpr (M == kUseHl) SetHl(s, v);
    else if constexpr (M == kUseIx) s.ix = static_cast<std::uint16_t>(v);
    else s.iy = static_cast<std::uint16_t>(v);
  }
  // r[index] where H and L mean IXh/IXl (IYh/IYl) in index mode.
  static std::uint8_t GetR(const CpuState& s, int index) {
    if constexpr (M != kUseHl) {
      if (index == 4) return static_cast<std::uint8_t>(Get(s) >> 8);
      if (index == 5) return static_cast<std::uint8_t>(Get(s));
    }
    return GetReg(s, index);
  }
  static void SetR(CpuState& s, int index, std::uint8_t v) {
    if constexpr (M != kUseHl) {
      if (index == 4) return Set(s, (Get(s) & 0x00FF) | (v << 8));
      if (index == 5) return Set(s, (Get(s) & 0xFF00) | v);
    }
    SetReg(s, index, v);
  }
  // Address of the (HL) operand: HL itself, or IX+d with d read here and
  // memptr latched to the sum; the addition takes 5 T with the
  // displacement's address on the bus ("pc+2:3, pc+2:1 x 5").
  template <class Bus>
  static std::uint16_t OperandAddress(CpuState& s, Bus m) {
    if constexpr (M == kUseHl) {
      return Hl(s);
    } else {
      const std::uint16_t at = s.pc;
      auto d = static_cast<std::int8_t>(FetchByte(s, m));
      Internal(s, m, at, 5);
      auto address = static_cast<std::uint16_t>(Get(s) + d);
      s.memptr = address;
      return address;
    }
  }
  // rp[p] with IX/IY in slot 2.
  static std::uint16_t GetRp(const CpuState& s, int p) { return p == 2 ? Get(s) : GetPair(s, p); }
  static void SetRp(CpuState& s, int p, unsigned v) {
    if (p == 2) Set(s, v);
    else SetPair(s, p, v);
  }
};

inline void Jump(CpuState& s, std::int8_t d) {
  s.pc = static_cast<std::uint16_t>(s.pc + d);
  s.memptr = s.pc;
}

// x = 0: relative jumps, 16-bit loads and arithmetic, INC/DEC, LD r,n and
// the accumulator rotates.
template <int M, class Bus>
[[gnu::always_inline]] inline void ExecuteX0(CpuState& s, Bus m, std::uint8_t op) {
  using X = Slot<M>;
  const int y = (op >> 3) & 7;
  const int p = y >> 1;
  const bool q = (y & 1) != 0;
  switch (op & 7) {
    case 0:
      switch (y) {
        case 0: return;  // NOP
        case 1: {
          std::uint8_t t = s.a; s.a = s.a_alt; s.a_alt = t;
          t = s.f; s.f = s.f_alt; s.f_alt = t;
          return;
        }
        case 2: {
          InternalIr(s, m, 1);  // the decrement of B
          const std::uint16_t at = s.pc;
          auto d = static_cast<std::int8_t>(FetchByte(s, m));
          if (--s.b != 0) {
            Internal(s, m, at, 5);  // the addition to PC
            Jump(s, d);
          }
          return;
        }
        case 3: {
          const std::uint16_t at = s.pc;
          auto d = static_cast<std::int8_t>(FetchByte(s, m));
          Internal(s, m, at, 5);
          Jump(s, d);
          return;
        }
        default: {
          const std::uint16_t at = s.pc;
          auto d = static_cast<std::int8_t>(FetchByte(s, m));
          if (!CondHolds(s.f, y - 4)) return;
          Internal(s, m, at, 5);
          s.pc = static_cast<std::uint16_t>(s.pc + d);  // JR cc leaves memptr alone
          return;
        }
      }
    case 1:
      if (!q) {
        X::SetRp(s, p, FetchWord(s, m));
      } else {
        InternalIr(s, m, 7);  // the two 8-bit halves of the addition
        std::uint16_t target = X::Get(s);
        s.memptr = static_cast<std::uint16_t>(target + 1);
        X::Set(s, Add16(s, target, X::GetRp(s, p)));
      }
      return;
    case 2:
      switch (op) {
        case 0x02:
        case 0x12: {
          std::uint16_t pair = op == 0x02 ? Bc(s) : De(s);
          WriteCycle(s, m, pair, s.a);
          s.memptr = static_cast<std::uint16_t>(s.a << 8 | ((pair + 1) & 0xFF));
          return;
        }
        case 0x0A:
        case 0x1A: {
          std::uint16_t pair = op == 0x0A ? Bc(s) : De(s);
          s.a = ReadCycle(s, m, pair);
          s.memptr = static_cast<std::uint16_t>(pair + 1);
          return;
        }
        case 0x22: {
          std::uint16_t nn = FetchWord(s, m);
          WriteWord(s, m, nn, X::Get(s));
          s.memptr = static_cast<std::uint16_t>(nn + 1);
          return;
        }
        case 0x2A: {
          std::uint16_t nn = FetchWord(s, m);
          X::Set(s, ReadWord(s, m, nn));
          s.memptr = static_cast<std::uint16_t>(nn + 1);
          return;
        }
        case 0x32: {
          std::uint16_t nn = FetchWord(s, m);
          WriteCycle(s, m, nn, s.a);
          s.memptr = static_cast<std::uint16_t>(s.a << 8 | ((nn + 1) & 0xFF));
          return;
        }
        default: {  // 0x3A
          std::uint16_t nn = FetchWord(s, m);
          s.a = ReadCycle(s, m, nn);
          s.memptr = static_cast<std::uint16_t>(nn + 1);
          return;
        }
      }
    case 3:
      InternalIr(s, m, 2);
      X::SetRp(s, p, X::GetRp(s, p) + (q ? 0xFFFF : 1));
      return;
    case 4:
    case 5: {
      const bool dec = (op & 7) == 5;
      if (y == 6) {
        std::uint16_t address = X::OperandAddress(s, m);
        std::uint8_t v = ReadCycle(s, m, address);
        Internal(s, m, address, 1);
        WriteCycle(s, m, address, dec ? Dec8(s, v) : Inc8(s, v));
        return;
      }
      std::uint8_t v = X::GetR(s, y);
      X::SetR(s, y, dec ? Dec8(s, v) : Inc8(s, v));
      return;
    }
    case 6:
      if (y == 6) {
        if constexpr (M == kUseHl) {
          const std::uint8_t n = FetchByte(s, m);
          WriteCycle(s, m, Hl(s), n);
        } else {
          // d comes before n, and the addition overlaps the fetch of n:
          // "pc+2:3, pc+3:3, pc+3:1 x 2".
          auto d = static_cast<std::int8_t>(FetchByte(s, m));
          const std::uint16_t at = s.pc;
          const std::uint8_t n = FetchByte(s, m);
          Internal(s, m, at, 2);
          auto address = static_cast<std::uint16_t>(X::Get(s) + d);
          s.memptr = address;
          WriteCycle(s, m, address, n);
        }
        return;
      }
      X::SetR(s, y, FetchByte(s, m));
      return;
    default: {
      constexpr std::uint8_t kKept = kFlagS | kFlagZ | kFlagPV;
      std::uint8_t a = s.a;
      std::uint8_t f = s.f;
      switch (y) {
        case 0:  // RLCA
          a = static_cast<std::uint8_t>(a << 1 | a >> 7);
          f = static_cast<std::uint8_t>((f & kKept) | (a & (kFlag5 | kFlag3 | kFlagC)));
          break;
        case 1:  // RRCA
          f = static_cast<std::uint8_t>((f & kKept) | (a & kFlagC));
          a = static_cast<std::uint8_t>(a >> 1 | a << 7);
          f |= a & (kFlag5 | kFlag3);
          break;
        case 2: {  // RLA
          std::uint8_t out = a >> 7;
          a = static_cast<std::uint8_t>(a << 1 | (f & kFlagC));
          f = static_cast<std::uint8_t>((f & kKept) | (a & (kFlag5 | kFlag3)) | out);
          break;
        }
        case 3: {  // RRA
          std::uint8_t out = a & 1;
          a = static_cast<std::uint8_t>(a >> 1 | (f & kFlagC) << 7);
          f = static_cast<std::uint8_t>((f & kKept) | (a & (kFlag5 | kFlag3)) | out);
          break;
        }
        case 4: {  // DAA
          std::uint8_t correction = 0;
          if ((f & kFlagH) || (a & 0x0F) > 9) correction |= 0x06;
          if ((f & kFlagC) || a > 0x9F) correction |= 0x60;
          if (a > 0x8F && (a & 0x0F) > 9) correction |= 0x60;
          std::uint8_t nf = f & (kFlagN | kFlagC);
          if (a > 0x99) nf |= kFlagC;
          if (f & kFlagN) {
            nf |= ((a & 0x0F) - (correction & 0x0F)) & kFlagH;
            a = static_cast<std::uint8_t>(a - correction);
          } else {
            nf |= ((a & 0x0F) + (correction & 0x0F)) & kFlagH;
            a = static_cast<std::uint8_t>(a + correction);
          }
          f = static_cast<std::uint8_t>(nf | Sz53p(a));
          break;
        }
        case 5:  // CPL
          a = static_cast<std::uint8_t>(~a);
          f = static_cast<std::uint8_t>((f & (kKept | kFlagC)) | (a & (kFlag5 | kFlag3)) | kFlagH | kFlagN);
          break;
        case 6:  // SCF
          f = static_cast<std::uint8_t>((f & kKept) | (a & (kFlag5 | kFlag3)) | kFlagC);
          break;
        default:  // CCF: H takes the old carry
          f = static_cast<std::uint8_t>((f & kKept) | (a & (kFlag5 | kFlag3)) |
                                        ((f & kFlagC) ? kFlagH : kFlagC));
          break;
      }
      s.a = a;
      s.f = f;
      return;
    }
  }
}

// x = 1: LD r,r' and HALT.
template <int M, class Bus>
[[gnu::always_inline]] inline void ExecuteLoad(CpuState& s, Bus m, std::uint8_t op) {
  using X = Slot<M>;
  const int y = (op >> 3) & 7;
  const int z = op & 7;
  if (y == 6) {
    if (z == 6) {
      // HALT: stay on the opcode so the steps that follow know it; they are
      // the processor's idle M1 cycles at the address after it (Step).
      s.halted = true;
      --s.pc;
      return;
    }
    // The register side of an (HL)/(IX+d) load keeps plain H and L.
    std::uint16_t address = X::OperandAddress(s, m);
    WriteCycle(s, m, address, GetReg(s, z));
    return;
  }
  if (z == 6) {
    std::uint16_t address = X::OperandAddress(s, m);
    SetReg(s, y, ReadCycle(s, m, address));
    return;
  }
  X::SetR(s, y, X::GetR(s, z));
}

// x = 2: alu[y] A,r[z].
template <int M, class Bus>
[[gnu::always_inline]] inline void ExecuteAlu(CpuState& s, Bus m, std::uint8_t op) {
  using X = Slot<M>;
  const int y = (op >> 3) & 7;
  const int z = op & 7;
  if (z == 6) {
    std::uint16_t address = X::OperandAddress(s, m);
    Alu(s, y, ReadCycle(s, m, address));
    return;
  }
  Alu(s, y, X::GetR(s, z));
}

// x = 3: returns, jumps, calls, stack, I/O, exchanges and alu A,n.
template <int M, class Bus>
[[gnu::always_inline]] inline void ExecuteX3(CpuState& s, Bus m, std::uint8_t op) {
  using X = Slot<M>;
  const int y = (op >> 3) & 7;
  const int p = y >> 1;
  const bool q = (y & 1) != 0;
  switch (op & 7) {
    case 0:
      InternalIr(s, m, 1);  // the condition test
      if (!CondHolds(s.f, y)) return;
      s.pc = Pop(s, m);
      return;
    case 1:
      if (!q) {
        std::uint16_t v = Pop(s, m);
        if (p == 3) {
          s.a = static_cast<std::uint8_t>(v >> 8);
          s.f = static_cast<std::uint8_t>(v);
          return;
        }
        X::SetRp(s, p, v);
        return;
      }
      switch (p) {
        case 0:
          s.pc = s.memptr = Pop(s, m);
          return;
        case 1: {
          std::uint8_t t;
          t = s.b; s.b = s.b_alt; s.b_alt = t;
          t = s.c; s.c = s.c_alt; s.c_alt = t;
          t = s.d; s.d = s.d_alt; s.d_alt = t;
          t = s.e; s.e = s.e_alt; s.e_alt = t;
          t = s.h; s.h = s.h_alt; s.h_alt = t;
          t = s.l; s.l = s.l_alt; s.l_alt = t;
          return;
        }
        case 2:
          s.pc = X::Get(s);
          return;
        default:
          InternalIr(s, m, 2);
          s.sp = X::Get(s);
          return;
      }
    case 2: {
      std::uint16_t nn = FetchWord(s, m);
      s.memptr = nn;
      if (CondHolds(s.f, y)) s.pc = nn;
      return;
    }
    case 3:
      switch (y) {
        case 0: {
          std::uint16_t nn = FetchWord(s, m);
          s.pc = s.memptr = nn;
          return;
        }
        case 2: {  // OUT (n),A
          std::uint8_t n = FetchByte(s, m);
          s.memptr = static_cast<std::uint16_t>(s.a << 8 | ((n + 1) & 0xFF));
          s.io_data = s.a;
          OutCycle(s, m, static_cast<std::uint16_t>(s.a << 8 | n), s.a);
          return;
        }
        case 3: {  // IN A,(n): no flags
          std::uint8_t n = FetchByte(s, m);
          s.memptr = static_cast<std::uint16_t>((s.a << 8 | n) + 1);
          s.a = s.io_data = InCycle(s, m, static_cast<std::uint16_t>(s.a << 8 | n));
          return;
        }
        case 4: {  // EX (SP),HL as pop then push, so the push obeys write_floor
          std::uint16_t old = X::Get(s);
          X::Set(s, Pop(s, m));
          Internal(s, m, static_cast<std::uint16_t>(s.sp - 1), 1);
          Push(s, m, old);
          Internal(s, m, s.sp, 2);
          s.memptr = X::Get(s);
          return;
        }
        case 5: {  // EX DE,HL ignores index prefixes
          std::uint8_t t;
          t = s.d; s.d = s.h; s.h = t;
          t = s.e; s.e = s.l; s.l = t;
          return;
        }
        case 6:
          s.iff = 0;
          return;
        case 7:
          s.iff = 4;
          s.ei_delay = true;
          return;
        default:
          return;  // CB is dispatched before the decoder; unreachable
      }
    case 4: {
      std::uint16_t nn = FetchWord(s, m);
      s.memptr = nn;
      if (!CondHolds(s.f, y)) return;
      Internal(s, m, static_cast<std::uint16_t>(s.pc - 1), 1);
      Push(s, m, s.pc);
      s.pc = nn;
      return;
    }
    case 5:
      if (!q) {
        InternalIr(s, m, 1);
        if (p == 3) {
          Push(s, m, Af(s));
          return;
        }
        Push(s, m, X::GetRp(s, p));
        return;
      }
      if (p == 0) {
        std::uint16_t nn = FetchWord(s, m);
        s.memptr = nn;
        Internal(s, m, static_cast<std::uint16_t>(s.pc - 1), 1);
        Push(s, m, s.pc);
        s.pc = nn;
        return;
      }
      // DDh, EDh and FDh: the prefixes are dispatched before the decoder.
      return;
    case 6:
      Alu(s, y, FetchByte(s, m));
      return;
    default:
      InternalIr(s, m, 1);
      Push(s, m, s.pc);
      s.pc = s.memptr = static_cast<std::uint16_t>(y * 8);
      return;
  }
}

template <class Bus>
void ExecuteIndexed(CpuState& s, Bus m, std::uint8_t prefix);

// One instantiation per opcode: with the opcode a constant, the x/y/z/p/q
// switches above fold away and each case is straight-line code. The prefix
// bytes are cases of the same switch, so plain instructions pay no prefix
// tests.
template <int M, int OP, class Bus>
[[gnu::always_inline]] inline void Execute(CpuState& s, Bus m) {
  constexpr auto op = static_cast<std::uint8_t>(OP);
  if constexpr (OP == 0xCB) {
    if constexpr (M == kUseHl) ExecuteCb(s, m);
    else ExecuteIndexedCb(s, m, Slot<M>::Get(s));
  } else if constexpr (OP == 0xED) {
    ExecuteEd(s, m);  // an index prefix in front of ED has no effect
  } else if constexpr (M == kUseHl && (OP == 0xDD || OP == 0xFD)) {
    ExecuteIndexed(s, m, op);
  } else if constexpr ((OP >> 6) == 0) {
    ExecuteX0<M>(s, m, op);
  } else if constexpr ((OP >> 6) == 1) {
    ExecuteLoad<M>(s, m, op);
  } else if constexpr ((OP >> 6) == 2) {
    ExecuteAlu<M>(s, m, op);
  } else {
    ExecuteX3<M>(s, m, op);
  }
}

#define VANTRO_OP(n) \
  case (n): Execute<M, (n)>(s, m); return;
#define VANTRO_OP4(n) VANTRO_OP(n) VANTRO_OP((n) + 1) VANTRO_OP((n) + 2) VANTRO_OP((n) + 3)
#define VANTRO_OP16(n) VANTRO_OP4(n) VANTRO_OP4((n) + 4) VANTRO_OP4((n) + 8) VANTRO_OP4((n) + 12)

template <int M, class Bus>
[[gnu::always_inline]] inline void ExecuteMain(CpuState& s, Bus m, std::uint8_t op) {
  switch (op) {
    VANTRO_OP16(0x00) VANTRO_OP16(0x10) VANTRO_OP16(0x20) VANTRO_OP16(0x30)
    VANTRO_OP16(0x40) VANTRO_OP16(0x50) VANTRO_OP16(0x60) VANTRO_OP16(0x70)
    VANTRO_OP16(0x80) VANTRO_OP16(0x90) VANTRO_OP16(0xA0) VANTRO_OP16(0xB0)
    VANTRO_OP16(0xC0) VANTRO_OP16(0xD0) VANTRO_OP16(0xE0) VANTRO_OP16(0xF0)
  }
}

#undef VANTRO_OP16
#undef VANTRO_OP4
#undef VANTRO_OP

// Behind DDh or FDh. In a run of prefixes only the last applies: each one
// before it does nothing in its 4-T M1 cycle, and the next step starts at
// the prefix after it, so a run of any length never holds up a step. The
// prefix's M1 and its fetch in R come on top of the instruction it changes
// (a DDh that the instruction ignores, as in DD 01 nn, makes it 4 T longer).
template <class Bus>
void ExecuteIndexed(CpuState& s, Bus m, std::uint8_t prefix) {
  const std::uint8_t op = m.Read(s.pc);
  if (op == 0xDD || op == 0xFD) return;
  const std::uint8_t fetched = FetchOpcode(s, m);
  if (prefix == 0xFD) ExecuteMain<kUseIy>(s, m, fetched);
  else ExecuteMain<kUseIx>(s, m, fetched);
}

// A halted processor runs 4-T M1 cycles at the address after the HALT,
// ignoring what it reads, until an interrupt; pc stays on the HALT so the
// debugger and AcceptInterrupt know where it stopped. A program that moved
// pc off the HALT (the debugger, a loader) runs from there: returns false.
template <class Bus>
[[gnu::noinline]] bool HaltedCycle(CpuState& cpu, Bus bus) {
  if (bus.Read(cpu.pc) != 0x76) return false;
  WaitFor(cpu, bus, static_cast<std::uint16_t>(cpu.pc + 1));
  ++cpu.r;
  ++cpu.fetches;  // an input recording counts the halted fetches too
  cpu.tstates += 4;
  return true;
}

// One instruction, or one pass of a repeating block instruction, advancing
// cpu.tstates by its cycles.
template <class Bus>
[[gnu::always_inline]] inline void Step(CpuState& cpu, Bus bus) {
  cpu.ei_delay = false;
  if (cpu.halted && HaltedCycle(cpu, bus)) [[unlikely]] return;
  ExecuteMain<kUseHl>(cpu, bus, FetchOpcode(cpu, bus));
}

// Offers the interrupt once; dropped when disabled or right after EI. The
// acceptance takes its own cycles: the acknowledge, an M1 cycle of 7 T
// that counts in R and reads no memory, the push of the return address,
// and in mode 2 the two reads of the vector (13 T in modes 0 and 1, 19 T in
// mode 2 on an uncontended bus).
template <class Bus>
void AcceptInterrupt(CpuState& cpu, Bus bus) {
  // Not kept pending: an interrupt refused now is simply lost for this frame.
  if (cpu.iff == 0 || cpu.ei_delay) return;
  if (cpu.halted) {
    cpu.halted = false;
    ++cpu.pc;  // HALT left pc on its own opcode
  }
  // Acceptance disables interrupts, as on the real part; without this the
  // handler could be re-entered before its own EI. Only EI enables them
  // again: RETN and RETI leave iff as it is.
  cpu.iff = 0;
  ++cpu.r;
  cpu.tstates += 7;
  Push(cpu, bus, cpu.pc);
  if (cpu.im == 2) {
    // The 48K's floating bus supplies FFh as the vector's low byte.
    cpu.pc = ReadWord(cpu, bus, static_cast<std::uint16_t>(cpu.i << 8 | 0xFF));
  } else {
    cpu.pc = 0x0038;
  }
}

// Whether the step that started at `start` was a pass of a repeating block
// instruction that has more to do: PC is back on the instruction's EDh (the
// byte after `start` when a stray index prefix came first).
template <class Bus>
bool BlockPassRepeats(const CpuState& cpu, Bus bus, std::uint16_t start) {
  const std::uint8_t first = bus.Read(start);
  const bool prefixed = first == 0xDD || first == 0xFD;
  const auto ed_at = static_cast<std::uint16_t>(start + (prefixed ? 1 : 0));
  return cpu.pc == ed_at && IsRepeatingBlock(bus.Read(ed_at), bus.Read(static_cast<std::uint16_t>(ed_at + 1)));
}

}  // namespace z80
