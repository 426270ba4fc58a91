// The tape as a signal: a standard block's pulses at the ROM's SAVE timings,
// the motor that turns only while a loader times edges, the trap's place in
// the tape, which port-reading loops count as loaders, and the recorder that
// turns a saved signal back into blocks.
#include "machine/tape_signal.h"

#include <gtest/gtest.h>

#include "machine/tape_recorder.h"

#include <vector>

namespace {

// Plays the tape to its stop with a loader at work, returning each step's
// length and the level during it.
struct PlayedStep {
  std::uint64_t tstates;
  bool level;
  bool operator==(const PlayedStep&) const = default;
};

std::vector<PlayedStep> PlayOut(TapeSignal& tape, std::uint64_t start) {
  std::vector<PlayedStep> steps;
  std::uint64_t begun = start;
  while (tape.playing && tape.moving) {
    const std::uint64_t end = tape.step_end;
    steps.push_back({end - begun, tape.level});
    begun = end;
    KeepTapeMoving(tape, end);
    AdvanceTape(tape, end);
  }
  return steps;
}

TEST(TapeSignalTest, StandardBlockPlaysRomTimingsWhileALoaderRuns) {
  // A header block (flag 00h, long pilot) of one byte A5h and its checksum.
  TapeImage image;
  image.bytes = {0x00, 0xA5, 0xA5};
  image.blocks.push_back(StandardBlock(0, 3, 0x00));
  TapeSignal tape;
  InsertTapeSignal(tape, image, 1000);
  ASSERT_TRUE(tape.playing);
  AdvanceTape(tape, 50'000'000);
  EXPECT_TRUE(tape.fresh && !tape.moving) << "time alone does not move the tape";
  KeepTapeMoving(tape, 5000);
  ASSERT_TRUE(tape.moving);

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

  // A second after the last loader read the motor stops where the tape
  // stands, and goes on from there with the next loader.
  RewindTape(tape, 0);
  SetTapePlaying(tape, true, 0);
  KeepTapeMoving(tape, 0);
  AdvanceTape(tape, 100 * 2168 + 10);
  EXPECT_EQ(tape.step, 100u);
  AdvanceTape(tape, 50'000'000);
  EXPECT_FALSE(tape.moving);
  EXPECT_EQ(tape.step, 3'500'000u / 2168) << "a second of pilot played";
  const std::uint32_t step = tape.step;
  KeepTapeMoving(tape, 60'000'000);
  EXPECT_EQ(tape.step, step);
  EXPECT_EQ(tape.step_end, 60'000'000 + 2168 * (step + 1) - 3'500'000);

  // The trap takes the block in one go; the tape then stands at its pause.
  RewindTape(tape, 0);
  BlockWalk walk;
  ASSERT_NE(NextTrapBlock(tape, walk), nullptr);
  EXPECT_EQ(walk.block, 0u);
  StandAtPause(tape, walk, 10);
  EXPECT_EQ(tape.block, 0u);
  EXPECT_EQ(tape.step, 8063u + 2 + 3 * 16) << "the pause's first step";
  EXPECT_EQ(NextTrapBlock(tape, walk), nullptr) << "nothing after the pause";
}

// Reads of port FEh as programs make them: which ones start the tape. Each
// program reads `count` times from one instruction, `gap` T-states apart (a
// longer gap at every `every`th read), its registers B C D E H L given per read.
TEST(LoaderWatchTest, OnlyEdgeTimingLoopsCountAsLoaders) {
  const struct {
    const char* name;
    int count, every;
    std::uint64_t gap, long_gap;
    std::uint64_t (*registers)(int read);
    bool loader;
  } cases[] = {
      {"the ROM's edge loop: INC B, from B0h at each bit", 200, 20, 58, 600,
       [](int k) { return CountingRegisters(0xB0 + k % 20, 0x22, 0, 5, 0, 1); }, true},
      {"a loader counting down with DEC E", 100, 1000, 39, 39,
       [](int k) { return CountingRegisters(0x7F, 0xFE, 1, 0xFF - k, 0x40, 0); }, true},
      {"the key scan in a loop: B rotates as L counts", 240, 8, 40, 200,
       [](int k) { return CountingRegisters((0xFEFE >> (8 - k % 8)) & 0xFF, 0xFE, 0xFF, 0xFF, 0, 0x2F - k % 8); },
       false},
      {"a press-any-key loop", 500, 1000, 34, 34, [](int) { return CountingRegisters(1, 2, 3, 4, 5, 6); }, false},
      {"a keyboard read each frame, counting frames", 100, 1000, 69888, 69888,
       [](int k) { return CountingRegisters(0, 0, 0, 0, 0, k); }, false},
      {"a register stepping by two", 100, 1000, 40, 40, [](int k) { return CountingRegisters(2 * k, 0, 0, 0, 0, 0); },
       false},
  };
  for (const auto& c : cases) {
    LoaderWatch watch;
    std::uint64_t now = 100'000;
    int detected = 0;
    for (int k = 0; k < c.count; ++k) {
      now += k % c.every == 0 ? c.long_gap : c.gap;
      detected += WatchEarRead(watch, 0x05F2, now, [&] { return c.registers(k); }) ? 1 : 0;
    }
    EXPECT_EQ(detected >= c.count - 20, c.loader) << c.name << ": " << detected << " of " << c.count;
  }
}

// Plays the image into the recorder's MIC input from T-state `start`, as a
// program saving it would, and returns the edges played.
std::vector<std::uint64_t> PlayIntoRecorder(const TapeImage& image, TapeRecording& recording, std::uint64_t start) {
  TapeSignal tape;
  InsertTapeSignal(tape, image, start);
  KeepTapeMoving(tape, start);
  std::vector<std::uint64_t> edges;
  std::uint64_t now = start;
  bool level = false;
  while (tape.playing && tape.moving) {
    if (tape.level != level) {
      level = tape.level;
      edges.push_back(now);
      MicEdge(recording, level, now);
    }
    now = tape.step_end;
    KeepTapeMoving(tape, now);
    AdvanceTape(tape, now);
  }
  FinishRecording(recording);
  return edges;
}

TEST(TapeRecorderTest, SavedSignalsBecomeStandardBlocksOrDirectRecordings) {
  const std::vector<std::uint8_t> header{0x00, 0x03, 'c', 'o', 'd', 'e', 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
                                         0x02, 0x00, 0x00, 0x80, 0x00, 0x80, 0x5A};
  auto image_of = [&](SignalBlock block) {
    TapeImage image;
    image.bytes = header;
    block.length = header.size();
    image.blocks.push_back(block);
    return image;
  };
  SignalBlock turbo = StandardBlock(0, 0, 0x00);
  turbo.kind = SignalKind::data;
  turbo.pilot_pulse = 1200;
  turbo.zero = 400;
  turbo.one = 800;
  SignalBlock beep;  // a short note on MIC
  beep.kind = SignalKind::pure_tone;
  beep.pilot_pulse = 2000;
  beep.count = 200;
  const struct {
    const char* name;
    TapeImage image;
    bool click_before;  // a key click on MIC just before the save
    SignalKind kind;    // what was recorded; pause for nothing
  } cases[] = {
      {"the ROM's SAVE", image_of(StandardBlock(0, 0, 0x00)), false, SignalKind::data},
      {"after a click", image_of(StandardBlock(0, 0, 0x00)), true, SignalKind::data},
      {"a turbo saver", image_of(turbo), false, SignalKind::direct},
      {"a short note", image_of(beep), false, SignalKind::pause},
  };
  for (const auto& c : cases) {
    TapeRecording recording;
    if (c.click_before) {
      MicEdge(recording, true, 1000);
      MicEdge(recording, false, 1500);
    }
    const std::vector<std::uint64_t> edges = PlayIntoRecorder(c.image, recording, 100'000);
    const std::vector<SignalBlock>& blocks = recording.image.blocks;
    if (c.kind == SignalKind::pause) {
      EXPECT_TRUE(blocks.empty()) << c.name;
      continue;
    }
    ASSERT_EQ(blocks.size(), 1u) << c.name;
    EXPECT_EQ(blocks[0].kind, c.kind) << c.name;
    if (c.kind == SignalKind::data) {
      EXPECT_TRUE(IsStandardBlock(blocks[0])) << c.name;
      EXPECT_EQ(recording.image.bytes, header) << c.name;
      continue;
    }
    // The direct recording plays the same edges, each within a sample.
    bool level = false;
    std::uint64_t samples = 0;
    const std::vector<std::uint8_t> sampled =
        SampleBlock(recording.image, blocks[0], kRecordSampleTStates, level, samples);
    const std::vector<std::uint8_t>& recorded = recording.image.bytes;
    ASSERT_GT(sampled.size(), recorded.size()) << c.name << ": the pause is sampled too";
    EXPECT_TRUE(std::equal(recorded.begin(), recorded.end() - 1, sampled.begin()))
        << c.name << ": sampling a direct recording gives its samples back";
    TapeRecording again;
    const std::vector<std::uint64_t> replayed = PlayIntoRecorder(recording.image, again, 100'000);
    ASSERT_EQ(replayed.size(), edges.size()) << c.name;
    for (std::size_t k = 1; k < edges.size(); ++k) {
      ASSERT_NEAR(static_cast<double>(replayed[k] - replayed[0]), static_cast<double>(edges[k] - edges[0]),
                  kRecordSampleTStates)
          << c.name << ": edge " << k;
    }
  }
}

}  // namespace
