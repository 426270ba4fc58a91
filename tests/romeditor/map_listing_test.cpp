// The map-aware listing: DEFB lines for data, empty lines between kinds, and
// the file form appended to dis.asm.
#include <gtest/gtest.h>

#include "kelbrin_test_support.h"
#include "romeditor/map_listing.h"
#include "romeditor/rom_editor.h"

namespace {

const ClockTime kNoon{12, 0, 0, 2, 3, 2024};

class MapListing : public ::testing::Test {
 protected:
  void SetUp() override {
    editor.rom_image.fill(0);  // NOP everywhere
    editor.rom_map.fill(0);
  }
  void MarkData(std::uint32_t first, std::vector<std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      editor.rom_image[first + i] = bytes[i];
      editor.rom_map[first + i] = 1;
    }
  }
  // The listing lines after the header and its empty line.
  std::vector<std::string> Listing(std::uint32_t from, std::uint32_t to) {
    std::vector<std::string> lines = MapListingWindowLines(editor, RomRange{from, to}, kNoon);
    EXPECT_EQ(lines.at(0), "START 12:00:00 02/03/2024");
    EXPECT_EQ(lines.at(1), "");
    return std::vector<std::string>(lines.begin() + 2, lines.end());
  }
  RomEditor editor;
};

// The DEFB part of a data line: after the 12-character address field, up to
// the 30-column character text.
std::string DefbText(const std::string& line) { return line.substr(12, 30); }
std::string CharText(const std::string& line) { return line.substr(42); }

TEST_F(MapListing, WorkedLineForThreeDataBytesAtTwelve) {
  MarkData(12, {0x01, 0x02, 0x03});
  MapListingLine line;
  MapListingStep(editor, 12, 0x3FFF, line);
  EXPECT_EQ(line.text, "00012 000C  " + std::string("DEFB 01 02 03 ").append(16, ' ') + "...");
  EXPECT_EQ(line.kind, LineKind::kData);
  EXPECT_EQ(line.next_address, 15u);
}

TEST_F(MapListing, DataRunOfTwentyBytesGivesEightEightFour) {
  MarkData(100, std::vector<std::uint8_t>(20, 0xAA));
  std::vector<std::string> lines = Listing(100, 119);
  ASSERT_EQ(lines.size(), 4u) << "an empty line, then three DEFB lines";
  EXPECT_EQ(lines[0], "");
  const int expected_bytes[] = {8, 8, 4};
  for (int i = 0; i < 3; ++i) {
    const std::string& line = lines[i + 1];
    EXPECT_EQ(CharText(line).size(), static_cast<std::size_t>(expected_bytes[i])) << line;
    EXPECT_EQ(line.substr(0, 5), std::to_string(100 + 8 * i).insert(0, 5 - std::to_string(100 + 8 * i).size(), '0'));
  }
}

TEST_F(MapListing, RunReachingToEndsItsLastLineThere) {
  MarkData(200, std::vector<std::uint8_t>(20, 0x41));
  std::vector<std::string> lines = Listing(200, 210);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(CharText(lines[1]), "AAAAAAAA");
  EXPECT_EQ(CharText(lines[2]), "AAA") << "bytes 208-210";
}

TEST_F(MapListing, CharacterTextShowsPrintableBytesAndDotsOtherwise) {
  MarkData(300, {0x41, 0x7F, 0x80, 0x1F, 0x20, 0xFF});
  MapListingLine line;
  MapListingStep(editor, 300, 0x3FFF, line);
  EXPECT_EQ(DefbText(line.text), "DEFB 41 7F 80 1F 20 FF        ");
  EXPECT_EQ(CharText(line.text), "A\x7F.. .");
}

TEST_F(MapListing, DefbBytesStayHexadecimalInDecimalMode) {
  MarkData(300, {0x0A, 0xFF});
  editor.hex_mode = false;
  MapListingLine line;
  MapListingStep(editor, 300, 0x3FFF, line);
  EXPECT_EQ(DefbText(line.text), "DEFB 0A FF                    ");
}

TEST_F(MapListing, CodeThenDataThenCodeAreSetApartByEmptyLines) {
  // 0-1: LD A,0Ah; 2-4: data; 5: NOP.
  editor.rom_image[0] = 0x3E;
  editor.rom_image[1] = 0x0A;
  MarkData(2, {0x48, 0x49, 0x21});
  std::vector<std::string> lines = Listing(0, 5);
  const std::vector<std::string> expected = {
      "00000 0000  3E 0A         LD A,0Ah",
      "",
      "00002 0002  DEFB 48 49 21                 HI!",
      "",
      "00005 0005  00            NOP",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(MapListing, LineKindCarriesOverToTheNextListing) {
  MarkData(10, {1, 2});
  Listing(10, 11);                      // ends on data
  std::vector<std::string> next = Listing(20, 20);  // starts on code
  ASSERT_EQ(next.size(), 2u);
  EXPECT_EQ(next[0], "");
  std::vector<std::string> again = Listing(21, 21);
  EXPECT_EQ(again.size(), 1u) << "code after code: no empty line";
}

TEST_F(MapListing, DisabledMappingDecodesDataAsCodeWithoutEmptyLines) {
  MarkData(2, {0x3E, 0x0A});
  editor.map_enabled = false;
  editor.hex_mode = false;
  std::vector<std::string> lines = Listing(0, 4);
  const std::vector<std::string> expected = {
      "00000 0000  00            NOP",
      "00001 0001  00            NOP",
      "00002 0002  3E 0A         LD A,010",
      "00004 0004  00            NOP",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(MapListing, MapByteTwoCountsAsData) {
  editor.rom_image[50] = 0x41;
  editor.rom_map[50] = 2;
  MapListingLine line;
  MapListingStep(editor, 50, 50, line);
  EXPECT_EQ(line.kind, LineKind::kData);
  EXPECT_EQ(CharText(line.text), "A");
}

TEST_F(MapListing, ListingAtTheEndOfTheImageNeverReadsPastIt) {
  // LD BC,nn at 3FFEh lacks its last operand byte; DEFB at 3FFFh has one byte.
  editor.rom_image[0x3FFE] = 0x01;
  editor.rom_image[0x3FFF] = 0x34;
  std::vector<std::string> lines = Listing(0x3FFE, 0x3FFF);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "16382 3FFE  01 34 00      LD BC,0034h");

  MarkData(0x3FF8, std::vector<std::uint8_t>(8, 0x42));
  lines = Listing(0x3FFC, 0x3FFF);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(CharText(lines[1]), "BBBB");
}

TEST_F(MapListing, WholeImageListsEveryAddressOnceAndFitsTheBuffer) {
  InitRomEditor(editor);
  BuildMapListingText(editor, RomRange{0, 0x3FFF}, kNoon);
  EXPECT_LT(editor.text_output.size(), kTextOutputSize);
  EXPECT_NE(editor.text_output.find("\r\n16382 3FFE  DEFB 42 3C "), std::string::npos) << "the last DEFB line (386Eh + 8k) must end at 3FFFh";
  EXPECT_EQ(editor.text_output.substr(editor.text_output.size() - 4), "\r\n\r\n");
}

TEST_F(MapListing, FileFormAppendsEachListingToDisAsm) {
  TempFolder folder;
  const std::string path = folder.File("dis.asm");
  MarkData(2, {0x41});
  ScriptedAsker asker;
  asker.ranges.push_back(RomRange{0, 3});
  asker.ranges.push_back(RomRange{3, 3});
  DisassembleToFileCommand(editor, asker, path.c_str());
  std::vector<std::uint8_t> first = ReadBytes(path);
  DisassembleToFileCommand(editor, asker, path.c_str());
  std::vector<std::uint8_t> both = ReadBytes(path);
  ASSERT_GT(both.size(), first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), both.begin())) << "first listing kept in front";
  EXPECT_EQ(asker.range_titles, (std::vector<std::string>{"Disassembly", "Disassembly"}));

  std::string text(first.begin(), first.end());
  const std::string body = text.substr(text.find("\r\n"));
  EXPECT_EQ(body,
            "\r\n\r\n"
            "00000 0000  00            NOP\r\n"
            "00001 0001  00            NOP\r\n"
            "\r\n"
            "00002 0002  DEFB 41                       A\r\n"
            "\r\n"
            "00003 0003  00            NOP\r\n"
            "\r\n");
}

TEST_F(MapListing, CancelledRangeWritesNothing) {
  TempFolder folder;
  ScriptedAsker asker;
  DisassembleToFileCommand(editor, asker, folder.File("dis.asm").c_str());
  EXPECT_FALSE(std::filesystem::exists(folder.File("dis.asm")));
}

}  // namespace
