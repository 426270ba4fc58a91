// Z80 snapshots of the first version against real files: the header fields,
// plain and compressed images, the decoder's look-ahead, and refusals.
#include <gtest/gtest.h>

#include "support/fake_host.h"
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

class Z80Test : public ::testing::Test {
 protected:
  TempFolder folder;
  FakeHost host;
  std::unique_ptr<Machine> machine = PatternedMachine();
  CpuState cpu;

  void Load(const Bytes& file) {
    std::string path = folder.File("snap.z80");
    WriteFile(path, file);
    LoadZ80(*machine, cpu, host, path);
  }
  Bytes Ram(std::uint32_t from, std::size_t length) const {
    return Bytes(machine->memory.begin() + from, machine->memory.begin() + from + length);
  }
};

TEST_F(Z80Test, HeaderFieldsLandInTheirRegisters) {
  Load(Concat(Header(0x2B), kEndMarker));  // flags 2Bh: r7, border 5, compressed
  struct Field { const char* name; unsigned got, want; };
  const Field fields[] = {
      {"a", cpu.a, 0x11}, {"f", cpu.f, 0x22}, {"b", cpu.b, 0x33}, {"c", cpu.c, 0x44},
      {"h", cpu.h, 0x77}, {"l", cpu.l, 0x88}, {"pc", cpu.pc, 0x8123}, {"sp", cpu.sp, 0xC000},
      {"i", cpu.i, 0x3F}, {"r", cpu.r, 0x25}, {"r7", cpu.r7, 0x80},
      {"d", cpu.d, 0x55}, {"e", cpu.e, 0x66},
      {"b'", cpu.b_alt, 0xBB}, {"c'", cpu.c_alt, 0xCC}, {"d'", cpu.d_alt, 0xDD}, {"e'", cpu.e_alt, 0xEE},
      {"h'", cpu.h_alt, 0x12}, {"l'", cpu.l_alt, 0x34}, {"a'", cpu.a_alt, 0x99}, {"f'", cpu.f_alt, 0xAA},
      {"iy", cpu.iy, 0x9ABC}, {"ix", cpu.ix, 0x5678}, {"iff", cpu.iff, 4}, {"im", cpu.im, 1},
      {"border", machine->ula_out & 7u, 5},
  };
  for (const Field& field : fields) EXPECT_EQ(field.got, field.want) << field.name;
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Z80Test, InterruptByteSetsOrClearsOnlyBitTwoOfIff) {
  struct Case { std::uint8_t before, byte27, byte28, after; };
  const Case cases[] = {{0x00, 1, 0, 0x04}, {0x04, 0, 1, 0x00}, {0x81, 0, 0, 0x81},
                        {0x85, 0, 0, 0x81}, {0x80, 0xFF, 0, 0x84}};
  for (const Case& c : cases) {
    Bytes file = Concat(Header(0x20), kEndMarker);
    file[27] = c.byte27;
    file[28] = c.byte28;
    cpu.iff = c.before;
    Load(file);
    EXPECT_EQ(cpu.iff, c.after) << "iff " << int(c.before) << " with byte " << int(c.byte27);
  }
}

TEST_F(Z80Test, BorderReplacesOnlyTheLowBitsOfUlaOut) {
  machine->ula_out = 0xF8;
  Load(Concat(Header(0x0E | 0x20), kEndMarker));
  EXPECT_EQ(machine->ula_out, 0xFF);
  EXPECT_EQ(cpu.r7, 0);
}

TEST_F(Z80Test, PlainImageFillsAllOfRam) {
  Bytes image(49152);
  for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>(k * 7 + 3);
  const Bytes rom = Ram(0, 0x4000);
  Load(Concat(Header(0x00), image));
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
  Load(Concat(Concat(Header(0x20), stream), kEndMarker));
  EXPECT_EQ(Ram(0x4000, 49152), want);
}

TEST_F(Z80Test, DecoderReadsLookAheadBytesAgain) {
  struct Case { const char* name; Bytes stream; Bytes written; };
  const Case cases[] = {
      {"ED then not ED", {0xED, 0x05, 0x01}, {0xED, 0x05, 0x01}},
      {"a run", {0xED, 0xED, 0x03, 0x07}, {0x07, 0x07, 0x07}},
      {"zero then data", {0x00, 0x01}, {0x00, 0x01}},
      {"zero then a run", {0x00, 0xED, 0xED, 0x02, 0x09}, {0x00, 0x09, 0x09}},
      {"ED then the marker", {0xED, 0x00, 0xED, 0xED, 0x00, 0x42}, {0xED}},
      {"zero ED ED non-zero", {0x00, 0xED, 0xED, 0x01, 0x05, 0x06}, {0x00, 0x05, 0x06}},
  };
  for (const Case& c : cases) {
    machine = PatternedMachine();
    const Bytes after = Ram(0x4000 + c.written.size(), 16);
    Load(Concat(Concat(Header(0x20), c.stream), kEndMarker));
    EXPECT_EQ(Ram(0x4000, c.written.size()), c.written) << c.name;
    EXPECT_EQ(Ram(0x4000 + c.written.size(), 16), after) << c.name << ": wrote past the stream";
  }
}

TEST_F(Z80Test, RunCountZeroWritesTwoHundredFiftySixBytes) {
  const std::uint8_t next = machine->memory[0x4100];
  Load(Concat(Concat(Header(0x20), {0xED, 0xED, 0x00, 0xAB}), kEndMarker));
  EXPECT_EQ(Ram(0x4000, 256), Bytes(256, 0xAB));
  EXPECT_EQ(machine->memory[0x4100], next);
}

TEST_F(Z80Test, OverlongOrUnterminatedImagesStopAtTheEndOfMemoryOrFile) {
  // Runs that would go far past FFFFh: RAM is filled, then decoding stops.
  Bytes runs;
  for (int k = 0; k < 300; ++k) runs.insert(runs.end(), {0xED, 0xED, 0x00, 0x5C});
  const Bytes rom = Ram(0, 0x4000);
  Load(Concat(Header(0x20), runs));
  EXPECT_EQ(Ram(0x4000, 49152), Bytes(49152, 0x5C));
  EXPECT_EQ(Ram(0, 0x4000), rom) << "the decoder wrapped into the ROM area";

  // A stream cut inside a run applies what came before it.
  machine = PatternedMachine();
  const std::uint8_t untouched = machine->memory[0x4002];
  Load(Concat(Header(0x20), {0x01, 0x02, 0xED, 0xED, 0x05}));
  EXPECT_EQ(Ram(0x4000, 2), (Bytes{0x01, 0x02}));
  EXPECT_EQ(machine->memory[0x4002], untouched);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Z80Test, LaterVersionIsRefusedWithResetAndMemoryKept) {
  const Bytes before = Ram(0, 0x10000);
  cpu.a = 0x99;
  cpu.sp = 0x1234;
  Bytes file = Concat(Header(0x2B, 0x0000), Bytes(200, 0x77));
  Load(file);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], (std::pair<std::string, std::string>{"Load Z80", "This file version is not supported!"}));
  EXPECT_EQ(Ram(0, 0x10000), before);
  EXPECT_EQ(cpu.pc, 0);
  EXPECT_EQ(cpu.a, 0) << "ResetCpu clears the registers the header set";
  EXPECT_EQ(cpu.sp, 0xF000);
  EXPECT_EQ(machine->ula_out & 7, 5) << "the refused file's border stays";
}

TEST_F(Z80Test, TruncatedHeaderAppliesOnlyWhatWasRead) {
  cpu.sp = 0x1111;
  cpu.im = 2;
  Bytes file = Header(0x20);
  file.resize(9);  // A F BC HL PC and half of SP
  const Bytes before = Ram(0, 0x10000);
  Load(file);
  EXPECT_EQ(cpu.a, 0x11);
  EXPECT_EQ(cpu.pc, 0x8123);
  EXPECT_EQ(cpu.sp, 0x1111);
  EXPECT_EQ(cpu.im, 2);
  EXPECT_EQ(Ram(0, 0x10000), before);
  EXPECT_TRUE(host.messages.empty());

  Load(Bytes{});
  EXPECT_EQ(cpu.pc, 0x8123);
}

TEST_F(Z80Test, MissingFileIsReported) {
  LoadZ80(*machine, cpu, host, folder.File("missing.z80"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], (std::pair<std::string, std::string>{"Load Z80", "Can't open file!"}));
}

}  // namespace
