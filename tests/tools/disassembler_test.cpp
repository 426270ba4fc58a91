// The disassembler's texts in both number modes, its byte fields and next
// addresses, including the wrap at FFFFh and the prefix rules.
#include "tools/disassembler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Memory64k {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(65536, 0);
  MemoryView view{bytes.data(), bytes.size()};

  void Put(std::uint16_t address, std::initializer_list<std::uint8_t> code) {
    for (std::uint8_t b : code) bytes[address++] = b;  // wraps like the Z80
  }
};

struct Case {
  std::initializer_list<std::uint8_t> code;
  std::uint16_t address;
  const char* decimal;
  const char* hex;
};

std::string Describe(const Case& c) {
  std::string s;
  for (std::uint8_t b : c.code) {
    static const char* digits = "0123456789ABCDEF";
    s += digits[b >> 4];
    s += digits[b & 15];
    s += ' ';
  }
  return s + "at " + std::to_string(c.address);
}

// Worked examples and edge cases of the instruction texts.
const Case kCases[] = {
    {{0x00}, 0x8000, "NOP", "NOP"},
    {{0x18, 0xFE}, 0x8000, "JR 32768", "JR 8000h"},
    {{0x20, 0x05}, 0x0000, "JR NZ,00007", "JR NZ,0007h"},
    {{0x38, 0x80}, 0x0000, "JR C,65410", "JR C,FF82h"},
    {{0x10, 0xFE}, 0x1234, "DJNZ 04660", "DJNZ 1234h"},
    {{0x3E, 0x0A}, 0x8000, "LD A,010", "LD A,0Ah"},
    {{0xDD, 0x36, 0x05, 0xFF}, 0x8000, "LD (IX+005),255", "LD (IX+05h),FFh"},
    {{0xFD, 0xCB, 0xFE, 0x46}, 0x8000, "BIT 0,(IY-002)", "BIT 0,(IY-02h)"},
    {{0xDD, 0xCB, 0x01, 0xC0}, 0x8000, "SET 0,(IX+001),B", "SET 0,(IX+01h),B"},
    {{0xDD, 0x65}, 0x8000, "LD IXh,IXl", "LD IXh,IXl"},
    {{0xC7}, 0x8000, "RST 000", "RST 00h"},
    {{0xFF}, 0x8000, "RST 056", "RST 38h"},
    {{0xED, 0x4B, 0x00, 0x40}, 0x8000, "LD BC,(16384)", "LD BC,(4000h)"},
    {{0xED, 0xB0}, 0x8000, "LDIR", "LDIR"},
    {{0xED, 0x00}, 0x8000, "ERROR ED X=0:X=3", "ERROR ED X=0:X=3"},
    {{0xED, 0xFF}, 0x8000, "ERROR ED X=0:X=3", "ERROR ED X=0:X=3"},
    {{0xED, 0x80}, 0x8000, "ERROR ED X=2 Z>3 Y<4", "ERROR ED X=2 Z>3 Y<4"},
    {{0xED, 0xA4}, 0x8000, "ERROR ED X=2 Z>3 Y<4", "ERROR ED X=2 Z>3 Y<4"},
    {{0x21, 0x00, 0x80}, 0x8000, "LD HL,32768", "LD HL,8000h"},
    {{0xFD, 0x21, 0x34, 0x12}, 0x8000, "LD IY,04660", "LD IY,1234h"},
    {{0xDD, 0x76}, 0x8000, "HALT", "HALT"},
    {{0xDD, 0xC5}, 0x8000, "PUSH BC", "PUSH BC"},
    {{0xDD, 0xE5}, 0x8000, "PUSH IX", "PUSH IX"},
    {{0xFD, 0xF5}, 0x8000, "PUSH AF", "PUSH AF"},
    {{0xDD, 0xCB, 0x05, 0x06}, 0x8000, "RLC (IX+005)", "RLC (IX+05h)"},
    {{0xDD, 0xCB, 0x05, 0x07}, 0x8000, "RLC (IX+005),A", "RLC (IX+05h),A"},
    {{0xFD, 0xCB, 0xFE, 0x36}, 0x8000, "SLL (IY-002)", "SLL (IY-02h)"},
    {{0xFD, 0xCB, 0xFE, 0x37}, 0x8000, "SLL (IY-002),A", "SLL (IY-02h),A"},
    {{0xDD, 0xCB, 0x05, 0x47}, 0x8000, "BIT 0,(IX+005)", "BIT 0,(IX+05h)"},
    {{0xDD, 0xCB, 0x05, 0x86}, 0x8000, "RES 0,(IX+005)", "RES 0,(IX+05h)"},
    {{0xDD, 0xCB, 0x05, 0xBD}, 0x8000, "RES 7,(IX+005),L", "RES 7,(IX+05h),L"},
    {{0xFD, 0xCB, 0x05, 0xFF}, 0x8000, "SET 7,(IY+005),A", "SET 7,(IY+05h),A"},
    {{0xDD, 0x7E, 0x80}, 0x8000, "LD A,(IX-128)", "LD A,(IX-80h)"},
    {{0xDD, 0x7E, 0x7F}, 0x8000, "LD A,(IX+127)", "LD A,(IX+7Fh)"},
    {{0xFD, 0x96, 0xFD}, 0x8000, "SUB (IY-003)", "SUB (IY-03h)"},
    {{0xED, 0x70}, 0x8000, "IN (HL),(C)", "IN (HL),(C)"},
    {{0xED, 0x71}, 0x8000, "OUT (C),(HL)", "OUT (C),(HL)"},
    {{0xED, 0x4C}, 0x8000, "NEG", "NEG"},
    {{0xED, 0x5D}, 0x8000, "RETN", "RETN"},
    {{0xED, 0x4D}, 0x8000, "RETI", "RETI"},
    {{0xED, 0x46}, 0x8000, "IM 0", "IM 0"},
    {{0xED, 0x4E}, 0x8000, "IM 0/1", "IM 0/1"},
    {{0xED, 0x76}, 0x8000, "IM 1", "IM 1"},
    {{0xED, 0x7E}, 0x8000, "IM 2", "IM 2"},
    {{0xED, 0x77}, 0x8000, "NOP", "NOP"},
    {{0xED, 0x57}, 0x8000, "LD A,I", "LD A,I"},
    {{0xED, 0x6F}, 0x8000, "RLD", "RLD"},
    {{0xED, 0x73, 0xFE, 0xFF}, 0x8000, "LD (65534),SP", "LD (FFFEh),SP"},
    {{0xED, 0x7A}, 0x8000, "ADC HL,SP", "ADC HL,SP"},
    {{0xED, 0x42}, 0x8000, "SBC HL,BC", "SBC HL,BC"},
    {{0xED, 0xBB}, 0x8000, "OTDR", "OTDR"},
    {{0xED, 0xA3}, 0x8000, "OUTI", "OUTI"},
    {{0xED, 0xB1}, 0x8000, "CPIR", "CPIR"},
    {{0xDD, 0xED, 0xB0}, 0x8000, "LDIR", "LDIR"},
    {{0xDD, 0xED, 0x6A}, 0x8000, "ADC HL,HL", "ADC HL,HL"},
    // Index substitution: only pair field 2, and plain H/L beside (IX+d).
    {{0xDD, 0x66, 0x05}, 0x8000, "LD H,(IX+005)", "LD H,(IX+05h)"},
    {{0xDD, 0x75, 0x05}, 0x8000, "LD (IX+005),L", "LD (IX+05h),L"},
    {{0xDD, 0x01, 0x34, 0x12}, 0x8000, "LD BC,04660", "LD BC,1234h"},
    {{0xDD, 0x09}, 0x8000, "ADD IX,BC", "ADD IX,BC"},
    {{0xDD, 0x29}, 0x8000, "ADD IX,IX", "ADD IX,IX"},
    {{0xFD, 0x39}, 0x8000, "ADD IY,SP", "ADD IY,SP"},
    {{0x29}, 0x8000, "ADD HL,HL", "ADD HL,HL"},
    {{0xDD, 0x23}, 0x8000, "INC IX", "INC IX"},
    {{0xFD, 0x2B}, 0x8000, "DEC IY", "DEC IY"},
    {{0xDD, 0x13}, 0x8000, "INC DE", "INC DE"},
    {{0xDD, 0x34, 0x05}, 0x8000, "INC (IX+005)", "INC (IX+05h)"},
    {{0xDD, 0x26, 0x0A}, 0x8000, "LD IXh,010", "LD IXh,0Ah"},
    {{0xFD, 0x2D}, 0x8000, "DEC IYl", "DEC IYl"},
    {{0xDD, 0x84}, 0x8000, "ADD A,IXh", "ADD A,IXh"},
    {{0xFD, 0xBD}, 0x8000, "CP IYl", "CP IYl"},
    {{0xDD, 0xE9}, 0x8000, "JP IX", "JP IX"},
    {{0xE9}, 0x8000, "JP HL", "JP HL"},
    {{0xFD, 0xF9}, 0x8000, "LD SP,IY", "LD SP,IY"},
    {{0xDD, 0xE3}, 0x8000, "EX (SP),IX", "EX (SP),IX"},
    {{0xDD, 0xEB}, 0x8000, "EX DE,HL", "EX DE,HL"},
    {{0xDD, 0xD9}, 0x8000, "EXX", "EXX"},
    {{0xDD, 0x22, 0x00, 0x5C}, 0x8000, "LD (23552),IX", "LD (5C00h),IX"},
    {{0xFD, 0x2A, 0x00, 0x5C}, 0x8000, "LD IY,(23552)", "LD IY,(5C00h)"},
    {{0x2A, 0x00, 0x5C}, 0x8000, "LD HL,(23552)", "LD HL,(5C00h)"},
    {{0x32, 0x00, 0x5C}, 0x8000, "LD (23552),A", "LD (5C00h),A"},
    {{0x3A, 0x00, 0x5C}, 0x8000, "LD A,(23552)", "LD A,(5C00h)"},
    {{0x02}, 0x8000, "LD (BC),A", "LD (BC),A"},
    {{0x1A}, 0x8000, "LD A,(DE)", "LD A,(DE)"},
    {{0x76}, 0x8000, "HALT", "HALT"},
    {{0x7E}, 0x8000, "LD A,(HL)", "LD A,(HL)"},
    {{0x08}, 0x8000, "EX AF,AF'", "EX AF,AF'"},
    {{0x27}, 0x8000, "DAA", "DAA"},
    {{0x3F}, 0x8000, "CCF", "CCF"},
    {{0x96}, 0x8000, "SUB (HL)", "SUB (HL)"},
    {{0x9F}, 0x8000, "SBC A,A", "SBC A,A"},
    {{0xFE, 0x00}, 0x8000, "CP 000", "CP 00h"},
    {{0xD3, 0xFE}, 0x8000, "OUT (254),A", "OUT (FEh),A"},
    {{0xDB, 0xFE}, 0x8000, "IN A,(254)", "IN A,(FEh)"},
    {{0xC2, 0x00, 0x80}, 0x8000, "JP NZ,32768", "JP NZ,8000h"},
    {{0xEA, 0x00, 0x80}, 0x8000, "JP PE,32768", "JP PE,8000h"},
    {{0xCC, 0x00, 0x80}, 0x8000, "CALL Z,32768", "CALL Z,8000h"},
    {{0xCD, 0x00, 0x80}, 0x8000, "CALL 32768", "CALL 8000h"},
    {{0xC3, 0x00, 0x00}, 0x8000, "JP 00000", "JP 0000h"},
    {{0xE0}, 0x8000, "RET PO", "RET PO"},
    {{0xF8}, 0x8000, "RET M", "RET M"},
    {{0xC9}, 0x8000, "RET", "RET"},
    {{0xF1}, 0x8000, "POP AF", "POP AF"},
    {{0xFD, 0xE1}, 0x8000, "POP IY", "POP IY"},
    {{0xF3}, 0x8000, "DI", "DI"},
    {{0xFB}, 0x8000, "EI", "EI"},
    {{0xCB, 0x30}, 0x8000, "SLL B", "SLL B"},
    {{0xCB, 0x36}, 0x8000, "SLL (HL)", "SLL (HL)"},
    {{0xCB, 0x11}, 0x8000, "RL C", "RL C"},
    {{0xCB, 0x7E}, 0x8000, "BIT 7,(HL)", "BIT 7,(HL)"},
    {{0xCB, 0xC7}, 0x8000, "SET 0,A", "SET 0,A"},
    // Wrap: operands come from 0000h onwards.
    {{0x21, 0x34, 0x12}, 0xFFFF, "LD HL,04660", "LD HL,1234h"},
    {{0x18, 0x00}, 0xFFFF, "JR 00001", "JR 0001h"},
};

}  // namespace

TEST(Disassembler, InstructionTextsInBothNumberModes) {
  for (const Case& c : kCases) {
    Memory64k memory;
    memory.Put(c.address, c.code);
    const std::vector<std::uint8_t> before = memory.bytes;
    Disassembly dec = DisassembleOne(memory.view, c.address, false);
    Disassembly hex = DisassembleOne(memory.view, c.address, true);
    EXPECT_EQ(dec.text, c.decimal) << Describe(c);
    EXPECT_EQ(hex.text, c.hex) << Describe(c);

    std::string bytes;
    for (std::uint8_t b : c.code) {
      static const char* digits = "0123456789ABCDEF";
      bytes += digits[b >> 4];
      bytes += digits[b & 15];
      bytes += ' ';
    }
    EXPECT_EQ(dec.byte_field, bytes) << Describe(c) << ": every byte, in memory order";
    EXPECT_EQ(hex.byte_field, dec.byte_field) << Describe(c);
    EXPECT_EQ(hex.address_field, dec.address_field) << Describe(c);
    EXPECT_EQ(dec.next_address, static_cast<std::uint16_t>(c.address + c.code.size()))
        << Describe(c);
    EXPECT_EQ(memory.bytes, before) << Describe(c) << ": the disassembler wrote memory";
  }
}

// In a run of DDh and FDh only the last applies, as the processor runs it:
// each one before it is a one-byte no-operation.
TEST(Disassembler, APrefixBeforeAnotherPrefixIsAOneByteNoOperation) {
  Memory64k memory;
  memory.Put(0x8000, {0xDD, 0xFD, 0xDD, 0x21, 0x34, 0x12});
  const char* const texts[] = {"NOP*", "NOP*", "LD IX,04660"};
  const std::uint16_t next[] = {0x8001, 0x8002, 0x8006};
  std::uint16_t at = 0x8000;
  for (int k = 0; k < 3; ++k) {
    const Disassembly line = DisassembleOne(memory.view, at, false);
    EXPECT_EQ(line.text, texts[k]) << "instruction " << k;
    EXPECT_EQ(line.next_address, next[k]) << "instruction " << k;
    at = line.next_address;
  }
}

TEST(Disassembler, ThreeBytesAtFfffContinueAtZeroAndNextAddressIsTwo) {
  Memory64k memory;
  memory.Put(0xFFFF, {0x21, 0x34, 0x12});
  Disassembly line = DisassembleOne(memory.view, 0xFFFF, false);
  EXPECT_EQ(line.address_field, "65535 FFFF  ");
  EXPECT_EQ(line.byte_field, "21 34 12 ");
  EXPECT_EQ(line.next_address, 0x0002);
}

TEST(Disassembler, AddressFieldIsTwelveCharactersWithLeadingZeros) {
  Memory64k memory;
  EXPECT_EQ(DisassembleOne(memory.view, 0, false).address_field, "00000 0000  ");
  EXPECT_EQ(DisassembleOne(memory.view, 0x00AB, true).address_field, "00171 00AB  ");
}

TEST(Disassembler, ListingLinePadsByteFieldToFourteenColumns) {
  Memory64k memory;
  memory.Put(0x8000, {0x21, 0x00, 0x80});
  EXPECT_EQ(ListingLine(DisassembleOne(memory.view, 0x8000, false)),
            "32768 8000  21 00 80      LD HL,32768");
  EXPECT_EQ(ListingLine(DisassembleOne(memory.view, 0x8000, true)),
            "32768 8000  21 00 80      LD HL,8000h");
  memory.Put(0x9000, {0xDD, 0xCB, 0x05, 0xC6, 0x00});
  EXPECT_EQ(ListingLine(DisassembleOne(memory.view, 0x9000, false)),
            "36864 9000  DD CB 05 C6   SET 0,(IX+005)");
}

// The byte field and the next address always agree, for every opcode of
// every group, behind every prefix combination.
TEST(Disassembler, ByteFieldAlwaysMatchesInstructionLength) {
  const std::vector<std::vector<std::uint8_t>> prefixes = {
      {}, {0xCB}, {0xED}, {0xDD}, {0xFD}, {0xDD, 0xCB, 0x10}, {0xFD, 0xCB, 0xF0},
      {0xDD, 0xFD}, {0xDD, 0xED}};
  Memory64k memory;
  for (const auto& prefix : prefixes) {
    for (int op = 0; op < 256; ++op) {
      const std::uint16_t at = 0xFFFD;  // straddles the wrap on purpose
      std::uint16_t a = at;
      for (std::uint8_t b : prefix) memory.bytes[a++] = b;
      memory.bytes[a++] = static_cast<std::uint8_t>(op);
      memory.bytes[a++] = 0x44;
      memory.bytes[a++] = 0x55;
      Disassembly line = DisassembleOne(memory.view, at, op & 1);
      const auto length = static_cast<std::uint16_t>(line.next_address - at);
      EXPECT_GE(length, 1u);
      EXPECT_LE(length, 5u);
      EXPECT_EQ(line.byte_field.size(), 3u * length) << line.text << " op " << op;
      EXPECT_FALSE(line.text.empty()) << "op " << op;
      EXPECT_EQ(line.address_field.size(), 12u);
    }
  }
}

TEST(Disassembler, SmallImageReadsPastItsEndAsZero) {
  std::array<std::uint8_t, 16384> rom{};
  rom[0x3FFF] = 0x21;
  MemoryView view{rom.data(), rom.size()};
  Disassembly line = DisassembleOne(view, 0x3FFF, false);
  EXPECT_EQ(line.text, "LD HL,00000");
  EXPECT_EQ(line.byte_field, "21 00 00 ");
  EXPECT_EQ(line.next_address, 0x4002);
}

TEST(Disassembler, CondTextNamesConditionAndTestsItsFlag) {
  struct CondCase { int y; std::uint8_t f; bool holds; };
  const CondCase cases[] = {
      {0, 0x00, true},  {0, 0x40, false}, {1, 0x40, true},  {1, 0xBF, false},
      {2, 0xFE, true},  {2, 0x01, false}, {3, 0x01, true},  {3, 0xFE, false},
      {4, 0xFB, true},  {4, 0x04, false}, {5, 0x04, true},  {5, 0xFB, false},
      {6, 0x7F, true},  {6, 0x80, false}, {7, 0x80, true},  {7, 0x7F, false},
  };
  for (const CondCase& c : cases) {
    std::string text = "JP ";
    EXPECT_EQ(CondText(text, c.y, c.f), c.holds) << "y=" << c.y << " f=" << int(c.f);
    EXPECT_EQ(text, "JP " + std::string(CondNames[c.y]));
  }
}
