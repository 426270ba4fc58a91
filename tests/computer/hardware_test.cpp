// Hardware menu selection rules: which interfaces end up fitted, which
// items are checked, and which choices restart the processor.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "machine/hardware.h"
#include "computer/computer.h"

namespace {

enum class Item { kempston, if2_port1, if2_port2, cursor, sweet_talker, currah };

class HardwareTest : public ::testing::Test {
 protected:
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  CpuState cpu;

  // Chooses an item and tells whether the processor was reset, seen from a
  // running program's pc and sp rather than from the return value alone.
  bool Choose(Item item) {
    cpu.pc = 0x8000;
    cpu.sp = 0x7000;
    bool reported = false;
    switch (item) {
      case Item::kempston: reported = ChooseJoystick(*machine, cpu, Joystick::kempston); break;
      case Item::if2_port1: reported = ChooseJoystick(*machine, cpu, Joystick::if2_port1); break;
      case Item::if2_port2: reported = ChooseJoystick(*machine, cpu, Joystick::if2_port2); break;
      case Item::cursor: reported = ChooseJoystick(*machine, cpu, Joystick::cursor); break;
      case Item::sweet_talker: reported = ToggleSweetTalker(*machine, cpu); break;
      case Item::currah: reported = ToggleCurrah(*machine, cpu); break;
    }
    const bool reset = cpu.pc == 0 && cpu.sp == 0xF000;
    EXPECT_EQ(reported, reset) << "reported reset differs from what happened";
    return reset;
  }
};

HardwareChecks Checks(bool kempston, bool if2_1, bool if2_2, bool cursor, bool talker,
                      bool currah) {
  return HardwareChecks{kempston, if2_1, if2_2, cursor, talker, currah};
}

TEST_F(HardwareTest, StartsWithKempstonCheckedAndNoSpeech) {
  EXPECT_EQ(HardwareCheckMarks(*machine), Checks(true, false, false, false, false, false));
}

TEST_F(HardwareTest, SequencesOfChoicesResetOnlyWhenASpeechUnitChanges) {
  struct StepCase {
    Item item;
    bool resets;
    HardwareChecks after;
  };
  struct Sequence {
    const char* what;
    std::vector<StepCase> steps;
  } sequences[] = {
      {"Kempston chosen again changes nothing",
       {{Item::kempston, false, Checks(true, false, false, false, false, false)}}},
      {"plain joystick changes do not reset",
       {{Item::if2_port1, false, Checks(false, true, false, false, false, false)},
        {Item::if2_port2, false, Checks(false, false, true, false, false, false)},
        {Item::cursor, false, Checks(false, false, false, true, false, false)},
        {Item::kempston, false, Checks(true, false, false, false, false, false)}}},
      {"Sweet Talker on and off resets both times",
       {{Item::sweet_talker, true, Checks(true, false, false, false, true, false)},
        {Item::sweet_talker, true, Checks(true, false, false, false, false, false)}}},
      {"Sweet Talker brings the Kempston interface back",
       {{Item::if2_port2, false, Checks(false, false, true, false, false, false)},
        {Item::sweet_talker, true, Checks(true, false, false, false, true, false)}}},
      {"another joystick switches the Sweet Talker off",
       {{Item::sweet_talker, true, Checks(true, false, false, false, true, false)},
        {Item::if2_port1, true, Checks(false, true, false, false, false, false)}}},
      {"Kempston chosen with the Sweet Talker on keeps it",
       {{Item::sweet_talker, true, Checks(true, false, false, false, true, false)},
        {Item::kempston, false, Checks(true, false, false, false, true, false)}}},
      {"Currah on and off leaves no joystick; choosing one resets",
       {{Item::currah, true, Checks(false, false, false, false, false, true)},
        {Item::currah, true, Checks(false, false, false, false, false, false)},
        {Item::cursor, true, Checks(false, false, false, true, false, false)},
        {Item::kempston, false, Checks(true, false, false, false, false, false)}}},
      {"a joystick chosen while the Currah is on switches it off",
       {{Item::currah, true, Checks(false, false, false, false, false, true)},
        {Item::kempston, true, Checks(true, false, false, false, false, false)}}},
      {"the two speech units exclude each other",
       {{Item::sweet_talker, true, Checks(true, false, false, false, true, false)},
        {Item::currah, true, Checks(false, false, false, false, false, true)},
        {Item::sweet_talker, true, Checks(true, false, false, false, true, false)}}},
  };
  for (const auto& sequence : sequences) {
    machine = std::make_unique<Machine>();
    int n = 0;
    for (const auto& step : sequence.steps) {
      EXPECT_EQ(Choose(step.item), step.resets) << sequence.what << ", step " << n;
      EXPECT_EQ(HardwareCheckMarks(*machine), step.after) << sequence.what << ", step " << n;
      ++n;
    }
  }
}

TEST_F(HardwareTest, CurrahLeavesJoystickNoneSoPortsAnswerNothing) {
  Choose(Item::currah);
  EXPECT_EQ(machine->joystick, Joystick::none);
  Choose(Item::currah);
  EXPECT_EQ(machine->joystick, Joystick::none);
  EXPECT_FALSE(machine->currah_on);
}

TEST_F(HardwareTest, ChoosingNoneIsRefused) {
  cpu.pc = 0x8000;
  EXPECT_FALSE(ChooseJoystick(*machine, cpu, Joystick::none));
  EXPECT_EQ(machine->joystick, Joystick::kempston);
  EXPECT_EQ(cpu.pc, 0x8000);
}

TEST_F(HardwareTest, ResetLeavesMemoryAndFrameCountAlone) {
  machine->memory[0x8000] = 0x42;
  machine->frame_tstates = 1234;
  machine->ula_out = 3;
  Choose(Item::sweet_talker);
  EXPECT_EQ(machine->memory[0x8000], 0x42);
  EXPECT_EQ(machine->frame_tstates, 1234);
  EXPECT_EQ(machine->ula_out, 3);
}

}  // namespace
