// Z80 snapshots against real files: the first version's header fields,
// plain and compressed images and the decoder's look-ahead; the pages of
// versions 2 and 3; the files that are refused without a change; and the
// version 3 files that "Save SNA" writes for a .z80 name.
#include <gtest/gtest.h>

#include "snapshot_files.h"
#include "snapshots/sna.h"
#include "snapshots/z80_snapshot.h"
#include "support/fake_host.h"

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

TEST_F(Z80Test, FlagsOfFFhReadAsOneAndTheJoystickByteIsFittedAndSaved) {
  // The oldest writers' flags byte FFh stands for 1: R bit 7, border 0 and
  // a plain image.
  const Bytes image(49152, 0x33);
  machine->ula_out = 0x07;
  ASSERT_FALSE(Load(Concat(Header(0xFF), image)));
  EXPECT_EQ(Ram(0x4000, 49152), image);
  EXPECT_EQ(cpu.r7, 0x80);
  EXPECT_EQ(machine->ula_out & 7, 0);

  // Bits 6-7 of byte 29; the Sweet Talker shares the board only with Kempston.
  const struct { std::uint8_t code; Joystick joystick; } cases[] = {
      {0, Joystick::cursor}, {1, Joystick::kempston}, {2, Joystick::if2_port1}, {3, Joystick::if2_port2}};
  for (const auto& c : cases) {
    machine->joystick = Joystick::kempston;
    machine->sweet_talker_on = true;
    Bytes file = Concat(Header(0x20), Compressed({}, 0));
    file[29] = static_cast<std::uint8_t>(0x02 | c.code << 6);
    ASSERT_FALSE(Load(file));
    EXPECT_EQ(machine->joystick, c.joystick) << int(c.code);
    EXPECT_EQ(machine->sweet_talker_on, c.joystick == Joystick::kempston) << int(c.code);
    EXPECT_EQ(cpu.im, 2);
    EXPECT_EQ(Z80FileBytes(*machine, cpu)[29], file[29]) << int(c.code);
  }
  machine->joystick = Joystick::none;  // the Currah's place
  EXPECT_EQ(Z80FileBytes(*machine, cpu)[29] >> 6, 0);
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
      {"a folder", std::nullopt, kNotAFile},
      {"a missing file", std::nullopt, "Can't open file!"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.File(c.file ? "bad.z80" : std::string(c.name) == "a folder" ? "folder.z80" : "missing.z80");
    if (c.file) WriteFile(path, *c.file);
    machine = PatternedMachine();
    cpu = DistinctRegisters();
    cpu.halted = true;
    std::optional<FileProblem> problem =
        RefusedChangingNothing(*machine, cpu, [&] { return LoadZ80(*machine, cpu, path); }, c.name);
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->title, "Load Z80") << c.name;
    EXPECT_EQ(problem->text, c.text) << c.name;
  }
}

// A page as a version 2/3 file stores it: length, number, data. Compressed
// pages hold the bytes {page, EDh, 01h} then runs of the page number; raw
// ones (length FFFFh) 16 KB of page * 3 + k.
Bytes Page(std::uint8_t page, bool raw = false) {
  Bytes data;
  if (raw) {
    for (std::size_t k = 0; k < 16384; ++k) data.push_back(static_cast<std::uint8_t>(page * 3 + k));
  } else {
    data = {page, 0xED, 0x01};
    for (std::size_t left = 16381; left > 0; left -= std::min<std::size_t>(left, 255)) {
      data.insert(data.end(), {0xED, 0xED, static_cast<std::uint8_t>(std::min<std::size_t>(left, 255)), page});
    }
  }
  const std::size_t length = raw ? 0xFFFF : data.size();
  Bytes page_bytes{static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8), page};
  return Concat(page_bytes, data);
}

Bytes PageContents(std::uint8_t page, bool raw = false) {
  Bytes contents(16384, page);
  if (raw) {
    for (std::size_t k = 0; k < 16384; ++k) contents[k] = static_cast<std::uint8_t>(page * 3 + k);
  } else {
    contents[1] = 0xED;
    contents[2] = 0x01;
  }
  return contents;
}

// A version 2 (extra 23) or 3 (54, 55) file: the first header with PC 0,
// the extra header with PC 9876h and the hardware byte, then the pages.
Bytes LaterFile(std::uint16_t extra, std::uint8_t hardware, const Bytes& pages, std::uint8_t modify = 0) {
  Bytes file = Header(0x0A, 0x0000);  // border 5, r7 clear
  file.push_back(static_cast<std::uint8_t>(extra));
  file.push_back(static_cast<std::uint8_t>(extra >> 8));
  Bytes more(extra, 0);
  more[0] = 0x76;  // PC 9876h
  more[1] = 0x98;
  more[2] = hardware;
  more[5] = modify;
  return Concat(Concat(file, more), pages);
}

TEST_F(Z80Test, LaterVersionsForA48KLoadTheirPages) {
  const Bytes standard = Concat(Concat(Page(4), Page(5)), Page(8));
  struct Case { const char* name; Bytes file; bool raw5; };
  const Case cases[] = {
      {"version 2, 48K", LaterFile(23, 0, standard), false},
      {"version 2, 48K with Interface 1", LaterFile(23, 1, standard), false},
      {"version 3, pages 8 4 5, page 5 raw", LaterFile(54, 0, Concat(Concat(Page(8), Page(4)), Page(5, true))), true},
      {"version 3 (55), 48K with M.G.T.", LaterFile(55, 3, standard), false},
  };
  for (const Case& c : cases) {
    machine = PatternedMachine();
    const Bytes rom = Ram(0, 0x4000);
    cpu = CpuState{};
    cpu.halted = true;
    ASSERT_FALSE(Load(c.file)) << c.name;
    EXPECT_EQ(cpu.pc, 0x9876) << c.name;
    EXPECT_EQ(cpu.sp, 0xC000) << c.name;
    EXPECT_EQ(cpu.a, 0x11) << c.name;
    EXPECT_EQ(cpu.ix, 0x5678) << c.name;
    EXPECT_EQ(cpu.iff, 4) << c.name;
    EXPECT_EQ(cpu.im, 1) << c.name;
    EXPECT_FALSE(cpu.halted) << c.name;
    EXPECT_EQ(machine->ula_out & 7, 5) << c.name;
    EXPECT_EQ(Ram(0x4000, 16384), PageContents(8)) << c.name;
    EXPECT_EQ(Ram(0x8000, 16384), PageContents(4)) << c.name;
    EXPECT_EQ(Ram(0xC000, 16384), PageContents(5, c.raw5)) << c.name;
    EXPECT_EQ(Ram(0, 0x4000), rom) << c.name;
  }
}

TEST_F(Z80Test, LaterVersionsForOtherHardwareOrDamagedAreRefusedAndChangeNothing) {
  const Bytes standard = Concat(Concat(Page(4), Page(5)), Page(8));
  auto for_hardware = [](const std::string& name) {
    return "This snapshot is for " + name + "; Vantro emulates the ZX Spectrum 48K only!";
  };
  Bytes if1_paged = LaterFile(23, 1, standard);
  if1_paged[36] = 0xFF;
  Bytes short_page = Page(8);
  short_page[0] = static_cast<std::uint8_t>(short_page[0] - 4);  // the last run left out
  short_page.resize(short_page.size() - 4);
  Bytes overlong_page = Page(8);
  overlong_page[0] = static_cast<std::uint8_t>(overlong_page[0] + 1);
  overlong_page.push_back(0x00);
  struct Case { const char* name; Bytes file; std::string text; };
  const Case cases[] = {
      {"version 2, 128K", LaterFile(23, 3, standard), for_hardware("a ZX Spectrum 128K")},
      {"version 3, 128K", LaterFile(54, 4, standard), for_hardware("a ZX Spectrum 128K")},
      {"version 3, 128K turned +2", LaterFile(54, 4, standard, 0x80), for_hardware("a ZX Spectrum +2")},
      {"version 3, +3", LaterFile(55, 7, standard), for_hardware("a ZX Spectrum +3")},
      {"version 3, Pentagon", LaterFile(54, 9, standard), for_hardware("a Pentagon 128K")},
      {"version 2, 48K turned 16K", LaterFile(23, 0, standard, 0x80), for_hardware("a ZX Spectrum 16K")},
      {"version 2, hardware 5", LaterFile(23, 5, standard), for_hardware("an unknown machine (hardware type 5)")},
      {"Interface 1 ROM paged in", if1_paged, for_hardware("a ZX Spectrum 48K with its Interface 1 ROM paged in")},
      {"unknown extra header length", LaterFile(30, 0, standard), "This file version is not supported!"},
      {"extra header cut short", [] { Bytes f = LaterFile(54, 0, {}); f.resize(60); return f; }(),
       "This file is too short for a Z80 snapshot header!"},
      {"a page missing", LaterFile(23, 0, Concat(Page(4), Page(5))),
       "The snapshot lacks one of the three memory pages of a 48K Spectrum!"},
      {"a page twice", LaterFile(23, 0, Concat(standard, Page(4))), "The snapshot holds a memory page twice!"},
      {"a 128K page", LaterFile(23, 0, Concat(standard, Page(3))),
       "The snapshot holds a memory page that a 48K Spectrum does not have!"},
      {"page cut off by the end of the file", LaterFile(23, 0, Bytes(standard.begin(), standard.end() - 1)),
       "A memory page of the snapshot is cut off by the end of the file!"},
      {"page head cut off", LaterFile(23, 0, Concat(standard, {0x10, 0x00})),
       "A memory page of the snapshot is cut off by the end of the file!"},
      {"page short of 16 KB", LaterFile(23, 0, Concat(Concat(Page(4), Page(5)), short_page)),
       "A compressed memory page of the snapshot does not unpack to 16 KB!"},
      {"page data past 16 KB", LaterFile(23, 0, Concat(Concat(Page(4), Page(5)), overlong_page)),
       "A compressed memory page of the snapshot does not unpack to 16 KB!"},
      {"raw page length in version 2", LaterFile(23, 0, Concat(Concat(Page(4), Page(5)), Page(8, true))),
       "A memory page of the snapshot is cut off by the end of the file!"},
  };
  for (const Case& c : cases) {
    machine = PatternedMachine();
    cpu = DistinctRegisters();
    cpu.halted = true;
    std::optional<FileProblem> problem = RefusedChangingNothing(*machine, cpu, [&] { return Load(c.file); }, c.name);
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->text, c.text) << c.name;
  }
}

// "Save SNA" to a .z80 name writes a compressed version 3 file that loads
// back to the same state, whatever the memory holds (runs, lone and paired
// EDh bytes next to runs, noise).
TEST_F(Z80Test, Z80SaveThenLoadRestoresRegistersMemoryBorderImAndIff) {
  struct Case { const char* name; std::uint8_t iff, im, border, r7; std::uint16_t pc; int memory; };
  const Case cases[] = {
      {"noise, interrupts off, IM 0", 0, 0, 0, 0x00, 0x0000, 0},
      {"zeros, interrupts on, IM 2", 4, 2, 7, 0x80, 0xFFFF, 1},
      {"EDh next to runs, IM 1", 4, 1, 3, 0x80, 0x8000, 2},
  };
  FakeHost host;
  for (const Case& c : cases) {
    machine = PatternedMachine(11);
    if (c.memory == 1) std::fill(machine->memory.begin() + 0x4000, machine->memory.end(), 0);
    if (c.memory == 2) {
      const Bytes tricky{0xED, 0x00, 0x00, 0x00, 0x00, 0x00, 0xED, 0xED, 0x07, 0xED, 0xED, 0xED,
                         0x11, 0x11, 0x11, 0x11, 0x11, 0xED, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05};
      for (std::size_t k = 0x4000; k < 0x10000; ++k) machine->memory[k] = tricky[k % tricky.size()];
      std::fill(machine->memory.begin() + 0x9000, machine->memory.begin() + 0x9400, 0xED);
    }
    cpu = DistinctRegisters();
    cpu.iff = c.iff;
    cpu.im = c.im;
    cpu.r7 = c.r7;
    cpu.pc = c.pc;
    cpu.sp = 0x4001;  // where an SNA would lose PC
    machine->ula_out = static_cast<std::uint8_t>(0x18 | c.border);
    machine->frame_tstates = 40000;
    const CpuState saved = cpu;
    const std::string path = folder.File("state.Z80");
    host.messages.clear();
    host.save_paths.push_back(path);
    SaveSnaCommand(*machine, cpu, host);
    ASSERT_EQ(host.messages, (std::vector<std::pair<std::string, std::string>>{
                                 {"Save SNA", "0 OK ,  0 : 1  Save completed!"}})) << c.name;
    const Bytes file = ReadFile(path);
    ASSERT_GT(file.size(), 86u) << c.name;
    EXPECT_EQ(file[6] | file[7] << 8, 0) << c.name << ": PC 0 marks a later version";
    EXPECT_EQ(file[30], 54) << c.name << ": version 3";
    EXPECT_EQ(file[34], 0) << c.name << ": a plain 48K";
    EXPECT_EQ(file[32] | file[33] << 8, c.pc) << c.name;
    if (c.memory == 1) {
      EXPECT_LT(file.size(), 1000u) << c.name << ": pages are compressed";
    }

    auto loaded_machine = std::make_unique<Machine>();
    CpuState loaded;
    loaded.iff = 0x81;
    ASSERT_FALSE(LoadZ80(*loaded_machine, loaded, path)) << c.name;
    CpuState want = saved;
    want.iff = c.iff;
    want.halted = loaded.halted;
    want.ei_delay = loaded.ei_delay;
    want.memptr = loaded.memptr;
    want.tstates = loaded.tstates;
    want.io_data = loaded.io_data;
    EXPECT_EQ(CpuFields(loaded), CpuFields(want)) << c.name;
    EXPECT_EQ(loaded_machine->ula_out & 7, c.border) << c.name;
    EXPECT_TRUE(std::equal(machine->memory.begin() + 0x4000, machine->memory.end(),
                           loaded_machine->memory.begin() + 0x4000))
        << c.name;
  }
}

}  // namespace
