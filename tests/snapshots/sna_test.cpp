// SNA snapshots against real files: the round trip, the header layout, the
// stack-carried program counter, and the files that must be ignored.
#include <gtest/gtest.h>

#include "support/fake_host.h"
#include "snapshot_files.h"
#include "snapshots/sna.h"

namespace {

constexpr std::size_t kSnaLength = 49179;
const std::pair<std::string, std::string> kSaveCompleted{"Save SNA", "0 OK ,  0 : 1  Save completed!"};

class SnaTest : public ::testing::Test {
 protected:
  TempFolder folder;
  FakeHost host;
  std::unique_ptr<Machine> machine = PatternedMachine();
  CpuState cpu = DistinctRegisters();

  std::string Save(const std::string& name) {
    host.save_paths.push_back(folder.File(name));
    SaveSnaCommand(*machine, cpu, host);
    return folder.File(name);
  }
};

TEST_F(SnaTest, SnaSaveThenLoadRestoresEveryRegisterPcAndBorder) {
  machine->ula_out = 0x1D;  // border 5 with other bits set
  const CpuState saved = cpu;
  std::string path = Save("state.sna");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], kSaveCompleted);
  EXPECT_EQ(host.dialogs.at(0), (std::pair<std::string, std::string>{"Save SNA file", "SNA (*.sna)|*.sna;;Z80 (*.z80)|*.z80;;SZX (*.szx)|*.szx"}));
  EXPECT_EQ(cpu.sp, saved.sp) << "the save must pop what it pushed";
  EXPECT_EQ(cpu.pc, saved.pc);
  // The two bytes just below the saved stack pointer hold pc.
  EXPECT_EQ(machine->memory[0x7FFE], 0x43);
  EXPECT_EQ(machine->memory[0x7FFF], 0x65);

  auto fresh = std::make_unique<Machine>();
  fresh->ula_out = 0xF8;
  CpuState loaded;
  loaded.halted = true;
  loaded.tstates = 1234;
  EXPECT_FALSE(LoadSna(*fresh, loaded, path));

  struct Field { const char* name; unsigned got, want; };
  const Field fields[] = {
      {"a", loaded.a, saved.a}, {"f", loaded.f, saved.f}, {"b", loaded.b, saved.b},
      {"c", loaded.c, saved.c}, {"d", loaded.d, saved.d}, {"e", loaded.e, saved.e},
      {"h", loaded.h, saved.h}, {"l", loaded.l, saved.l},
      {"a'", loaded.a_alt, saved.a_alt}, {"f'", loaded.f_alt, saved.f_alt},
      {"b'", loaded.b_alt, saved.b_alt}, {"c'", loaded.c_alt, saved.c_alt},
      {"d'", loaded.d_alt, saved.d_alt}, {"e'", loaded.e_alt, saved.e_alt},
      {"h'", loaded.h_alt, saved.h_alt}, {"l'", loaded.l_alt, saved.l_alt},
      {"ix", loaded.ix, saved.ix}, {"iy", loaded.iy, saved.iy},
      {"sp", loaded.sp, saved.sp}, {"pc", loaded.pc, saved.pc},
      {"i", loaded.i, saved.i}, {"r", loaded.r, 0xA5u}, {"r7", loaded.r7, saved.r7},
      {"iff", loaded.iff, saved.iff}, {"im", loaded.im, saved.im},
      {"border", fresh->ula_out, 0xFDu},
      {"halted cleared", loaded.halted, 0u}, {"tstates untouched", loaded.tstates, 1234u},
  };
  for (const Field& field : fields) EXPECT_EQ(field.got, field.want) << field.name;
  for (unsigned address = 0x4000; address < 0x10000; ++address) {
    ASSERT_EQ(fresh->memory[address], machine->memory[address]) << "RAM differs at " << address;
  }
  for (unsigned address = 0; address < 0x4000; ++address) {
    ASSERT_EQ(fresh->memory[address], 0) << "ROM area written at " << address;
  }
}

TEST_F(SnaTest, SavedHeaderFollowsTheFileLayout) {
  cpu.r = 0xFF;  // bit 7 of the file's R comes from r7 only
  cpu.r7 = 0;
  machine->ula_out = 0xFE;
  Bytes file = ReadFile(Save("layout.sna"));
  ASSERT_EQ(file.size(), kSnaLength);
  const Bytes header(file.begin(), file.begin() + 27);
  const Bytes want{0x3F, 0x34, 0x12, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99,
                   0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0xBC, 0x9A, 0x78,
                   0x56, 0x04, 0x7F, 0x22, 0x11, 0xFE, 0x7F, 0x02, 0x06};
  EXPECT_EQ(header, want);
  EXPECT_TRUE(std::equal(file.begin() + 27, file.end(), machine->memory.begin() + 0x4000));
}

TEST_F(SnaTest, BareSaveNamesGetTheExtensionOfTheChosenFileType) {
  // choice: the dialog's file type (0 SNA, 1 Z80); the written name's
  // extension decides the format.
  struct Case { const char* chosen; int choice; const char* written; bool z80; };
  const Case cases[] = {
      {"plain", 0, "plain.sna", false}, {"dotted.", 0, "dotted..sna", false},
      {"other.bin", 0, "other.bin", false}, {"upper.SNA", 0, "upper.SNA", false},
      {"snap2", 1, "snap2.z80", true}, {"kept.sna", 1, "kept.sna", false},
      {"asked.z80", 0, "asked.z80", true},
  };
  for (const Case& c : cases) {
    host.save_choices.push_back(c.choice);
    Save(c.chosen);
    const Bytes file = ReadFile(folder.File(c.written));
    // A version 3 Z80 file has PC 0 in its first header and 54 at offset 30.
    const bool z80 = file.size() > 30 && file[6] == 0 && file[7] == 0 && file[30] == 54;
    EXPECT_EQ(z80, c.z80) << c.chosen << " written as " << c.written;
    if (!c.z80) {
      EXPECT_EQ(file.size(), kSnaLength) << c.chosen;
    }
  }
}

TEST_F(SnaTest, SaveWithSpJustAboveRomLosesTheLowByteOfPcAndWarns) {
  cpu.sp = 0x4001;
  cpu.pc = 0xBEEF;
  machine->write_floor = 0x4000;
  const std::uint8_t rom_byte = machine->memory[0x3FFF];
  std::string path = Save("edge.sna");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].first, "Save SNA");
  EXPECT_EQ(host.messages[0].second.rfind(kSaveCompleted.second, 0), 0u) << "the file is still saved";
  EXPECT_NE(host.messages[0].second.find("will not resume where it stopped"), std::string::npos);
  EXPECT_EQ(machine->memory[0x4000], 0xBE);
  EXPECT_EQ(machine->memory[0x3FFF], rom_byte) << "the ROM must stay write-protected";
  Bytes file = ReadFile(path);
  EXPECT_EQ(file[23], 0xFF);
  EXPECT_EQ(file[24], 0x3F);
  EXPECT_EQ(cpu.sp, 0x4001);

  CpuState loaded;
  LoadSna(*machine, loaded, path);
  EXPECT_EQ(loaded.pc, 0xBE00 | rom_byte);
  EXPECT_EQ(loaded.sp, 0x4001);

  // Only a push that loses a byte warns: SP 4002h, 0000h (wraps to the top)
  // or an unprotected ROM keep PC whole; 0001h puts its high byte at 0000h.
  struct Case { std::uint16_t sp; std::uint16_t floor; bool warns; };
  const Case cases[] = {{0x4002, 0x4000, false}, {0x0000, 0x4000, false}, {0x4001, 0x0000, false},
                        {0x0001, 0x4000, true}, {0x0002, 0x4000, true}};
  for (const Case& c : cases) {
    host.messages.clear();
    cpu.sp = c.sp;
    machine->write_floor = c.floor;
    Save("edge.sna");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0] != kSaveCompleted, c.warns) << "SP " << c.sp << " floor " << c.floor;
  }
}

TEST_F(SnaTest, SaveWithSpZeroWrapsThePushToTheTopOfMemory) {
  cpu.sp = 0x0000;
  cpu.pc = 0x1234;
  std::string path = Save("wrap.sna");
  Bytes file = ReadFile(path);
  EXPECT_EQ(file[23], 0xFE);
  EXPECT_EQ(file[24], 0xFF);
  EXPECT_EQ(file[kSnaLength - 2], 0x34);
  EXPECT_EQ(file[kSnaLength - 1], 0x12);
  EXPECT_EQ(cpu.sp, 0);

  CpuState loaded;
  LoadSna(*machine, loaded, path);
  EXPECT_EQ(loaded.pc, 0x1234);
  EXPECT_EQ(loaded.sp, 0x0000);
}

TEST_F(SnaTest, FilesThatAreNoSnaSnapshotAreRefusedAndChangeNothing) {
  const std::string wrong_length = "This is not an SNA snapshot: an SNA file is 49,179 bytes long!";
  std::filesystem::create_directory(folder.File("folder.sna"));
  struct Case { const char* name; std::optional<std::size_t> length; std::string text; };
  const Case cases[] = {
      {"empty.sna", 0, wrong_length},
      {"header.sna", 27, wrong_length},
      {"short.sna", kSnaLength - 1, wrong_length},
      {"long.sna", kSnaLength + 1, wrong_length},
      {"folder.sna", std::nullopt, kNotAFile},
      {"missing.sna", std::nullopt, "Can't open file for reading!"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.File(c.name);
    if (c.length) WriteFile(path, Bytes(*c.length, 0x5A));
    auto loaded_machine = PatternedMachine(7);
    CpuState loaded = DistinctRegisters();
    loaded.halted = true;
    std::optional<FileProblem> problem = RefusedChangingNothing(
        *loaded_machine, loaded, [&] { return LoadSna(*loaded_machine, loaded, path); }, c.name);
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->title, "Load SNA") << c.name;
    EXPECT_EQ(problem->text, c.text) << c.name;
  }
}

TEST_F(SnaTest, UncreatableFileIsReported) {
  host.save_paths.push_back(folder.File("no-such-folder/x.sna"));
  const CpuState before = cpu;
  SaveSnaCommand(*machine, cpu, host);
  const std::vector<std::pair<std::string, std::string>> want{{"Save SNA", "Can't create file!"}};
  EXPECT_EQ(host.messages, want);
  EXPECT_EQ(cpu.sp, before.sp);
  EXPECT_EQ(cpu.pc, before.pc);
}

TEST_F(SnaTest, CancelledSaveWritesNothing) {
  const auto before = std::make_unique<Machine>(*machine);
  SaveSnaCommand(*machine, cpu, host);
  EXPECT_TRUE(machine->memory == before->memory);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(SnaTest, InterruptByteIsReadByItsIff2BitAndForeignFieldsAreKept) {
  struct Case { std::uint8_t byte19, iff; };
  for (const Case c : {Case{0x81, 0}, Case{0x01, 0}, Case{0x04, 4}, Case{0x84, 4}, Case{0xFF, 4}}) {
    Bytes file(kSnaLength, 0);
    file[19] = c.byte19;
    file[23] = 0x00;
    file[24] = 0x80;  // SP 8000h
    file[25] = 7;     // an interrupt mode outside 0-2 is taken as it stands
    file[26] = 0xFB;  // only the low three bits are the border
    std::string path = folder.File("foreign.sna");
    WriteFile(path, file);
    machine->ula_out = 0x10;
    LoadSna(*machine, cpu, path);
    EXPECT_EQ(cpu.iff, c.iff) << "byte 19 = " << int(c.byte19);
    EXPECT_EQ(cpu.im, 7);
    EXPECT_EQ(machine->ula_out, 0x13);
    Bytes again = ReadFile(Save("again.sna"));
    EXPECT_EQ(again[19], c.iff) << "byte 19 = " << int(c.byte19);
    EXPECT_EQ(again[26], 3);
    std::filesystem::remove(folder.File("again.sna"));
  }
}

TEST_F(SnaTest, FullDiskIsReportedAsASaveError) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // A link with an extension, so nothing is appended and every write fails.
  std::filesystem::create_symlink("/dev/full", folder.File("full.sna"));
  host.save_paths.push_back(folder.File("full.sna"));
  const CpuState before = cpu;
  SaveSnaCommand(*machine, cpu, host);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], (std::pair<std::string, std::string>{"Save SNA", "ERROR saving file!"}));
  EXPECT_EQ(cpu.sp, before.sp);
}

}  // namespace
