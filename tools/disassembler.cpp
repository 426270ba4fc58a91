// The Z80 disassembler: decodes one instruction on its x/y/z/p/q fields
// (x = bits 7-6, y = bits 5-3, z = bits 2-0, p = y >> 1, q = y & 1) into the
// listing texts. The traced step derives its trace texts from here, so this
// file is the only place that knows how an instruction is spelt.
#include "tools/disassembler.h"

#include "tools/text_format.h"

namespace {

enum class Index { none, ix, iy };

// One decode in progress: the cursor walks the instruction stream, every
// fetched byte lands in the byte field at once, so the field lists the bytes
// in memory order whatever order the text mentions them in.
struct Decoder {
  const MemoryView& memory;
  std::uint16_t cursor;
  bool hex_mode;
  std::string& bytes;
  std::string& text;
  Index index = Index::none;

  std::uint8_t Fetch() {
    std::uint8_t byte = memory.Read(cursor);
    cursor = static_cast<std::uint16_t>(cursor + 1);
    AppendHex2(bytes, byte);
    bytes += ' ';
    return byte;
  }

  void Put(std::string_view piece) { text.append(piece); }

  void ImmediateByte() { AppendByteNumber(text, Fetch(), hex_mode); }

  void ImmediateWord() {
    std::uint8_t low = Fetch();
    std::uint8_t high = Fetch();
    AppendWordNumber(text, static_cast<std::uint16_t>(high << 8 | low), hex_mode);
  }

  // Relative jump target: counted from the address after the offset byte.
  void RelativeTarget() {
    auto offset = static_cast<std::int8_t>(Fetch());
    AppendWordNumber(text, static_cast<std::uint16_t>(cursor + offset), hex_mode);
  }

  // Index displacement as sign and magnitude: 80h is -128, never +128.
  static void AppendDisplacement(std::string& out, std::uint8_t raw, bool hex_mode) {
    int value = static_cast<std::int8_t>(raw);
    out += value < 0 ? '-' : '+';
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    if (hex_mode) {
      AppendHex2(out, magnitude);
      out += 'h';
    } else {
      AppendDec3(out, magnitude);
    }
  }

  std::string_view IndexPair() const {
    switch (index) {
      case Index::ix: return "IX";
      case Index::iy: return "IY";
      case Index::none: break;
    }
    return "HL";
  }

  // (HL), or (IX+d) with the displacement fetched right here.
  void MemoryOperand() {
    if (index == Index::none) {
      Put("(HL)");
      return;
    }
    Put("(");
    Put(IndexPair());
    AppendDisplacement(text, Fetch(), hex_mode);
    Put(")");
  }

  // r[i] after index substitution. substitute_hl is false for the other
  // operand of LD r,(IX+d) / LD (IX+d),r, which keeps plain H and L.
  void Register(int i, bool substitute_hl = true) {
    if (i == 6) {
      MemoryOperand();
    } else if ((i == 4 || i == 5) && substitute_hl && index != Index::none) {
      Put(IndexPair());
      Put(i == 4 ? "h" : "l");
    } else {
      Put(RegNames[i]);
    }
  }

  void Pair(int p) { Put(p == 2 ? IndexPair() : PairNames[p]); }
  void Pair2(int p) { Put(p == 2 ? IndexPair() : PairNames2[p]); }

  void Condition(int y) { CondText(text, y, 0); }  // the answer matters only when executing

  void MainGroup(std::uint8_t op);
  void CbGroup();
  void EdGroup();
};

void Decoder::MainGroup(std::uint8_t op) {
  const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
  switch (x) {
    case 0:
      switch (z) {
        case 0:
          if (y == 0) {
            Put("NOP");
          } else if (y == 1) {
            Put("EX AF,AF'");
          } else if (y == 2) {
            Put("DJNZ ");
            RelativeTarget();
          } else if (y == 3) {
            Put("JR ");
            RelativeTarget();
          } else {
            Put("JR ");
            Condition(y - 4);
            Put(",");
            RelativeTarget();
          }
          return;
        case 1:
          if (q == 0) {
            Put("LD ");
            Pair(p);
            Put(",");
            ImmediateWord();
          } else {
            Put("ADD ");
            Put(IndexPair());
            Put(",");
            Pair(p);
          }
          return;
        case 2:
          if (q == 0) {
            if (p == 0) {
              Put("LD (BC),A");
            } else if (p == 1) {
              Put("LD (DE),A");
            } else {
              Put("LD (");
              ImmediateWord();
              Put(p == 2 ? ")," : "),A");
              if (p == 2) Put(IndexPair());
            }
          } else {
            if (p == 0) {
              Put("LD A,(BC)");
            } else if (p == 1) {
              Put("LD A,(DE)");
            } else {
              Put("LD ");
              Put(p == 2 ? IndexPair() : "A");
              Put(",(");
              ImmediateWord();
              Put(")");
            }
          }
          return;
        case 3:
          Put(q == 0 ? "INC " : "DEC ");
          Pair(p);
          return;
        case 4:
          Put("INC ");
          Register(y);
          return;
        case 5:
          Put("DEC ");
          Register(y);
          return;
        case 6:
          Put("LD ");
          Register(y);  // for (IX+d),n the displacement comes before n
          Put(",");
          ImmediateByte();
          return;
        default: {
          static constexpr NameTable8 kAccumulatorOps = {"RLCA", "RRCA", "RLA", "RRA",
                                                         "DAA",  "CPL",  "SCF", "CCF"};
          Put(kAccumulatorOps[y]);
          return;
        }
      }
    case 1: {
      if (y == 6 && z == 6) {
        Put("HALT");
        return;
      }
      const bool plain_hl = y == 6 || z == 6;
      Put("LD ");
      Register(y, !plain_hl);
      Put(",");
      Register(z, !plain_hl);
      return;
    }
    case 2:
      Put(AluNames[y]);
      Register(z);
      return;
    default:
      break;
  }

  switch (z) {
    case 0:
      Put("RET ");
      Condition(y);
      return;
    case 1:
      if (q == 0) {
        Put("POP ");
        Pair2(p);
      } else if (p == 0) {
        Put("RET");
      } else if (p == 1) {
        Put("EXX");
      } else if (p == 2) {
        Put("JP ");
        Put(IndexPair());
      } else {
        Put("LD SP,");
        Put(IndexPair());
      }
      return;
    case 2:
      Put("JP ");
      Condition(y);
      Put(",");
      ImmediateWord();
      return;
    case 3:
      switch (y) {
        case 0: Put("JP "); ImmediateWord(); return;
        case 2: Put("OUT ("); ImmediateByte(); Put("),A"); return;
        case 3: Put("IN A,("); ImmediateByte(); Put(")"); return;
        case 4: Put("EX (SP),"); Put(IndexPair()); return;
        case 5: Put("EX DE,HL"); return;
        case 6: Put("DI"); return;
        case 7: Put("EI"); return;
        default: return;  // y = 1 is the CB prefix, handled before the main group
      }
    case 4:
      Put("CALL ");
      Condition(y);
      Put(",");
      ImmediateWord();
      return;
    case 5:
      if (q == 0) {
        Put("PUSH ");
        Pair2(p);
      } else if (p == 0) {
        Put("CALL ");
        ImmediateWord();
      } else {
        // A DDh or FDh followed by another prefix: only the last of a run
        // applies, and each one before it is an instruction of its own that
        // does nothing in 4 T. "NOP*" says "no operation" and the star marks
        // that it is not the real NOP (00h), so the listing cannot be
        // misread as ordinary code.
        Put("NOP*");
      }
      return;
    case 6:
      Put(AluNames[y]);
      ImmediateByte();
      return;
    default:
      Put("RST ");
      AppendByteNumber(text, static_cast<std::uint8_t>(y * 8), hex_mode);
      return;
  }
}

void Decoder::CbGroup() {
  // DDCB/FDCB: the displacement lies before the operation byte.
  std::string displacement;
  if (index != Index::none) {
    displacement = "(";
    displacement.append(IndexPair());
    AppendDisplacement(displacement, Fetch(), hex_mode);
    displacement += ')';
  }
  const std::uint8_t op = Fetch();
  const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;

  if (x == 0) {
    Put(ShiftNames[y]);
  } else {
    Put(x == 1 ? "BIT " : x == 2 ? "RES " : "SET ");
    text += static_cast<char>('0' + y);
    Put(",");
  }
  if (index == Index::none) {
    Put(RegNames[z]);
    return;
  }
  Put(displacement);
  // The undocumented indexed forms also copy their result into r[z]; BIT
  // stores nothing, so it never names a register.
  if (x != 1 && z != 6) {
    Put(",");
    Put(RegNames[z]);
  }
}

void Decoder::EdGroup() {
  const std::uint8_t op = Fetch();
  const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
  if (x == 0 || x == 3) {
    Put(kEdErrorX0X3);
    return;
  }
  if (x == 2) {
    if (z <= 3 && y >= 4) {
      Put(BlockNames[y - 4][z]);
    } else {
      Put(kEdErrorX2);
    }
    return;
  }
  switch (z) {
    case 0:
      Put("IN ");
      Put(RegNames[y]);
      Put(",(C)");
      return;
    case 1:
      Put("OUT (C),");
      Put(RegNames[y]);
      return;
    case 2:
      Put(q == 0 ? "SBC HL," : "ADC HL,");
      Put(PairNames[p]);
      return;
    case 3:
      if (q == 0) {
        Put("LD (");
        ImmediateWord();
        Put("),");
        Put(PairNames[p]);
      } else {
        Put("LD ");
        Put(PairNames[p]);
        Put(",(");
        ImmediateWord();
        Put(")");
      }
      return;
    case 4:
      Put("NEG");
      return;
    case 5:
      Put(y == 1 ? "RETI" : "RETN");
      return;
    case 6:
      Put("IM ");
      Put(ImNames[y]);
      return;
    default: {
      static constexpr NameTable8 kSpecialOps = {"LD I,A", "LD R,A", "LD A,I", "LD A,R",
                                                 "RRD",    "RLD",    "NOP",    "NOP"};
      Put(kSpecialOps[y]);
      return;
    }
  }
}

}  // namespace

bool CondText(std::string& text, int y, std::uint8_t f) {
  y &= 7;
  text.append(CondNames[y]);
  static constexpr std::uint8_t kTestedFlag[4] = {0x40, 0x01, 0x04, 0x80};  // Z, C, P/V, S
  const bool flag_set = (f & kTestedFlag[y >> 1]) != 0;
  return (y & 1) ? flag_set : !flag_set;  // the first of each pair holds on a clear flag
}

std::uint16_t DisassembleInto(const MemoryView& memory, std::uint16_t address, bool hex_mode,
                              std::string& address_field, std::string& byte_field,
                              std::string& text) {
  address_field.clear();
  AppendDec5(address_field, address);
  address_field += ' ';
  AppendHex4(address_field, address);
  address_field += "  ";
  byte_field.clear();
  text.clear();

  Decoder decoder{memory, address, hex_mode, byte_field, text};
  std::uint8_t op = decoder.Fetch();
  // A prefix followed by another is the one-byte no-operation above, as
  // the processor runs it: the next instruction starts at the second.
  const std::uint8_t next = memory.Read(address + 1u);
  if ((op == 0xDD || op == 0xFD) && next != 0xDD && next != 0xFD) {
    decoder.index = op == 0xDD ? Index::ix : Index::iy;
    op = decoder.Fetch();
  }
  if (op == 0xCB) {
    decoder.CbGroup();
  } else if (op == 0xED) {
    decoder.EdGroup();
  } else {
    decoder.MainGroup(op);
  }
  return decoder.cursor;
}

void DisassembleInto(const MemoryView& memory, std::uint16_t address, bool hex_mode,
                     Disassembly& out) {
  out.next_address =
      DisassembleInto(memory, address, hex_mode, out.address_field, out.byte_field, out.text);
}

Disassembly DisassembleOne(const MemoryView& memory, std::uint16_t address, bool hex_mode) {
  Disassembly result;
  DisassembleInto(memory, address, hex_mode, result);
  return result;
}

void AppendListingLine(std::string& out, const Disassembly& line) {
  out.append(line.address_field);
  const std::size_t shown = line.byte_field.size() < kByteColumnWidth ? line.byte_field.size()
                                                                      : kByteColumnWidth;
  out.append(line.byte_field, 0, shown);
  out.append(kByteColumnWidth - shown, ' ');
  out.append(line.text);
}

std::string ListingLine(const Disassembly& line) {
  std::string out;
  AppendListingLine(out, line);
  return out;
}
