// The Machine record at start-up and ROM write protection.
#include "machine/machine.h"

#include <gtest/gtest.h>

#include <memory>

#include "data/rom_image.h"

namespace {

std::unique_ptr<Machine> StartedMachine() {
  auto m = std::make_unique<Machine>();
  m->memory.fill(0xAA);  // leftovers that start-up must clear
  m->write_floor = 0;
  m->ula_out = 5;
  m->joystick = Joystick::none;
  m->trace_fill = 7;
  InitMachine(*m);
  return m;
}

TEST(MachineTest, StartUpPutsTheRomLowAndZeroesRam) {
  auto m = StartedMachine();
  const auto rom = BuiltInRom();
  for (int a = 0; a < 0x4000; ++a) ASSERT_EQ(m->memory[a], rom[a]) << "ROM byte " << a;
  for (int a = 0x4000; a < 0x10000; ++a) ASSERT_EQ(m->memory[a], 0) << "RAM byte " << a;
  EXPECT_EQ(m->write_floor, 0x4000);
  EXPECT_EQ(m->ula_out, 0);
  EXPECT_EQ(m->joystick, Joystick::kempston);
  EXPECT_EQ(m->trace_fill, 0);
  EXPECT_FALSE(m->fast_border) << "the border is drawn as the beam goes";
  EXPECT_EQ(m->target_frames, 50);
}

TEST(MachineTest, WriteProtectionGuardsExactlyTheRom) {
  auto m = StartedMachine();
  const std::uint8_t rom_last = m->memory[0x3FFF];
  struct Case {
    std::uint16_t address;
    bool stored;
  } cases[] = {{0x0000, false}, {0x3FFF, false}, {0x4000, true}, {0xFFFF, true}};
  for (const auto& c : cases) {
    const std::uint8_t before = m->memory[c.address];
    WriteByte(*m, c.address, static_cast<std::uint8_t>(before + 1));
    EXPECT_EQ(m->memory[c.address] != before, c.stored) << "address " << c.address;
  }
  EXPECT_EQ(m->memory[0x3FFF], rom_last);
}

TEST(MachineTest, ToggleWriteProtectLetsTheRomBeOverwrittenForGood) {
  auto m = StartedMachine();
  const std::uint8_t original = m->memory[0x0000];
  EXPECT_FALSE(ToggleWriteProtect(*m)) << "first toggle turns protection off";
  EXPECT_EQ(m->write_floor, 0);
  WriteByte(*m, 0x0000, static_cast<std::uint8_t>(original ^ 0xFF));
  EXPECT_TRUE(ToggleWriteProtect(*m)) << "second toggle turns it back on";
  EXPECT_EQ(m->write_floor, 0x4000);
  EXPECT_EQ(m->memory[0x0000], original ^ 0xFF) << "protection does not restore the ROM";
  WriteByte(*m, 0x0000, original);
  EXPECT_EQ(m->memory[0x0000], original ^ 0xFF);
}

TEST(MachineTest, DirectStoresIgnoreProtection) {
  auto m = StartedMachine();
  StoreDirect(*m, 0x0001, 0x99);
  EXPECT_EQ(m->memory[0x0001], 0x99);
}

TEST(MachineTest, HardwareCopyRestoresTheComputerAndLeavesTheSessionAlone) {
  auto m = StartedMachine();
  TapeImage image;
  image.bytes.assign(100000, 0x55);
  image.blocks.push_back(StandardBlock(0, image.bytes.size(), 0xFF));
  InsertTapeSignal(m->tape_signal, std::move(image), 0);
  m->memory[0x8000] = 1;
  m->frame_tstates = 1234;
  const MachineHardware saved = *m;
  EXPECT_EQ(saved.tape_signal.image, m->tape_signal.image) << "the tape is shared, not copied";

  m->memory[0x8000] = 2;
  m->frame_tstates = 99;
  m->tape_signal.block = 1;
  m->target_frames = 12;
  m->trace_fill = 500;
  static_cast<MachineHardware&>(*m) = saved;
  EXPECT_EQ(m->memory[0x8000], 1);
  EXPECT_EQ(m->frame_tstates, 1234);
  EXPECT_EQ(m->tape_signal.block, 0u);
  EXPECT_EQ(m->tape_signal.image->bytes.size(), 100000u);
  EXPECT_EQ(m->target_frames, 12) << "a setting is the session's, not the hardware's";
  EXPECT_EQ(m->trace_fill, 500);
}

}  // namespace
