// The tape as a signal: a standard block's pulses at the ROM's SAVE timings,
// the hold at a standard block until the machine listens, and the stops.
#include "machine/tape_signal.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Plays the tape from `start` to its stop, returning each step's length and
// the level during it.
struct PlayedStep {
  std::uint64_t tstates;
  bool level;
  bool operator==(const PlayedStep&) const = default;
};

std::vector<PlayedStep> PlayOut(TapeSignal& tape, std::uint64_t start) {
  std::vector<PlayedStep> steps;
  std::uint64_t begun = start;
  while (tape.playing && !tape.held) {
    const std::uint64_t end = tape.step_end;
    steps.push_back({end - begun, tape.level});
    begun = end;
    AdvanceTape(tape, end);
  }
  return steps;
}

// Reads the EAR port as a loader would until the held block starts.
void Listen(TapeSignal& tape, std::uint64_t now) {
  for (int k = 0; k < 1000 && tape.held; ++k) TapeEarLevel(tape, now);
}

TEST(TapeSignalTest, StandardBlockPlaysRomTimingsAfterTheMachineListens) {
  // A header block (flag 00h, long pilot) of one byte A5h and its checksum.
  TapeImage image;
  image.bytes = {0x00, 0xA5, 0xA5};
  image.blocks.push_back(StandardBlock(0, 3, 0x00));
  TapeSignal tape;
  InsertTapeSignal(tape, image, 1000);
  ASSERT_TRUE(tape.playing);
  ASSERT_TRUE(tape.held) << "a standard block waits for the loader";
  AdvanceTape(tape, 50'000'000);
  EXPECT_TRUE(tape.held) << "time alone does not move a held block";
  for (int k = 0; k < 20; ++k) TapeEarLevel(tape, 2000);  // a keyboard scan
  EXPECT_TRUE(tape.held) << "a few reads are not a loader";
  Listen(tape, 5000);
  ASSERT_FALSE(tape.held);

  std::vector<PlayedStep> expected;
  bool level = false;
  auto pulse = [&](std::uint64_t t) { expected.push_back({t, level = !level}); };
  for (int k = 0; k < 8063; ++k) pulse(2168);
  pulse(667);
  pulse(735);
  for (std::uint8_t byte : image.bytes) {
    for (int bit = 7; bit >= 0; --bit) {
      pulse((byte >> bit) & 1 ? 1710 : 855);
      pulse((byte >> bit) & 1 ? 1710 : 855);
    }
  }
  pulse(3500);                             // the edge that ends the last pulse
  expected.push_back({999 * 3500, false});  // the rest of the 1 s pause, low

  const std::vector<PlayedStep> played = PlayOut(tape, 5000);
  ASSERT_EQ(played.size(), expected.size());
  for (std::size_t k = 0; k < played.size(); ++k) {
    ASSERT_EQ(played[k], expected[k]) << "step " << k << " of " << played.size();
  }
  EXPECT_FALSE(tape.playing) << "the tape stops at its end";
  EXPECT_EQ(tape.block, 1u);

  // The trap takes a block in one go; the signal goes on after it.
  RewindTape(tape, 0);
  SetTapePlaying(tape, true, 0);
  std::size_t index = 99;
  ASSERT_NE(NextTrapBlock(tape, index), nullptr);
  EXPECT_EQ(index, 0u);
  SkipPastBlock(tape, index, 10);
  EXPECT_FALSE(tape.playing);
  EXPECT_EQ(NextTrapBlock(tape, index), nullptr);
}

}  // namespace
