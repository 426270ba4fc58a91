// The one-instruction Z80 disassembler shared by Vantro and Kelbrin, with its
// name tables. Callers: the traced step (instruction texts of the trace and
// the debugger's STEP listing), the Disassemble command, Kelbrin's map-aware
// listing. It reads bytes only through a MemoryView and writes nothing.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/memory_view.h"

using NameTable8 = std::array<std::string_view, 8>;
using NameTable4 = std::array<std::string_view, 4>;

// Trailing blanks are part of the entries that have them.
inline constexpr NameTable8 AluNames = {"ADD A,", "ADC A,", "SUB ", "SBC A,",
                                        "AND ",   "XOR ",   "OR ",  "CP "};
inline constexpr NameTable8 CondNames = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
inline constexpr NameTable8 ImNames = {"0", "0/1", "1", "2", "0", "0/1", "1", "2"};
inline constexpr NameTable8 RegNames = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};
inline constexpr NameTable4 PairNames = {"BC", "DE", "HL", "SP"};
inline constexpr NameTable4 PairNames2 = {"BC", "DE", "HL", "AF"};
inline constexpr NameTable8 ShiftNames = {"RLC ", "RRC ", "RL ",  "RR ",
                                          "SLA ", "SRA ", "SLL ", "SRL "};
// Indexed [y - 4][z] for the ED block instructions (x = 2, y >= 4, z <= 3).
inline constexpr std::array<NameTable4, 4> BlockNames = {{
    {"LDI", "CPI", "INI", "OUTI"},
    {"LDD", "CPD", "IND", "OUTD"},
    {"LDIR", "CPIR", "INIR", "OTIR"},
    {"LDDR", "CPDR", "INDR", "OTDR"},
}};

// Texts of undefined ED codes (they name the opcode fields x, y, z).
inline constexpr std::string_view kEdErrorX0X3 = "ERROR ED X=0:X=3";
inline constexpr std::string_view kEdErrorX2 = "ERROR ED X=2 Z>3 Y<4";

// Width of the byte column in a listing line; a five-byte instruction's
// 15-character byte field is cut to it.
constexpr std::size_t kByteColumnWidth = 14;

struct Disassembly {
  std::string address_field;  // "32768 8000  ": 12 characters
  std::string byte_field;     // "21 00 80 ": each byte as two hex digits and a blank
  std::string text;           // "LD HL,32768"
  std::uint16_t next_address = 0;  // after the last byte, wrapping at FFFFh
};

// Decodes the instruction at address. hex_mode chooses hexadecimal operand
// numbers ("8000h") over decimal ("32768"); address and byte fields look the
// same in both modes. Reads past the end of a smaller view give 0.
Disassembly DisassembleOne(const MemoryView& memory, std::uint16_t address, bool hex_mode);
// The same, reusing the caller's strings so one decoding instruction after
// instruction (the traced step, the listings) allocates only while they grow.
void DisassembleInto(const MemoryView& memory, std::uint16_t address, bool hex_mode,
                     Disassembly& out);
// The same into three separate strings; answers the next address.
std::uint16_t DisassembleInto(const MemoryView& memory, std::uint16_t address, bool hex_mode,
                              std::string& address_field, std::string& byte_field,
                              std::string& text);

// Appends CondNames[y] to text and tells whether condition y holds for flags
// f; the answer always equals the executor's ConditionTrue.
bool CondText(std::string& text, int y, std::uint8_t f);

// One listing line: address field, byte field left-aligned in a 14-column
// field (blank-padded, or cut to 14), instruction text. No line end.
std::string ListingLine(const Disassembly& line);
void AppendListingLine(std::string& out, const Disassembly& line);
