// The debugger's display texts without a window: the stack list in both
// bases (with the wrap at 65,536), the bit fields, the T-state field with
// its leftmost-characters rule, pairs and the 8-bit I and R fields.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cpu/cpu_state.h"
#include "debugger/register_display.h"
#include "machine/machine.h"

namespace {

class RegisterDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { InitMachine(*machine); }
  CpuState cpu;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
};

TEST_F(RegisterDisplayTest, StackLineShowsTheWordInBothBases) {
  machine->memory[0xFF4A] = 0x03;
  machine->memory[0xFF4B] = 0x13;
  EXPECT_EQ(StackLine(*machine, 0xFF4A, true), "FF4Ah : 1303h");
  EXPECT_EQ(StackLine(*machine, 0xFF4A, false), "65354 : 04867");
}

TEST_F(RegisterDisplayTest, StackListFromTopOfMemoryWrapsToZero) {
  cpu.sp = 0xFFFE;
  machine->memory[0xFFFE] = 0x34;
  machine->memory[0xFFFF] = 0x12;
  // Word at 0000h is the ROM's first two bytes: DI, XOR A.
  const RegisterTexts hex = DescribeRegisters(cpu, *machine, true);
  EXPECT_EQ(hex.stack[0], "FFFEh : 1234h");
  EXPECT_EQ(hex.stack[1], "0000h : AFF3h");
  EXPECT_EQ(hex.stack[2].substr(0, 5), "0002h");
  EXPECT_EQ(hex.stack[13].substr(0, 5), "0018h");
  const RegisterTexts dec = DescribeRegisters(cpu, *machine, false);
  EXPECT_EQ(dec.stack[0], "65534 : 04660");
  EXPECT_EQ(dec.stack[1], "00000 : 45043");
}

TEST_F(RegisterDisplayTest, WordAtTheLastAddressTakesItsHighByteFromZero) {
  machine->memory[0xFFFF] = 0x7F;
  EXPECT_EQ(StackLine(*machine, 0xFFFF, true), "FFFFh : F37Fh");
}

TEST_F(RegisterDisplayTest, EightBitFieldsShowBitsWhateverTheBase) {
  cpu.a = 0x55;
  cpu.f = 0x80;
  cpu.b = 0x01;
  cpu.c = 0xFF;
  cpu.d = 0x00;
  cpu.e = 0xAA;
  cpu.h = 0x0F;
  cpu.l = 0xF0;
  for (bool hex : {false, true}) {
    const RegisterTexts t = DescribeRegisters(cpu, *machine, hex);
    EXPECT_EQ(t.a, "01010101") << "hex " << hex;
    EXPECT_EQ(t.f, "10000000");
    EXPECT_EQ(t.b, "00000001");
    EXPECT_EQ(t.c, "11111111");
    EXPECT_EQ(t.d, "00000000");
    EXPECT_EQ(t.e, "10101010");
    EXPECT_EQ(t.h, "00001111");
    EXPECT_EQ(t.l, "11110000");
  }
}

TEST_F(RegisterDisplayTest, PairsAndSixteenBitRegistersInBothBases) {
  cpu.a = 0x12; cpu.f = 0x34;
  cpu.b = 0x56; cpu.c = 0x78;
  cpu.d = 0x9A; cpu.e = 0xBC;
  cpu.h = 0xDE; cpu.l = 0xF0;
  cpu.a_alt = 0x01; cpu.f_alt = 0x02;
  cpu.b_alt = 0x03; cpu.c_alt = 0x04;
  cpu.d_alt = 0x05; cpu.e_alt = 0x06;
  cpu.h_alt = 0x07; cpu.l_alt = 0x08;
  cpu.ix = 0x0001; cpu.iy = 0xFFFF; cpu.pc = 0x12A2; cpu.sp = 0xF000; cpu.memptr = 0x00FF;
  const RegisterTexts hex = DescribeRegisters(cpu, *machine, true);
  const RegisterTexts dec = DescribeRegisters(cpu, *machine, false);
  struct Case { const std::string& hex; const std::string& dec; const char* h; const char* d; };
  const Case cases[] = {
      {hex.af, dec.af, "1234h", "04660"},      {hex.bc, dec.bc, "5678h", "22136"},
      {hex.de, dec.de, "9ABCh", "39612"},      {hex.hl, dec.hl, "DEF0h", "57072"},
      {hex.af_alt, dec.af_alt, "0102h", "00258"}, {hex.bc_alt, dec.bc_alt, "0304h", "00772"},
      {hex.de_alt, dec.de_alt, "0506h", "01286"}, {hex.hl_alt, dec.hl_alt, "0708h", "01800"},
      {hex.ix, dec.ix, "0001h", "00001"},      {hex.iy, dec.iy, "FFFFh", "65535"},
      {hex.pc, dec.pc, "12A2h", "04770"},      {hex.sp, dec.sp, "F000h", "61440"},
      {hex.memptr, dec.memptr, "00FFh", "00255"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.hex, c.h);
    EXPECT_EQ(c.dec, c.d);
  }
}

TEST_F(RegisterDisplayTest, IAndRAreBytesAndInterruptStateIsPlain) {
  cpu.i = 0x3F;
  cpu.r = 0x85;
  cpu.r7 = 0x00;
  cpu.iff = 4;
  cpu.im = 2;
  const RegisterTexts hex = DescribeRegisters(cpu, *machine, true);
  EXPECT_EQ(hex.i, "3Fh");
  EXPECT_EQ(hex.r, "85h");
  EXPECT_EQ(hex.iff, "Y");
  EXPECT_EQ(hex.im, "2");
  const RegisterTexts dec = DescribeRegisters(cpu, *machine, false);
  EXPECT_EQ(dec.i, "063");
  EXPECT_EQ(dec.r, "133");
  cpu.iff = 0;
  EXPECT_EQ(DescribeRegisters(cpu, *machine, false).iff, "N");
}

TEST(TStateField, RightAlignedWithLeftmostCharactersWhenTooLong) {
  struct Case { std::int32_t total; std::uint16_t last; const char* text; };
  const Case cases[] = {
      {0, 0, "      0  0"},
      {12345, 4, "  12345  4"},
      {1048574, 21, "1048574 21"},
      {58, 58, "     58 58"},
      // LDIR over 32 bytes: 672 T-states, only "67" fits.
      {672, 672, "    672 67"},
      {65535, 65535, "  65535 65"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TStateText(c.total, c.last), c.text) << c.total << " / " << c.last;
  }
  EXPECT_EQ(RightAligned(123456789, 7), "1234567");
  EXPECT_EQ(RightAligned(5, 2), " 5");
}

TEST(TStateField, NegativeTotalShowsZeroNotGarbage) {
  EXPECT_EQ(TStateText(-5, 4), "      0  4");
}

}  // namespace
