// Raw BIN/SCR/ROM blocks: the dialog's field rules and the load and save
// commands against real files, with a scripted dialog and user.
#include <gtest/gtest.h>

#include <deque>

#include "support/fake_host.h"
#include "snapshot_files.h"
#include "snapshots/blocks.h"

namespace {

// Answers the block dialog from a queue; empty means Cancel.
struct ScriptedBlockAsker : BlockAsker {
  std::deque<std::optional<BlockChoice>> answers;
  int asked = 0;
  std::optional<BlockChoice> AskBlock() override {
    ++asked;
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

using Message = std::pair<std::string, std::string>;

TEST(BlockFieldsTest, EditsKeepValidNumbersAndEmptyTheRest) {
  struct Case { const char* typed; const char* base_shows; const char* count_shows; };
  const Case cases[] = {
      {"0", "0", ""},         {"1", "1", "1"},
      {"65535", "65535", "65535"}, {"65536", "", ""},
      {"70000", "", ""},      {"007", "007", "007"},
      {"99999999999999999999999", "", ""},
      {"", "", ""},           {"12a", "", ""},
  };
  for (const Case& c : cases) {
    BlockFields fields;
    fields.EditBase(c.typed);
    fields.EditCount(c.typed);
    EXPECT_EQ(fields.base_text, c.base_shows) << "base typed " << c.typed;
    EXPECT_EQ(fields.count_text, c.count_shows) << "count typed " << c.typed;
  }
}

TEST(BlockFieldsTest, OkIsRefusedUntilBothFieldsHoldValidNumbers) {
  BlockFields fields;
  EXPECT_EQ(fields.base_text, "0");
  EXPECT_EQ(fields.count_text, "0");
  EXPECT_FALSE(fields.Accept()) << "the count starts at 0, which is no count";
  fields.EditCount("70000");
  EXPECT_FALSE(fields.Accept());
  fields.EditCount("10");
  auto choice = fields.Accept();
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->block_base, 0);
  EXPECT_EQ(choice->block_count, 10);
  fields.EditBase("70000");
  EXPECT_FALSE(fields.Accept()) << "an emptied base holds no number";
  fields.EditBase("40000");
  ASSERT_TRUE(fields.Accept());
  EXPECT_EQ(fields.Accept()->block_base, 40000);
}

TEST(BlockFieldsTest, PresetsFillBothFields) {
  BlockFields fields;
  fields.PresetRom();
  EXPECT_EQ(fields.base_text, "0");
  EXPECT_EQ(fields.count_text, "16384");
  fields.PresetScreen();
  EXPECT_EQ(fields.base_text, "16384");
  EXPECT_EQ(fields.count_text, "6912");
  auto choice = fields.Accept();
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->block_base, 16384);
  EXPECT_EQ(choice->block_count, 6912);
}

class BlockCommandTest : public ::testing::Test {
 protected:
  TempFolder folder;
  FakeHost host;
  ScriptedBlockAsker asker;
  std::unique_ptr<Machine> machine = PatternedMachine();
  CpuState cpu = DistinctRegisters();

  void LoadBlock(BlockChoice block, const std::string& path) {
    asker.answers.push_back(block);
    host.open_paths.push_back(path);
    LoadBlockCommand(*machine, cpu, host, asker);
  }
  void SaveBlock(BlockChoice block, const std::string& name) {
    asker.answers.push_back(block);
    host.save_paths.push_back(folder.File(name));
    SaveBlockCommand(*machine, host, asker);
  }
  Bytes Ram(std::uint32_t from, std::size_t length) const {
    return Bytes(machine->memory.begin() + from, machine->memory.begin() + from + length);
  }
};

TEST_F(BlockCommandTest, RomLoadReplacesTheRomAreaAndResetsTheProcessor) {
  Bytes rom(16384);
  for (std::size_t k = 0; k < rom.size(); ++k) rom[k] = static_cast<std::uint8_t>(k * 13);
  std::string path = folder.File("new.rom");
  WriteFile(path, rom);
  machine->write_floor = 0x4000;
  const std::uint8_t after = machine->memory[0x4000];
  LoadBlock({0, 16384}, path);
  EXPECT_EQ(Ram(0, 16384), rom);
  EXPECT_EQ(machine->memory[0x4000], after);
  EXPECT_EQ(cpu.pc, 0);
  EXPECT_EQ(cpu.sp, 0xF000);
  EXPECT_FALSE(machine->screen_loaded);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.dialogs.at(0), (Message{"Load BIN file", "All supported files (*.bin)|*.bin;*.scr;*.rom;;All files (*)|*"}));
}

TEST_F(BlockCommandTest, ScreenLoadFlagsTheScreenWithoutReset) {
  Bytes screen(6912, 0x3C);
  std::string path = folder.File("pic.scr");
  WriteFile(path, screen);
  LoadBlock({16384, 6912}, path);
  EXPECT_EQ(Ram(16384, 6912), screen);
  EXPECT_TRUE(machine->screen_loaded);
  EXPECT_EQ(cpu.pc, 0x6543) << "only a load at 0 resets";
}

TEST_F(BlockCommandTest, LoadStopsAtTheCountOrTheEndOfTheFile) {
  struct Case { const char* name; std::uint16_t base, count; Bytes file; std::vector<std::pair<std::uint16_t, std::uint8_t>> stored; };
  const Case cases[] = {
      {"shorter file", 0x8000, 10, {1, 2, 3}, {{0x8000, 1}, {0x8001, 2}, {0x8002, 3}}},
      {"count cuts", 0x8000, 2, {1, 2, 3}, {{0x8000, 1}, {0x8001, 2}}},
      {"wraps at FFFFh", 0xFFFF, 2, {7, 8}, {{0xFFFF, 7}, {0x0000, 8}}},
  };
  for (const Case& c : cases) {
    machine = PatternedMachine(3);
    auto expected = std::make_unique<Machine>(*machine);
    for (auto [address, value] : c.stored) expected->memory[address] = value;
    std::string path = folder.File("block.bin");
    WriteFile(path, c.file);
    LoadBlock({c.base, c.count}, path);
    for (unsigned address = 0; address < 0x10000; ++address) {
      ASSERT_EQ(machine->memory[address], expected->memory[address]) << c.name << " at " << address;
    }
  }
}

TEST_F(BlockCommandTest, CancelledDialogsAndRefusedFilesChangeNothing) {
  const auto before = std::make_unique<Machine>(*machine);
  LoadBlockCommand(*machine, cpu, host, asker);  // block dialog cancelled
  EXPECT_TRUE(host.dialogs.empty()) << "no file dialog after Cancel";
  asker.answers.push_back(BlockChoice{0, 100});
  LoadBlockCommand(*machine, cpu, host, asker);  // file dialog cancelled
  WriteFile(folder.File("empty.rom"), Bytes{});
  std::filesystem::create_directory(folder.File("folder.rom"));
  for (const char* name : {"missing.rom", "folder.rom", "empty.rom"}) LoadBlock({0, 100}, folder.File(name));
  EXPECT_TRUE(machine->memory == before->memory);
  EXPECT_EQ(cpu.pc, 0x6543) << "a refused file must not reset";
  EXPECT_EQ(host.messages, (std::vector<Message>{{"Load BIN", "Can't read from file!"},
                                                 {"Load BIN", kNotAFile},
                                                 {"Load BIN", "The file is empty!"}}));
}

TEST_F(BlockCommandTest, SaveWritesTheBlockAndNamesItByItsKind) {
  struct Case { BlockChoice block; const char* chosen; const char* written; };
  const Case cases[] = {
      {{0, 16384}, "rom", "rom.rom"},
      {{16384, 6912}, "screen", "screen.scr"},
      {{16384, 6913}, "other", "other.bin"},
      {{0, 16384}, "kept.bin", "kept.bin"},
      {{16384, 6912}, "named.dat", "named.dat"},
  };
  for (const Case& c : cases) {
    SaveBlock(c.block, c.chosen);
    EXPECT_EQ(ReadFile(folder.File(c.written)), Ram(c.block.block_base, c.block.block_count)) << c.chosen;
  }
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.dialogs.at(0), (Message{"Save BIN file", "All supported files (*.bin)|*.bin;*.scr;*.rom"}));
}

TEST_F(BlockCommandTest, SaveWrapsAtTheTopOfMemory) {
  SaveBlock({0xFFFE, 4}, "wrap.bin");
  EXPECT_EQ(ReadFile(folder.File("wrap.bin")),
            (Bytes{machine->memory[0xFFFE], machine->memory[0xFFFF], machine->memory[0], machine->memory[1]}));
}

TEST_F(BlockCommandTest, SaveFailuresAreReported) {
  SaveBlock({0, 10}, "no-such-folder/x.bin");
  EXPECT_EQ(host.messages, (std::vector<Message>{{"Save BIN", "Can't open file!"}}));
  if (std::filesystem::exists("/dev/full")) {
    host.messages.clear();
    std::filesystem::create_symlink("/dev/full", folder.File("full.bin"));
    SaveBlock({0, 16384}, "full.bin");
    EXPECT_EQ(host.messages, (std::vector<Message>{{"Save BIN", "ERROR saving file!"}}));
  }
}

}  // namespace
