// The tape loader trap against real TAP files: which instructions it serves,
// what it stores and where, and how it behaves past the end of the tape.
#include <gtest/gtest.h>

#include "snapshot_files.h"
#include "snapshots/tape.h"
#include "tape_fixtures.h"

namespace {

// Two blocks: 01 02 03 and 09 08, each with flag and checksum.
Bytes TwoBlockTape() {
  Bytes tape = TapBlock(0x00, {1, 2, 3});
  Bytes second = TapBlock(0xFF, {9, 8});
  tape.insert(tape.end(), second.begin(), second.end());
  return tape;
}

class TapeTrapTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::unique_ptr<Machine> machine = PatternedMachine();
  CpuState cpu;

  ~TapeTrapTest() override { EjectTape(*machine); }

  void Insert(const Bytes& tape) {
    std::string path = folder.File("tape.tap");
    WriteFile(path, tape);
    ASSERT_TRUE(InsertTape(*machine, path));
  }
  // The registers as the ROM's LOAD sets them before entering LD-BYTES.
  void AtLoader(std::uint16_t ix, std::uint16_t de, bool carry = true) {
    cpu.pc = 0x0556;
    cpu.f = carry ? 0xC5 : 0xC4;
    cpu.ix = ix;
    cpu.d = static_cast<std::uint8_t>(de >> 8);
    cpu.e = static_cast<std::uint8_t>(de);
  }
  Bytes Ram(std::uint32_t from, std::size_t length) const {
    return Bytes(machine->memory.begin() + from, machine->memory.begin() + from + length);
  }
};

TEST_F(TapeTrapTest, EachLoadTakesTheNextBlockInFileOrder) {
  Insert(TwoBlockTape());
  AtLoader(0x8000, 3);
  EXPECT_TRUE(TapeTrap(*machine, cpu));
  EXPECT_EQ(Ram(0x8000, 3), (Bytes{1, 2, 3}));
  EXPECT_EQ(cpu.pc, 0x05E2);
  EXPECT_EQ(cpu.ix, 0x8003);
  EXPECT_EQ(cpu.d << 8 | cpu.e, 3) << "DE is left as it was";
  EXPECT_EQ(cpu.f, 0xC5) << "carry stays set: a successful load";

  AtLoader(0x9000, 2);
  EXPECT_TRUE(TapeTrap(*machine, cpu));
  EXPECT_EQ(Ram(0x9000, 2), (Bytes{9, 8}));

  // Past the end of the tape every byte is 0.
  AtLoader(0xA000, 4);
  EXPECT_TRUE(TapeTrap(*machine, cpu));
  EXPECT_EQ(Ram(0xA000, 4), Bytes(4, 0));
  EXPECT_EQ(cpu.pc, 0x05E2);
}

TEST_F(TapeTrapTest, OnlyALoadAtTheRomLoaderIsServed) {
  Insert(TwoBlockTape());
  struct Case { const char* name; std::uint16_t pc; bool carry; };
  const Case cases[] = {{"verify (carry clear)", 0x0556, false},
                        {"elsewhere", 0x0557, true},
                        {"elsewhere", 0x05E2, true}};
  for (const Case& c : cases) {
    AtLoader(0x8000, 3, c.carry);
    cpu.pc = c.pc;
    const Bytes before = Ram(0x8000, 3);
    EXPECT_FALSE(TapeTrap(*machine, cpu)) << c.name;
    EXPECT_EQ(cpu.pc, c.pc) << c.name;
    EXPECT_EQ(Ram(0x8000, 3), before) << c.name;
  }
  // The tape did not move: the first LOAD still gets the first block.
  AtLoader(0x8000, 3);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0x8000, 3), (Bytes{1, 2, 3}));
}

TEST_F(TapeTrapTest, StoresObeyWriteProtectionAndWrapAtTheTop) {
  Bytes data(8);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(0xA0 + k);
  Insert(TapBlock(0xFF, data));
  machine->write_floor = 0x4000;
  const Bytes rom = Ram(0, 0x4000);
  AtLoader(0xFFFC, 8);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0xFFFC, 4), (Bytes{0xA0, 0xA1, 0xA2, 0xA3}));
  EXPECT_EQ(Ram(0, 0x4000), rom) << "bytes that wrapped into the ROM must be dropped";
  EXPECT_EQ(cpu.ix, 0x0004);

  // Without protection the wrapped bytes land at 0000h.
  EjectTape(*machine);
  Insert(TapBlock(0xFF, data));
  machine->write_floor = 0;
  AtLoader(0xFFFC, 8);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0, 4), (Bytes{0xA4, 0xA5, 0xA6, 0xA7}));
}

TEST_F(TapeTrapTest, CountZeroTransfersSixtyFiveThousandFiveHundredThirtySixBytes) {
  Bytes data(65536);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k >> 8);
  Insert(TapBlock(0xFF, data));
  machine->write_floor = 0;
  AtLoader(0x0000, 0);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(cpu.ix, 0x0000);
  EXPECT_EQ(Ram(0, 65536), data);
}

TEST_F(TapeTrapTest, EjectClosesTheTapeAndDisarmsTheTrap) {
  Insert(TwoBlockTape());
  EXPECT_TRUE(machine->tape_active);
  EjectTape(*machine);
  EXPECT_FALSE(machine->tape_active);
  EXPECT_EQ(machine->tape_file, nullptr);
  EjectTape(*machine);  // taking out no tape is harmless
  EXPECT_FALSE(InsertTape(*machine, folder.File("absent.tap")));
  EXPECT_FALSE(machine->tape_active);
}

}  // namespace
