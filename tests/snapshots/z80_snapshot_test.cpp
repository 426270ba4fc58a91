// Z80 snapshots of the first version against real files: the header fields,
// plain and compressed images, the decoder's look-ahead, and the files that
// are refused without a change.
#include <gtest/gtest.h>

#include "snapshot_files.h"
#include "snapshots/z80_snapshot.h"

namespace {

// A header with every field distinct; flags and PC as given.
Bytes Header(std::uint8_t flags, std::uint16_t pc = 0x8123) {
  Bytes h{0x11, 0x22, 0x44, 0x33, 0x88, 0x77,
          static_cast<std::uint8_t>(pc), static_cast<std::uint8_t>(pc >> 8),
          0x00, 0xC0, 0x3F, 0x25, flags, 0x66, 0x55,
          0xCC, 0xBB, 0xEE, 0xDD, 0x34, 0x12, 0x99, 0xAA,
          0xBC, 0x9A, 0x78, 0x56, 0x01, 0x00, 0x41};
  return h;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kEndMarker{0x00, 0xED, 0xED, 0x00};
constexpr std::uint8_t kFill = 0x5C;

// Runs of kFill for `count` bytes, so a test stream can be made up to the
// full 48 KB that a file must hold.
Bytes FillRuns(std::size_t count) {
  Bytes runs;
  while (count > 0) {
    const std::size_t run = std::min<std::size_t>(count, 255);
    runs.insert(runs.end(), {0xED, 0xED, static_cast<std::uint8_t>(run), kFill});
    count -= run;
  }
  return runs;
}

// A compressed image: the stream that writes `written` bytes, then kFill up
// to the end of RAM, then the marker.
Bytes Compressed(const Bytes& stream, std::size_t written) {
  return Concat(Concat(stream, FillRuns(49152 - written)), kEndMarker);
}

class Z80Test : public ::testing::Test {
 protected:
  TempFolder folder;
  std::unique_ptr<Machine> machine = PatternedMachine();
  CpuState cpu;

  std::optional<FileProblem> Load(const Bytes& file) {
    std::string path = folder.File("snap.z80");
    WriteFile(path, file);
    return LoadZ80(*machine, cpu, path);
  }
  Bytes Ram(std::uint32_t from, std::size_t length) const {
    return Bytes(machine->memory.begin() + from, machine->memory.begin() + from + length);
  }
};

TEST_F(Z80Test, HeaderFieldsLandInTheirRegisters) {
  cpu.halted = true;
  ASSERT_FALSE(Load(Concat(Header(0x2B), Compressed({}, 0))));  // flags 2Bh: r7, border 5, compressed
  struct Field { const char* name; unsigned got, want; };
  const Field fields[] = {
      {"a", cpu.a, 0x11}, {"f", cpu.f, 0x22}, {"b", cpu.b, 0x33}, {"c", cpu.c, 0x44},
      {"h", cpu.h, 0x77}, {"l", cpu.l, 0x88}, {"pc", cpu.pc, 0x8123}, {"sp", cpu.sp, 0xC000},
      {"i", cpu.i, 0x3F}, {"r", cpu.r, 0x25}, {"r7", cpu.r7, 0x80},
      {"d", cpu.d, 0x55}, {"e", cpu.e, 0x66},
      {"b'", cpu.b_alt, 0xBB}, {"c'", cpu.c_alt, 0xCC}, {"d'", cpu.d_alt, 0xDD}, {"e'", cpu.e_alt, 0xEE},
      {"h'", cpu.h_alt, 0x12}, {"l'", cpu.l_alt, 0x34}, {"a'", cpu.a_alt, 0x99}, {"f'", cpu.f_alt, 0xAA},
      {"iy", cpu.iy, 0x9ABC}, {"ix", cpu.ix, 0x5678}, {"iff", cpu.iff, 4}, {"im", cpu.im, 1},
      {"border", machine->ula_out & 7u, 5}, {"halted cleared", cpu.halted, 0},
  };
  for (const Field& field : fields) EXPECT_EQ(field.got, field.want) << field.name;
}

TEST_F(Z80Test, InterruptByteAloneDecidesIff) {
  // Bits a foreign SNA left in iff must not keep interrupts on.
  struct Case { std::uint8_t before, byte27, byte28, after; };
  const Case cases[] = {{0x00, 1, 0, 0x04}, {0x04, 0, 1, 0x00}, {0x81, 0, 0, 0x00},
                        {0x85, 0, 0, 0x00}, {0x80, 0xFF, 0, 0x04}};
  for (const Case& c : cases) {
    Bytes file = Concat(Header(0x20), Compressed({}, 0));
    file[27] = c.byte27;
    file[28] = c.byte28;
    cpu.iff = c.before;
    ASSERT_FALSE(Load(file));
    EXPECT_EQ(cpu.iff, c.after) << "iff " << int(c.before) << " with byte " << int(c.byte27);
  }
}

TEST_F(Z80Test, BorderReplacesOnlyTheLowBitsOfUlaOut) {
  machine->ula_out = 0xF8;
  ASSERT_FALSE(Load(Concat(Header(0x0E | 0x20), Compressed({}, 0))));
  EXPECT_EQ(machine->ula_out, 0xFF);
  EXPECT_EQ(cpu.r7, 0);
}

TEST_F(Z80Test, PlainImageFillsAllOfRam) {
  Bytes image(49152);
  for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>(k * 7 + 3);
  const Bytes rom = Ram(0, 0x4000);
  ASSERT_FALSE(Load(Concat(Header(0x00), image)));
  EXPECT_EQ(Ram(0x4000, 49152), image);
  EXPECT_EQ(Ram(0, 0x4000), rom);
}

TEST_F(Z80Test, CompressedImageOfExactlyFullRamStopsAtTheMarker) {
  // 48 KB as runs of 192 plus literal bytes, then the marker.
  Bytes stream, want;
  for (int block = 0; block < 128; ++block) {
    auto value = static_cast<std::uint8_t>(block);
    stream.insert(stream.end(), {0xED, 0xED, 192, value});
    want.insert(want.end(), 192, value);
    for (int k = 0; k < 192; ++k) {
      auto literal = static_cast<std::uint8_t>(0x40 + (k % 0x80));
      stream.push_back(literal);
      want.push_back(literal);
    }
  }
  ASSERT_EQ(want.size(), 49152u);
  ASSERT_FALSE(Load(Concat(Concat(Header(0x20), stream), kEndMarker)));
  EXPECT_EQ(Ram(0x4000, 49152), want);
}

TEST_F(Z80Test, DecoderReadsLookAheadBytesAgain) {
  struct Case { const char* name; Bytes stream; Bytes written; };
  const Case cases[] = {
      {"ED then not ED", {0xED, 0x05, 0x01}, {0xED, 0x05, 0x01}},
      {"a run", {0xED, 0xED, 0x03, 0x07}, {0x07, 0x07, 0x07}},
      {"a run of count 0 is 256 bytes", {0xED, 0xED, 0x00, 0xAB}, Bytes(256, 0xAB)},
      {"zero then data", {0x00, 0x01}, {0x00, 0x01}},
      {"zero then a run", {0x00, 0xED, 0xED, 0x02, 0x09}, {0x00, 0x09, 0x09}},
      {"zero ED ED non-zero", {0x00, 0xED, 0xED, 0x01, 0x05, 0x06}, {0x00, 0x05, 0x06}},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(Load(Concat(Header(0x20), Compressed(c.stream, c.written.size())))) << c.name;
    EXPECT_EQ(Ram(0x4000, c.written.size()), c.written) << c.name;
    EXPECT_EQ(machine->memory[0x4000 + c.written.size()], kFill) << c.name << ": the stream ran on";
  }
}

TEST_F(Z80Test, OverlongImageStopsAtTheEndOfMemory) {
  // Runs that would go far past FFFFh: RAM is filled, then decoding stops.
  Bytes runs;
  for (int k = 0; k < 300; ++k) runs.insert(runs.end(), {0xED, 0xED, 0x00, 0x5C});
  const Bytes rom = Ram(0, 0x4000);
  ASSERT_FALSE(Load(Concat(Header(0x20), runs)));
  EXPECT_EQ(Ram(0x4000, 49152), Bytes(49152, 0x5C));
  EXPECT_EQ(Ram(0, 0x4000), rom) << "the decoder wrapped into the ROM area";
}

TEST_F(Z80Test, FilesThatCannotBeLoadedAreRefusedAndChangeNothing) {
  const std::string too_short = "This file is too short for a Z80 snapshot header!";
  const std::string image_short = "The snapshot's memory image ends before the end of RAM!";
  std::filesystem::create_directory(folder.File("folder.z80"));
  struct Case { const char* name; std::optional<Bytes> file; std::string text; };
  const Case cases[] = {
      {"empty", Bytes{}, too_short},
      {"header cut short", [] { Bytes h = Header(0x20); h.resize(29); return h; }(), too_short},
      {"a later version", Concat(Header(0x2B, 0x0000), Bytes(200, 0x77)), "This file version is not supported!"},
      {"plain image a byte short", Concat(Header(0x00), Bytes(49151, 1)), image_short},
      {"marker before the end of RAM", Concat(Header(0x20), Concat(FillRuns(100), kEndMarker)), image_short},
      {"marker right after a lone ED", Concat(Header(0x20), {0xED, 0x00, 0xED, 0xED, 0x00, 0x42}), image_short},
      {"file ends before the end of RAM", Concat(Header(0x20), FillRuns(49151)), image_short},
      {"file ends inside a run", Concat(Header(0x20), {0x01, 0x02, 0xED, 0xED, 0x05}),
       "The snapshot's compressed memory image is cut off inside a run!"},
      {"a folder", std::nullopt, "Can't open file!"},
      {"a missing file", std::nullopt, "Can't open file!"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.File(c.file ? "bad.z80" : std::string(c.name) == "a folder" ? "folder.z80" : "missing.z80");
    if (c.file) WriteFile(path, *c.file);
    machine = PatternedMachine();
    const auto before = std::make_unique<Machine>(*machine);
    cpu = DistinctRegisters();
    cpu.halted = true;
    const CpuState was = cpu;
    std::optional<FileProblem> problem = LoadZ80(*machine, cpu, path);
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->title, "Load Z80") << c.name;
    EXPECT_EQ(problem->text, c.text) << c.name;
    EXPECT_TRUE(machine->memory == before->memory) << c.name;
    EXPECT_EQ(machine->ula_out, before->ula_out) << c.name;
    EXPECT_EQ(CpuFields(cpu), CpuFields(was)) << c.name << ": no register, no reset";
  }
}

}  // namespace
