// The built-in map and the Define CODE/DATA commands.
#include <gtest/gtest.h>

#include <numeric>

#include "support/fake_host.h"
#include "kelbrin_test_support.h"
#include "romeditor/rom_editor.h"
#include "romeditor/rom_map.h"

namespace {

TEST(DefaultRomMap, Has142DataRunsHolding4440Bytes) {
  std::span<const MapRun> runs = DefaultRomMapRuns();
  EXPECT_EQ(runs.size(), 142u);
  const RomMap& map = DefaultRomMap();
  EXPECT_EQ(std::count(map.begin(), map.end(), 1), 4440);
  EXPECT_EQ(std::count(map.begin(), map.end(), 0), 11944);
  // Runs in address order, never touching: each run is a maximal stretch.
  for (std::size_t i = 1; i < runs.size(); ++i) {
    EXPECT_GT(runs[i].first, runs[i - 1].last + 1) << "run " << i << " touches the one before";
  }
}

TEST(DefaultRomMap, MarksKnownTablesAsDataAndRoutinesAsCode) {
  const RomMap& map = DefaultRomMap();
  struct Case { std::uint16_t address; std::uint8_t expected; const char* what; };
  const Case cases[] = {
      {0x0000, 0, "start of ROM"},           {0x0012, 0, "byte before first run"},
      {0x0013, 1, "first run start"},        {0x0017, 1, "first run end"},
      {0x0018, 0, "after first run"},        {0x0066, 0, "NMI routine"},
      {0x0095, 1, "token table"},            {0x028D, 1, "token table end"},
      {0x0553, 1, "single-byte run"},        {0x386D, 0, "code before unused space"},
      {0x386E, 1, "unused space"},           {0x3D00, 1, "character set"},
      {0x3FFF, 1, "last ROM byte"},
  };
  for (const Case& c : cases) EXPECT_EQ(map[c.address], c.expected) << c.what;
}

TEST(RestoreDefaultRom, StartUpStateIsBuiltInRomAndDefaultMap) {
  RomEditor editor;
  InitRomEditor(editor);
  EXPECT_TRUE(std::equal(editor.rom_image.begin(), editor.rom_image.end(), BuiltInRom().begin()));
  EXPECT_EQ(editor.rom_map, DefaultRomMap());
  EXPECT_TRUE(editor.hex_mode);
  EXPECT_TRUE(editor.map_enabled);
  EXPECT_FALSE(editor.nmi_fix_mark);
  EXPECT_GE(editor.text_output.capacity(), kTextOutputSize);
}

TEST(RestoreDefaultRom, YesRestoresImageAndMapNoKeepsEdits) {
  RomEditor editor;
  InitRomEditor(editor);
  FakeHost host;
  editor.rom_image[5] ^= 0xFF;
  editor.rom_map[5] = 1;
  RestoreDefaultRomCommand(editor, host);  // no scripted answer: No
  EXPECT_NE(editor.rom_image[5], BuiltInRom()[5]);
  EXPECT_EQ(editor.rom_map[5], 1);
  host.yes_no.push_back(true);
  RestoreDefaultRomCommand(editor, host);
  EXPECT_EQ(editor.rom_image[5], BuiltInRom()[5]);
  EXPECT_EQ(editor.rom_map[5], 0);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].first, "Restore Default ROM");
  EXPECT_EQ(host.messages[1].second, "Any unsaved changes will be lost, Proceed?");
}

class DefineBlock : public ::testing::Test {
 protected:
  void SetUp() override { InitRomEditor(editor); }
  RomEditor editor;
  FakeHost host;
  ScriptedAsker asker;
};

TEST_F(DefineBlock, QuestionsAreWordedPerKindAndFormattedPerHexMode) {
  struct Case {
    LineKind kind;
    bool hex_mode;
    const char* title;
    const char* question;
  };
  const Case cases[] = {
      {LineKind::kCode, true, "Define Code Block", "Define 005Fh to 0065h as CODE?"},
      {LineKind::kData, true, "Define Data Block", "Define 005Fh To 0065h As Data?"},
      {LineKind::kCode, false, "Define Code Block", "Define 00095 to 00101 as CODE?"},
      {LineKind::kData, false, "Define Data Block", "Define 00095 To 00101 As Data?"},
  };
  for (const Case& c : cases) {
    FakeHost local_host;
    ScriptedAsker local_asker;
    editor.hex_mode = c.hex_mode;
    local_asker.ranges.push_back(c.hex_mode ? RomRange{0x5F, 0x65} : RomRange{95, 101});
    DefineBlockCommand(editor, local_host, local_asker, c.kind);
    ASSERT_EQ(local_asker.range_titles.size(), 1u);
    EXPECT_EQ(local_asker.range_titles[0], c.title);
    ASSERT_EQ(local_host.messages.size(), 1u);
    EXPECT_EQ(local_host.messages[0].first, "ROM Map");
    EXPECT_EQ(local_host.messages[0].second, c.question);
  }
}

TEST_F(DefineBlock, YesMarksTheInclusiveRangeAndNothingElse) {
  asker.ranges.push_back(RomRange{100, 0x3FFF});  // the dialog's To below From case
  host.yes_no.push_back(true);
  RomMap before = editor.rom_map;
  DefineBlockCommand(editor, host, asker, LineKind::kData);
  for (std::size_t a = 0; a < kRomSize; ++a) {
    ASSERT_EQ(editor.rom_map[a], a >= 100 ? 1 : before[a]) << "address " << a;
  }
  asker.ranges.push_back(RomRange{200, 299});
  host.yes_no.push_back(true);
  DefineBlockCommand(editor, host, asker, LineKind::kCode);
  EXPECT_EQ(editor.rom_map[199], 1);
  EXPECT_EQ(std::count(editor.rom_map.begin() + 200, editor.rom_map.begin() + 300, 0), 100);
  EXPECT_EQ(editor.rom_map[300], 1);
}

TEST_F(DefineBlock, NoOrCancelLeavesTheMap) {
  RomMap before = editor.rom_map;
  asker.ranges.push_back(RomRange{0, 0x3FFF});
  DefineBlockCommand(editor, host, asker, LineKind::kData);  // answered No
  DefineBlockCommand(editor, host, asker, LineKind::kData);  // range cancelled
  EXPECT_EQ(editor.rom_map, before);
  EXPECT_EQ(host.messages.size(), 1u) << "the cancelled range must not ask";
}

TEST_F(DefineBlock, DisabledMappingRefusesWithoutAskingForARange) {
  editor.map_enabled = false;
  asker.ranges.push_back(RomRange{0, 10});
  host.yes_no.push_back(true);
  RomMap before = editor.rom_map;
  DefineBlockCommand(editor, host, asker, LineKind::kData);
  EXPECT_TRUE(asker.range_titles.empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], std::make_pair(std::string("ROM Map"),
                                             std::string("ROM Mapping is currently disabled.")));
  EXPECT_EQ(editor.rom_map, before);
}

TEST(MarkMapRange, StaysInsideTheMap) {
  RomMap map{};
  MarkMapRange(map, 0x3FF0, 0xFFFF, 1);
  MarkMapRange(map, 0x5000, 0x6000, 1);
  MarkMapRange(map, 10, 5, 1);
  EXPECT_EQ(std::count(map.begin(), map.end(), 1), 16);
}

}  // namespace
