// TAP insertion and the loader trap against real files: which instructions
// it serves, what the ROM would have stored and returned for good and bad
// blocks, the end of the tape, and the images that are refused.
#include <gtest/gtest.h>

#include "snapshot_files.h"
#include "support/fake_host.h"
#include "snapshots/tape.h"
#include "snapshots/tape_writer.h"
#include "tape_fixtures.h"

namespace {

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Two blocks: 01 02 03 and 09 08, each with flag and checksum.
Bytes TwoBlockTape() { return Concat(TapBlock(0x00, {1, 2, 3}), TapBlock(0xFF, {9, 8})); }

class TapeTrapTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::unique_ptr<Machine> machine = PatternedMachine();
  CpuState cpu;

  void Insert(const Bytes& tape) {
    std::string path = folder.File("tape.tap");
    WriteFile(path, tape);
    ASSERT_FALSE(InsertTape(*machine, path));
  }
  // The registers as the ROM's LOAD sets them before entering LD-BYTES: the
  // flag it wants in A, carry set for LOAD.
  void AtLoader(std::uint16_t ix, std::uint16_t de, std::uint8_t flag, bool carry = true) {
    cpu.pc = 0x0556;
    cpu.a = flag;
    cpu.f = carry ? 0xC5 : 0xC4;
    cpu.ix = ix;
    cpu.d = static_cast<std::uint8_t>(de >> 8);
    cpu.e = static_cast<std::uint8_t>(de);
  }
  Bytes Ram(std::uint32_t from, std::size_t length) const {
    return Bytes(machine->memory.begin() + from, machine->memory.begin() + from + length);
  }
};

TEST_F(TapeTrapTest, EachLoadTakesTheNextBlockUntilTheTapeRunsOut) {
  Insert(TwoBlockTape());
  AtLoader(0x8000, 3, 0x00);
  EXPECT_TRUE(TapeTrap(*machine, cpu));
  EXPECT_EQ(Ram(0x8000, 3), (Bytes{1, 2, 3}));
  EXPECT_EQ(cpu.pc, 0x053F);
  EXPECT_EQ(cpu.ix, 0x8003);
  EXPECT_EQ(De(cpu), 0) << "LD-BYTES counts DE down to 0";
  EXPECT_EQ(cpu.a, 0);
  EXPECT_EQ(cpu.f, 0x93) << "CP 01h on a zero checksum: S, H, N and carry";

  AtLoader(0x9000, 2, 0xFF);
  EXPECT_TRUE(TapeTrap(*machine, cpu));
  EXPECT_EQ(Ram(0x9000, 2), (Bytes{9, 8}));
  EXPECT_EQ(cpu.f & kFlagC, kFlagC);

  // Past the end the ROM is left to wait for a signal that never comes.
  AtLoader(0xA000, 4, 0xFF);
  const Bytes before = Ram(0xA000, 4);
  EXPECT_FALSE(TapeTrap(*machine, cpu));
  EXPECT_EQ(cpu.pc, 0x0556);
  EXPECT_EQ(Ram(0xA000, 4), before);
  EXPECT_EQ(De(cpu), 4);
}

TEST_F(TapeTrapTest, BadBlocksFailAsTheRomLoaderWouldAndTheTapeMovesOn) {
  const Bytes good = TapBlock(0xFF, {1, 2, 3});  // checksum FFh^1^2^3 = FFh
  Bytes bad_checksum = good;
  bad_checksum.back() ^= 0x40;
  struct Case {
    const char* name;
    Bytes block;
    std::uint8_t flag;
    std::uint16_t de;
    Bytes stored;  // at 8000h; IX moves on by as many bytes
    bool carry;
  };
  const Case cases[] = {
      {"good block", good, 0xFF, 3, {1, 2, 3}, true},
      {"flag differs", good, 0x00, 3, {}, false},
      {"shorter than asked: the checksum is stored as data", good, 0xFF, 5, {1, 2, 3, 0xFF}, false},
      {"longer than asked: the next byte is taken as the checksum", good, 0xFF, 2, {1, 2}, false},
      {"bad checksum", bad_checksum, 0xFF, 3, {1, 2, 3}, false},
      {"no data asked: no flag test, the flag alone is the checksum", good, 0x00, 0, {}, false},
      {"no data asked of a zero flag", TapBlock(0x00, {5}), 0xFF, 0, {}, true},
      {"block of flag and checksum only", Bytes{2, 0, 0xFF, 0xFF}, 0xFF, 1, {0xFF}, false},
  };
  for (const Case& c : cases) {
    machine = PatternedMachine();
    Insert(Concat(c.block, TapBlock(0xFF, {0x77})));
    const Bytes after = Ram(0x8000 + c.stored.size(), 8);
    AtLoader(0x8000, c.de, c.flag);
    ASSERT_TRUE(TapeTrap(*machine, cpu)) << c.name;
    EXPECT_EQ(Ram(0x8000, c.stored.size()), c.stored) << c.name;
    EXPECT_EQ(Ram(0x8000 + c.stored.size(), 8), after) << c.name << ": stored too much";
    EXPECT_EQ(cpu.ix, 0x8000 + c.stored.size()) << c.name;
    EXPECT_EQ(De(cpu), c.de == 0 ? 0 : c.de - c.stored.size()) << c.name;
    EXPECT_EQ((cpu.f & kFlagC) != 0, c.carry) << c.name;
    EXPECT_EQ(cpu.pc, 0x053F) << c.name;
    // The next LOAD gets the block after, whatever happened to this one.
    AtLoader(0x9000, 1, 0xFF);
    ASSERT_TRUE(TapeTrap(*machine, cpu)) << c.name;
    EXPECT_EQ(machine->memory[0x9000], 0x77) << c.name;
  }
}

TEST_F(TapeTrapTest, OnlyALoadAtTheRomLoaderIsServed) {
  Insert(TwoBlockTape());
  struct Case { const char* name; std::uint16_t pc; bool carry; };
  const Case cases[] = {{"verify (carry clear)", 0x0556, false},
                        {"elsewhere", 0x0557, true},
                        {"elsewhere", 0x05E2, true}};
  for (const Case& c : cases) {
    AtLoader(0x8000, 3, 0x00, c.carry);
    cpu.pc = c.pc;
    const Bytes before = Ram(0x8000, 3);
    EXPECT_FALSE(TapeTrap(*machine, cpu)) << c.name;
    EXPECT_EQ(cpu.pc, c.pc) << c.name;
    EXPECT_EQ(Ram(0x8000, 3), before) << c.name;
  }
  // The tape did not move: the first LOAD still gets the first block.
  AtLoader(0x8000, 3, 0x00);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0x8000, 3), (Bytes{1, 2, 3}));
}

// The trap walks the tape as the signal plays it: a looped or called block
// is served as often as it plays, a jump is followed, pauses and levels are
// passed, a stop ends it.
TEST_F(TapeTrapTest, TrapFollowsLoopsJumpsCallsPausesAndStopsAsTheSignal) {
  const Bytes a = TzxStandardBlock(TapBlock(0xFF, {0xAA})), b = TzxStandardBlock(TapBlock(0xFF, {0xBB}));
  const Bytes twice = TzxBlock(0x24, {0x02, 0x00}), loop_end = TzxBlock(0x25, {});
  const Bytes pause = TzxBlock(0x20, {0xE8, 0x03}), stop = TzxBlock(0x20, {0x00, 0x00});
  const Bytes level = TzxBlock(0x2B, {0x01, 0x00, 0x00, 0x00, 0x01});
  const struct {
    const char* name;
    Bytes tzx;
    Bytes served;  // the byte each LOAD gets, until one is not served
  } cases[] = {
      {"a loop of two", Joined({TzxHeader(), twice, a, loop_end, b}), {0xAA, 0xAA, 0xBB}},
      {"a loop of a block and a pause", Joined({TzxHeader(), twice, a, pause, loop_end, b}), {0xAA, 0xAA, 0xBB}},
      {"pause and level between", Joined({TzxHeader(), a, pause, level, b}), {0xAA, 0xBB}},
      {"a stop", Joined({TzxHeader(), a, stop, b}), {0xAA}},
      {"a jump over a block", Joined({TzxHeader(), TzxBlock(0x23, {0x02, 0x00}), a, b}), {0xBB}},
      {"a block called twice", Joined({TzxHeader(), TzxBlock(0x26, {0x02, 0x00, 0x02, 0x00, 0x02, 0x00}), b, a,
                                       TzxBlock(0x27, {})}),
       {0xAA, 0xAA, 0xBB, 0xAA}},
  };
  for (const auto& c : cases) {
    const std::string path = folder.File("tape.tzx");
    WriteFile(path, c.tzx);
    ASSERT_FALSE(InsertTape(*machine, path)) << c.name;
    Bytes served;
    for (int load = 0; load < 6; ++load) {
      AtLoader(0x8000, 1, 0xFF);
      if (!TapeTrap(*machine, cpu)) break;
      served.push_back(machine->memory[0x8000]);
    }
    EXPECT_EQ(served, c.served) << c.name;
  }
}

// "Save Tape As...": the tape in, then the recorded blocks, as TAP where TAP
// can hold them; what is written reads back block for block.
TEST_F(TapeTrapTest, SavedTapeHoldsTheTapeInThenTheRecordedBlocks) {
  const Bytes tap = TwoBlockTape();
  const Bytes tzx = Joined({TzxHeader(), TzxBlock(0x30, {1, 'x'}), TzxStandardBlock(TapBlock(0xFF, {7}))});
  const Bytes saved_body{0xFF, 0x42, 0xBD};
  struct Case {
    const char* name;
    Bytes in;  // empty: no tape in
    std::string in_name;
    bool direct;  // the recording is a direct one, not a standard block
    std::string path;
    std::string written;  // the name used, or the start of the refusal
  };
  const Case cases[] = {
      {"TAP and a saved block", tap, "in.tap", false, "out", "out.tap"},
      {"TZX kept as it was", tzx, "in.tzx", false, "out", "out.tzx"},
      {"TAP asked as TZX", tap, "in.tap", false, "out.tzx", "out.tzx"},
      {"a direct recording after TAP", tap, "in.tap", true, "out", "out.tzx"},
      {"a direct recording as TAP", {}, "", true, "out.tap", "Some blocks"},
      {"nothing at all", {}, "", false, "out", "There is no tape"},
  };
  for (const Case& c : cases) {
    machine = PatternedMachine();
    if (!c.in.empty()) {
      WriteFile(folder.File(c.in_name), c.in);
      ASSERT_FALSE(InsertTape(*machine, folder.File(c.in_name))) << c.name;
    }
    if (c.direct) {
      for (int edge = 0; edge < 400; ++edge) MicEdge(machine->tape_recording, edge % 2 == 0, 1000 * edge);
    } else if (c.name != std::string("nothing at all")) {
      AppendSavedBlock(machine->tape_recording, saved_body.data(), saved_body.size());
    }
    const TapeImage in = *machine->tape_signal.image, recorded = [&] {
      FinishRecording(machine->tape_recording);
      return machine->tape_recording.image;
    }();
    std::string written;
    const std::optional<FileProblem> problem = SaveTapeFile(*machine, folder.File(c.path), written);
    if (c.written.find('.') == std::string::npos) {
      ASSERT_TRUE(problem) << c.name;
      EXPECT_EQ(problem->text.rfind(c.written, 0), 0u) << c.name << ": " << problem->text;
      continue;
    }
    ASSERT_FALSE(problem) << c.name << ": " << problem->text;
    EXPECT_EQ(written, folder.File(c.written)) << c.name;
    const Bytes file = ReadFile(written);
    EXPECT_TRUE(c.in_name != "in.tzx" || std::equal(tzx.begin(), tzx.end(), file.begin())) << c.name;
    ASSERT_FALSE(InsertTape(*machine, written)) << c.name;
    const TapeImage& back = *machine->tape_signal.image;
    std::vector<std::pair<const TapeImage*, const SignalBlock*>> wanted;
    for (const SignalBlock& block : in.blocks) wanted.emplace_back(&in, &block);
    for (const SignalBlock& block : recorded.blocks) wanted.emplace_back(&recorded, &block);
    ASSERT_EQ(back.blocks.size(), wanted.size()) << c.name;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
      const auto& [image, block] = wanted[k];
      const SignalBlock& got = back.blocks[k];
      EXPECT_EQ(got.kind, block->kind) << c.name << ": block " << k;
      EXPECT_EQ(Bytes(back.bytes.begin() + got.first, back.bytes.begin() + got.first + got.length),
                Bytes(image->bytes.begin() + block->first, image->bytes.begin() + block->first + block->length))
          << c.name << ": block " << k;
    }
  }
}

// The command says there is nothing to save before asking for a name, and
// with a tape in asks for the name and writes it.
TEST_F(TapeTrapTest, SaveTapeAsTellsOfNoTapeBeforeAskingForAName) {
  FakeHost host;
  host.save_paths.push_back(folder.File("never"));
  SaveTapeCommand(*machine, host);
  EXPECT_TRUE(host.dialogs.empty()) << "a name was asked for with no tape to save";
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].second.rfind("There is no tape to save", 0), 0u) << host.messages[0].second;

  host.messages.clear();
  Insert(TwoBlockTape());
  SaveTapeCommand(*machine, host);
  EXPECT_EQ(host.dialogs.size(), 1u);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(ReadFile(folder.File("never.tap")), TwoBlockTape());
}

TEST_F(TapeTrapTest, StoresObeyWriteProtectionAndWrapAtTheTop) {
  Bytes data(8);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(0xA0 + k);
  Insert(TapBlock(0xFF, data));
  machine->write_floor = 0x4000;
  const Bytes rom = Ram(0, 0x4000);
  AtLoader(0xFFFC, 8, 0xFF);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0xFFFC, 4), (Bytes{0xA0, 0xA1, 0xA2, 0xA3}));
  EXPECT_EQ(Ram(0, 0x4000), rom) << "bytes that wrapped into the ROM must be dropped";
  EXPECT_EQ(cpu.ix, 0x0004);

  // Without protection the wrapped bytes land at 0000h.
  Insert(TapBlock(0xFF, data));
  machine->write_floor = 0;
  AtLoader(0xFFFC, 8, 0xFF);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0, 4), (Bytes{0xA4, 0xA5, 0xA6, 0xA7}));
}

TEST_F(TapeTrapTest, WhatIsNotATapIsRefusedAndTheTapeInStays) {
  Insert(TwoBlockTape());
  AtLoader(0x8000, 3, 0x00);
  TapeTrap(*machine, cpu);  // the head is now at the second block
  const Bytes inserted = machine->tape_signal.image->bytes;

  const std::string not_tap = "This is not a TAP tape image: its block lengths do not match the file!";
  std::filesystem::create_directory(folder.File("folder.tap"));
  struct Case { const char* name; std::optional<Bytes> file; std::string path, text; };
  const Case cases[] = {
      {"empty file", Bytes{}, "empty.tap", "The tape image is empty!"},
      {"half a length", Bytes{0x05}, "half.tap", not_tap},
      {"block past the end", Bytes{0x13, 0x00, 0x00, 0x01}, "long.tap", not_tap},
      {"a stray byte after the last block", Concat(TwoBlockTape(), {0x00}), "stray.tap", not_tap},
      {"block without a checksum", Bytes{0x01, 0x00, 0xFF}, "one.tap", not_tap},
      {"a folder", std::nullopt, "folder.tap", kNotAFile},
      {"a missing file", std::nullopt, "missing.tap", "Can't open file!"},
  };
  for (const Case& c : cases) {
    if (c.file) WriteFile(folder.File(c.path), *c.file);
    std::optional<FileProblem> problem = InsertTape(*machine, folder.File(c.path));
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->title, "Load TAP") << c.name;
    EXPECT_EQ(problem->text, c.text) << c.name;
    EXPECT_EQ(machine->tape_signal.image->bytes, inserted) << c.name;
    EXPECT_TRUE(machine->tape_active) << c.name;
  }
  AtLoader(0x9000, 2, 0xFF);
  TapeTrap(*machine, cpu);
  EXPECT_EQ(Ram(0x9000, 2), (Bytes{9, 8})) << "the tape in must not have moved";

  EjectTape(*machine);
  EXPECT_FALSE(machine->tape_active);
  EXPECT_FALSE(machine->tape_signal.inserted);
  EjectTape(*machine);  // taking out no tape is harmless
}

}  // namespace
