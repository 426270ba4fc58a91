// Loading and saving blocks of the ROM image with their .map files, through
// real files in a temporary folder and a scripted user.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/fake_host.h"
#include "kelbrin_test_support.h"
#include "romeditor/rom_blocks.h"
#include "romeditor/rom_editor.h"
#include "romeditor/rom_map.h"

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

class RomBlocks : public ::testing::Test {
 protected:
  void SetUp() override { InitRomEditor(editor); }
  RomEditor editor;
  FakeHost host;
  ScriptedAsker asker;
  TempFolder folder;

  void Load(const std::string& path, BlockRequest request) {
    asker.blocks.push_back(request);
    host.open_paths.push_back(path);
    LoadRomBlockCommand(editor, host, asker);
  }
  void Save(const std::string& path, BlockRequest request) {
    asker.blocks.push_back(request);
    host.save_paths.push_back(path);
    SaveRomBlockCommand(editor, host, asker);
  }
};

TEST(BlockFields, BaseTakes0To16383AndCountTakes1To16383AsTyped) {
  struct Case { const char* text; std::optional<std::uint32_t> base, count; };
  const Case cases[] = {
      {"0", 0u, std::nullopt},         {"1", 1u, 1u},
      {"16383", 16383u, 16383u},       {"16384", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt}, {"12a", std::nullopt, std::nullopt},
      {"0000000000000000000001", std::nullopt, std::nullopt},
      {"99999999999999999999", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseBlockBase(c.text), c.base) << "base \"" << c.text << "\"";
    EXPECT_EQ(ParseBlockCount(c.text), c.count) << "count \"" << c.text << "\"";
  }
}

TEST(BlockNames, MapFileReplacesTheLastThreeCharacters) {
  struct Case { const char* block; const char* map; };
  const Case cases[] = {
      {"/tmp/ROM48.rom", "/tmp/ROM48.map"},
      {"/tmp/a.bin", "/tmp/a.map"},
      {"/tmp/romfile", "/tmp/romfmap"},        // as written: the last three characters
      {"/tmp/x.map", "/tmp/x.map.map"},        // never the block file itself
      {"/tmp/x.MAP", "/tmp/x.MAP.map"},
      {"/tmp/d/a.b", "/tmp/d/a.b.map"},        // never reaching into the folder name
      {"ab", "ab.map"},
  };
  for (const Case& c : cases) EXPECT_EQ(MapFileName(c.block), c.map) << c.block;
}

TEST(BlockNames, SaveNameWithoutExtensionGetsRomOnlyForTheWholeRom) {
  struct Case { const char* path; std::uint32_t base, count; const char* expected; };
  const Case cases[] = {
      {"/tmp/out", 0, 16384, "/tmp/out.rom"},
      {"/tmp/out", 0, 16383, "/tmp/out.bin"},
      {"/tmp/out", 1, 16383, "/tmp/out.bin"},
      {"/tmp/out.dat", 0, 16384, "/tmp/out.dat"},
      {"/tmp/.hidden", 0, 16384, "/tmp/.hidden.rom"},
      {"/tmp/dir.d/out", 5, 5, "/tmp/dir.d/out.bin"},
  };
  for (const Case& c : cases) EXPECT_EQ(WithBlockExtension(c.path, c.base, c.count), c.expected) << c.path;
}

TEST_F(RomBlocks, WholeRomWithMapFileReplacesImageAndMap) {
  std::string rom = folder.File("new.rom");
  WriteBytes(rom, Pattern(16384, 3));
  std::vector<std::uint8_t> map(16384, 0);
  map[7] = 1;
  WriteBytes(folder.File("new.map"), map);
  Load(rom, BlockRequest{0, 16384, MapOption::kMapFile});
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(std::vector<std::uint8_t>(editor.rom_image.begin(), editor.rom_image.end()), Pattern(16384, 3));
  EXPECT_EQ(std::vector<std::uint8_t>(editor.rom_map.begin(), editor.rom_map.end()), map);
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0].first, "Load BIN file");
  EXPECT_EQ(host.dialogs[0].second, "All supported files (*.bin)|*.bin;*.rom;;All files (*)|*");
  EXPECT_EQ(asker.block_forms, std::vector<BlockForm>{BlockForm::kLoad});
}

TEST_F(RomBlocks, MapOptionsDecideWhatHappensToTheMap) {
  std::string block = folder.File("part.bin");
  WriteBytes(block, Pattern(100, 9));
  WriteBytes(folder.File("part.map"), std::vector<std::uint8_t>(100, 2));
  struct Case { MapOption option; int expected_inside; const char* what; };
  const Case cases[] = {
      {MapOption::kMapFile, 2, "map file read as it is"},
      {MapOption::kCode, 0, "block marked as code"},
      {MapOption::kData, 1, "block marked as data"},
      {MapOption::kNone, -1, "map untouched"},
  };
  for (const Case& c : cases) {
    InitRomEditor(editor);
    editor.rom_map.fill(5);  // a value no option writes
    Load(block, BlockRequest{15000, 100, c.option});
    for (std::uint32_t a = 14990; a < 15110; ++a) {
      const bool inside = a >= 15000 && a < 15100;
      const int expected = inside && c.expected_inside >= 0 ? c.expected_inside : 5;
      ASSERT_EQ(editor.rom_map[a], expected) << c.what << " at " << a;
    }
  }
}

TEST_F(RomBlocks, ShortFilesLoadWhatTheyHaveButCodeAndDataMarkTheWholeCount) {
  std::string block = folder.File("short.bin");
  WriteBytes(block, Pattern(10, 1));
  WriteBytes(folder.File("short.map"), {1, 1, 1});
  RomImage before = editor.rom_image;
  editor.rom_map.fill(0);
  Load(block, BlockRequest{1000, 50, MapOption::kMapFile});
  EXPECT_EQ(editor.rom_image[1009], Pattern(10, 1)[9]);
  EXPECT_EQ(editor.rom_image[1010], before[1010]);
  EXPECT_EQ(std::count(editor.rom_map.begin(), editor.rom_map.end(), 1), 3);
  EXPECT_EQ(editor.rom_map[1002], 1);

  Load(block, BlockRequest{2000, 50, MapOption::kData});
  EXPECT_EQ(std::count(editor.rom_map.begin() + 2000, editor.rom_map.begin() + 2050, 1), 50);
  EXPECT_EQ(editor.rom_map[2050], 0);
}

TEST_F(RomBlocks, MissingMapFileLeavesTheMapSilently) {
  std::string block = folder.File("nomap.bin");
  WriteBytes(block, Pattern(20, 4));
  RomMap before = editor.rom_map;
  Load(block, BlockRequest{0x95, 20, MapOption::kMapFile});
  EXPECT_EQ(editor.rom_map, before);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(editor.rom_image[0x95], Pattern(20, 4)[0]);
}

TEST_F(RomBlocks, UnreadableFileSaysSoAndChangesNothing) {
  RomImage image = editor.rom_image;
  RomMap map = editor.rom_map;
  // A pipe is refused at once rather than waited on, like a folder.
  ASSERT_EQ(mkfifo(folder.File("pipe.rom").c_str(), 0600), 0);
  for (const char* name : {"absent.rom", "pipe.rom", ""}) {
    host.messages.clear();
    Load(folder.File(name), BlockRequest{0, 16384, MapOption::kData});
    ASSERT_EQ(host.messages.size(), 1u) << name;
    EXPECT_EQ(host.messages[0], std::make_pair(std::string("Load BIN"), std::string("Can't read from file!")));
    EXPECT_EQ(editor.rom_image, image) << name;
    EXPECT_EQ(editor.rom_map, map) << name;
  }
}

TEST_F(RomBlocks, CancelAtEitherQuestionDoesNothing) {
  RomImage image = editor.rom_image;
  LoadRomBlockCommand(editor, host, asker);  // block dialog cancelled
  EXPECT_TRUE(host.dialogs.empty());
  asker.blocks.push_back(BlockRequest{0, 16384, MapOption::kData});
  LoadRomBlockCommand(editor, host, asker);  // file dialog cancelled
  asker.blocks.push_back(BlockRequest{0, 16384, MapOption::kMapFile});
  SaveRomBlockCommand(editor, host, asker);
  EXPECT_EQ(editor.rom_image, image);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("")), {}), 0);
}

TEST_F(RomBlocks, WholeRomSavedWithoutExtensionGetsRomAndMapFiles) {
  editor.rom_image[0x6D] = 0x28;
  Save(folder.File("mine"), BlockRequest{0, 16384, MapOption::kMapFile});
  EXPECT_TRUE(host.messages.empty());
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0].first, "Save BIN file");
  EXPECT_EQ(host.dialogs[0].second, "All supported files (*.bin)|*.bin;*.scr;*.rom");
  std::vector<std::uint8_t> rom = ReadBytes(folder.File("mine.rom"));
  std::vector<std::uint8_t> map = ReadBytes(folder.File("mine.map"));
  ASSERT_EQ(rom.size(), 16384u);
  ASSERT_EQ(map.size(), 16384u);
  EXPECT_TRUE(std::equal(rom.begin(), rom.end(), editor.rom_image.begin()));
  EXPECT_EQ(rom[0x6D], 0x28) << "the saved ROM carries the NMI patch";
  EXPECT_TRUE(std::equal(map.begin(), map.end(), DefaultRomMap().begin()));
}

TEST_F(RomBlocks, PartBlockSavesFromItsBaseAndGetsBin) {
  Save(folder.File("part"), BlockRequest{0x3D00, 768, MapOption::kMapFile});
  std::vector<std::uint8_t> block = ReadBytes(folder.File("part.bin"));
  ASSERT_EQ(block.size(), 768u);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), editor.rom_image.begin() + 0x3D00));
  EXPECT_EQ(ReadBytes(folder.File("part.map")), std::vector<std::uint8_t>(768, 1));
}

TEST_F(RomBlocks, SaveWithMapBoxClearedLeavesAnExistingMapUntouched) {
  WriteBytes(folder.File("keep.map"), {9, 9, 9});
  Save(folder.File("keep.bin"), BlockRequest{0, 10, MapOption::kNone});
  EXPECT_EQ(ReadBytes(folder.File("keep.bin")).size(), 10u);
  EXPECT_EQ(ReadBytes(folder.File("keep.map")), (std::vector<std::uint8_t>{9, 9, 9}));
}

// A folder standing where a file should be cannot be created; a link to
// /dev/full opens but every write fails, as on a full disk.
TEST_F(RomBlocks, EveryFailedSaveOfBlockOrMapIsReported) {
  enum class Spoil { kNone, kFolder, kFull };
  struct Case {
    const char* name;
    Spoil block, map;
    const char* text;
  };
  const Case cases[] = {
      {"a", Spoil::kFolder, Spoil::kNone, "Can't open file!"},
      {"b", Spoil::kFull, Spoil::kNone, "Can't write to file!"},
      {"c", Spoil::kNone, Spoil::kFolder, "Can't open MAP file!"},
      {"d", Spoil::kNone, Spoil::kFull, "Can't write to MAP file!"},
  };
  const bool have_full = std::filesystem::exists("/dev/full");
  for (const Case& c : cases) {
    if ((c.block == Spoil::kFull || c.map == Spoil::kFull) && !have_full) continue;
    std::string block = folder.File(std::string(c.name) + ".rom");
    std::string map = folder.File(std::string(c.name) + ".map");
    auto spoil = [](const std::string& path, Spoil how) {
      if (how == Spoil::kFolder) std::filesystem::create_directory(path);
      if (how == Spoil::kFull) std::filesystem::create_symlink("/dev/full", path);
    };
    spoil(block, c.block);
    spoil(map, c.map);
    host.messages.clear();
    Save(block, BlockRequest{0, 16384, MapOption::kMapFile});
    ASSERT_EQ(host.messages.size(), 1u) << c.text;
    EXPECT_EQ(host.messages[0], std::make_pair(std::string("Save BIN"), std::string(c.text)));
  }
}

TEST_F(RomBlocks, SavedBlockAndMapLoadBackIntoAnotherEditor) {
  editor.rom_map[0x2000] = 1;
  Save(folder.File("round.rom"), BlockRequest{0, 16384, MapOption::kMapFile});
  RomEditor other;
  InitRomEditor(other);
  other.rom_image.fill(0);
  other.rom_map.fill(0);
  asker.blocks.push_back(BlockRequest{0, 16384, MapOption::kMapFile});
  host.open_paths.push_back(folder.File("round.rom"));
  LoadRomBlockCommand(other, host, asker);
  EXPECT_EQ(other.rom_image, editor.rom_image);
  EXPECT_EQ(other.rom_map, editor.rom_map);
}

// The dialog checks base and count one at a time, so 16000 + 1000 can be
// confirmed: the transfer is cut at 3FFFh instead of leaving the image.
TEST_F(RomBlocks, BlockPassing3FFFhIsCutThere) {
  EXPECT_EQ(ClippedBlockCount(16000, 1000), 384u);
  EXPECT_EQ(ClippedBlockCount(0, 16384), 16384u);
  EXPECT_EQ(ClippedBlockCount(16384, 5), 0u);

  std::string block = folder.File("big.bin");
  WriteBytes(block, Pattern(1000, 2));
  WriteBytes(folder.File("big.map"), std::vector<std::uint8_t>(1000, 1));
  editor.rom_map.fill(0);
  Load(block, BlockRequest{16000, 1000, MapOption::kMapFile});
  EXPECT_EQ(editor.rom_image[16383], Pattern(1000, 2)[383]);
  EXPECT_EQ(std::count(editor.rom_map.begin(), editor.rom_map.end(), 1), 384);

  Load(block, BlockRequest{16000, 1000, MapOption::kData});
  Save(folder.File("cut.bin"), BlockRequest{16000, 1000, MapOption::kMapFile});
  EXPECT_EQ(ReadBytes(folder.File("cut.bin")).size(), 384u);
  EXPECT_EQ(ReadBytes(folder.File("cut.map")).size(), 384u);
}

}  // namespace
