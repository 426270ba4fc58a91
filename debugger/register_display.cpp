// Display texts of the debugger window; see register_display.h.
#include "debugger/register_display.h"

#include "tools/text_format.h"

std::string StackLine(const Machine& machine, std::uint16_t address, bool hex_mode) {
  const std::uint16_t high_address = static_cast<std::uint16_t>(address + 1);
  const unsigned word = ReadByte(machine, address) + 256u * ReadByte(machine, high_address);
  std::string line;
  line.reserve(13);
  if (hex_mode) {
    AppendHex4(line, address);
    line += "h : ";
    AppendHex4(line, word);
    line += 'h';
  } else {
    AppendDec5(line, address);
    line += " : ";
    AppendDec5(line, word);
  }
  return line;
}

std::string BitText(std::uint8_t value) {
  std::string bits(8, '0');
  for (int bit = 0; bit < 8; ++bit) {
    if (value & (0x80 >> bit)) bits[static_cast<std::size_t>(bit)] = '1';
  }
  return bits;
}

std::string WordText(std::uint16_t value, bool hex_mode) {
  return hex_mode ? Hex4h(value) : Dec5(value);
}

std::string ByteText(std::uint8_t value, bool hex_mode) {
  return hex_mode ? Hex2h(value) : Dec3(value);
}

std::string RightAligned(std::uint32_t value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() >= width) return digits.substr(0, width);
  return std::string(width - digits.size(), ' ') + digits;
}

std::string TStateText(std::int32_t running_total, std::uint32_t tstates) {
  // The running total is kept below 1,048,575 by STEP; a negative one can
  // only come from a damaged record and shows as 0 rather than as garbage.
  const std::uint32_t total = running_total < 0 ? 0u : static_cast<std::uint32_t>(running_total);
  return RightAligned(total, 7) + ' ' + RightAligned(tstates, 2);
}

std::string IffText(std::uint8_t iff) { return iff != 0 ? "Y" : "N"; }

RegisterTexts DescribeRegisters(const CpuState& cpu, const Machine& machine, bool hex_mode) {
  RegisterTexts texts;
  for (int line = 0; line < kStackLines; ++line) {
    const auto address = static_cast<std::uint16_t>(cpu.sp + 2 * line);
    texts.stack[static_cast<std::size_t>(line)] = StackLine(machine, address, hex_mode);
  }
  texts.iff = IffText(cpu.iff);
  texts.im = std::to_string(cpu.im);
  texts.a = BitText(cpu.a);
  texts.f = BitText(cpu.f);
  texts.b = BitText(cpu.b);
  texts.c = BitText(cpu.c);
  texts.d = BitText(cpu.d);
  texts.e = BitText(cpu.e);
  texts.h = BitText(cpu.h);
  texts.l = BitText(cpu.l);
  auto pair = [](std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint16_t>(high << 8 | low);
  };
  texts.af = WordText(Af(cpu), hex_mode);
  texts.bc = WordText(Bc(cpu), hex_mode);
  texts.de = WordText(De(cpu), hex_mode);
  texts.hl = WordText(Hl(cpu), hex_mode);
  texts.af_alt = WordText(pair(cpu.a_alt, cpu.f_alt), hex_mode);
  texts.bc_alt = WordText(pair(cpu.b_alt, cpu.c_alt), hex_mode);
  texts.de_alt = WordText(pair(cpu.d_alt, cpu.e_alt), hex_mode);
  texts.hl_alt = WordText(pair(cpu.h_alt, cpu.l_alt), hex_mode);
  texts.ix = WordText(cpu.ix, hex_mode);
  texts.iy = WordText(cpu.iy, hex_mode);
  texts.pc = WordText(cpu.pc, hex_mode);
  texts.sp = WordText(cpu.sp, hex_mode);
  texts.memptr = WordText(cpu.memptr, hex_mode);
  texts.i = ByteText(cpu.i, hex_mode);
  texts.r = ByteText(cpu.r, hex_mode);
  texts.tstates = TStateText(machine.debugger_total, cpu.tstates);
  return texts;
}
