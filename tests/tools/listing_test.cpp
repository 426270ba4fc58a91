// Range dialog rules, disassembly listings (window lines and "dis.asm") and
// hex dump lines, against real files in a temporary folder.
#include "tools/listing.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/disassembler.h"

namespace {

namespace fs = std::filesystem;

const ClockTime kMoment{14, 3, 9, 1, 6, 2025};
const std::string kStamp = "START 14:03:09 01/06/2025";

struct Memory64k {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(65536, 0);
  MemoryView view{bytes.data(), bytes.size()};
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("listing_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }
  fs::path dir_;
  fs::path old_cwd_;
};

}  // namespace

// --- Range dialog ---------------------------------------------------------

TEST(RangeDialog, ProposesToAsFromPlus1023AndShowsPlainDecimal) {
  ListingState state;
  state.range_from = 100;
  state.range_cancelled = true;
  RangeFieldTexts fields = BeginRangeDialog(state);
  EXPECT_EQ(fields.from_text, "100");
  EXPECT_EQ(fields.to_text, "1123");
  EXPECT_EQ(state.range_to, 1123);
  EXPECT_FALSE(state.range_cancelled);
}

TEST(RangeDialog, From65000ProposesWrapped487ThatBecomes65535AtTheEnd) {
  ListingState state;
  state.range_from = 65000;
  EXPECT_EQ(BeginRangeDialog(state).to_text, "487");
  EndRangeDialog(state);
  EXPECT_EQ(state.range_to, 65535);
}

TEST(RangeDialog, InvalidEntriesResetTheFields) {
  struct FieldCase { const char* text; bool to_field; std::uint16_t max; const char* shown; int value; };
  const FieldCase cases[] = {
      {"70000", true, 65535, "65535", 65535},
      {"65536", true, 65535, "65535", 65535},
      {"", true, 65535, "65535", 65535},
      {"65535", true, 65535, nullptr, 65535},
      {"00042", true, 65535, nullptr, 42},
      {"99999999999999999999", false, 65535, "0", 0},
      {"", false, 65535, "0", 0},
      {"12a", false, 65535, "0", 0},
      {"4000", false, 65535, nullptr, 4000},
      {"16384", true, 16383, "16383", 16383},
      {"16384", false, 16383, "0", 0},
      {"16383", false, 16383, nullptr, 16383},
  };
  for (const FieldCase& c : cases) {
    ListingState state;
    state.range_from = 7;
    state.range_to = 7;
    auto shown = c.to_field ? ToFieldChanged(state, c.text, c.max)
                            : FromFieldChanged(state, c.text, c.max);
    if (c.shown) {
      ASSERT_TRUE(shown.has_value()) << c.text;
      EXPECT_EQ(*shown, c.shown) << c.text;
    } else {
      EXPECT_FALSE(shown.has_value()) << c.text;
    }
    EXPECT_EQ(c.to_field ? state.range_to : state.range_from, c.value) << c.text;
  }
}

TEST(RangeDialog, ToBelowFromBecomesTheTopAddressAndUsePcSetsFrom) {
  ListingState state;
  EXPECT_EQ(UsePc(state, 0x8000), "32768");
  EXPECT_EQ(state.range_from, 0x8000);
  ToFieldChanged(state, "5");
  EndRangeDialog(state);
  EXPECT_EQ(state.range_to, 65535);
  ToFieldChanged(state, "5", kKelbrinAddressMax);
  EndRangeDialog(state, kKelbrinAddressMax);
  EXPECT_EQ(state.range_to, 16383);
  CancelRangeDialog(state);
  EXPECT_TRUE(state.range_cancelled);
}

// --- Disassemble ------------------------------------------------------------

TEST(DisassembleListing, SingleByteRangeListsOneWholeInstruction) {
  Memory64k memory;
  memory.bytes[100] = 0x21;  // LD HL,nn: three bytes from a one-byte range
  ListingState state;
  state.range_from = state.range_to = 100;
  auto lines = DisassembleToLines(memory.view, state, false, kMoment);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], kStamp);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "00100 0064  21 00 00      LD HL,00000");
  EXPECT_EQ(state.disasm_next, 103);
}

TEST(DisassembleListing, InstructionStartingAtToIsListedAndNextFollowsIt) {
  Memory64k memory;
  ListingState state;
  state.range_from = 0x8000;
  state.range_to = 0x8003;
  memory.bytes[0x8003] = 0xCD;  // CALL nn starting at To
  auto lines = DisassembleToLines(memory.view, state, true, kMoment);
  ASSERT_EQ(lines.size(), 2u + 4u);
  EXPECT_EQ(lines.back(), "32771 8003  CD 00 00      CALL 0000h");
  EXPECT_EQ(state.disasm_next, 0x8006);
}

// Window and file forms alike: nothing is listed again from 0000h.
TEST(DisassembleListing, BothFormsEndWhenTheAddressWrapsPastFfff) {
  struct Case {
    std::uint16_t from;
    std::uint8_t byte_at_fffe;
    std::vector<std::string> lines;
    std::uint16_t next;
  };
  const Case cases[] = {
      {65530, 0x00,
       {"65530 FFFA  00            NOP", "65531 FFFB  00            NOP", "65532 FFFC  00            NOP",
        "65533 FFFD  00            NOP", "65534 FFFE  00            NOP", "65535 FFFF  00            NOP"},
       0},
      // LD HL,nn running over the top into 0000h
      {65533, 0x21, {"65533 FFFD  00            NOP", "65534 FFFE  21 00 00      LD HL,00000"}, 1},
  };
  for (const Case& c : cases) {
    Memory64k memory;
    memory.bytes[65534] = c.byte_at_fffe;
    ListingState state;
    state.range_from = c.from;
    state.range_to = 65535;
    auto lines = DisassembleToLines(memory.view, state, false, kMoment);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), c.lines) << "window from " << c.from;
    EXPECT_EQ(state.disasm_next, c.next) << "window from " << c.from;

    state.disasm_next = 12345;
    std::string expected = std::string(kStamp) + "\r\n\r\n";
    for (const std::string& line : c.lines) expected += line + "\r\n";
    expected += "\r\n";
    EXPECT_EQ(DisassembleToText(memory.view, state, false, kMoment), expected) << "file from " << c.from;
    EXPECT_EQ(state.disasm_next, c.next) << "file from " << c.from;
  }
}

TEST(DisassembleListing, FileTextHasHeaderBlankLinesAndCrLf) {
  Memory64k memory;
  memory.bytes[0x4000] = 0x3E;
  memory.bytes[0x4001] = 0x0A;
  ListingState state;
  state.range_from = 0x4000;
  state.range_to = 0x4002;
  std::string text = DisassembleToText(memory.view, state, false, kMoment);
  EXPECT_EQ(text, kStamp + "\r\n\r\n" +
                      "16384 4000  3E 0A         LD A,010\r\n"
                      "16386 4002  00            NOP\r\n"
                      "\r\n");
  EXPECT_EQ(state.disasm_next, 0x4003);
}

TEST(DisassembleListing, FileTextStopsAt64000BytesAndNextRunContinues) {
  Memory64k memory;  // all NOPs: 31 bytes per line with CR LF
  ListingState state;
  state.range_from = 0;
  state.range_to = 65535;
  std::string text = DisassembleToText(memory.view, state, false, kMoment);
  // 29 header bytes, then lines until the text holds 64,000 bytes or more.
  const std::size_t lines = (64000 - 29 + 30) / 31;
  EXPECT_EQ(text.size(), 29 + lines * 31 + 2);
  EXPECT_GE(text.size() - 2, kListingFileLimit);
  EXPECT_LT(text.size() - 2 - 31, kListingFileLimit) << "one line too many";
  EXPECT_EQ(state.disasm_next, lines);
  EXPECT_EQ(text.substr(text.size() - 33), "02063 080F  00            NOP\r\n\r\n");

  state.range_from = state.disasm_next;  // what the next command proposes
  std::string more = DisassembleToText(memory.view, state, false, kMoment);
  EXPECT_EQ(more.substr(29, 12), "02064 0810  ");
}

TEST_F(TempDir, DisAsmIsAppendedNotOverwritten) {
  Memory64k memory;
  ListingState state;
  state.range_from = 0;
  state.range_to = 0;
  ASSERT_TRUE(DisassembleToFile(memory.view, state, false, kMoment));
  std::string first = ReadFile("dis.asm");
  EXPECT_EQ(first, kStamp + "\r\n\r\n00000 0000  00            NOP\r\n\r\n");
  state.range_from = state.disasm_next;
  state.range_to = state.disasm_next;
  ASSERT_TRUE(DisassembleToFile(memory.view, state, true, kMoment));
  EXPECT_EQ(ReadFile(dir_ / "dis.asm"),
            first + kStamp + "\r\n\r\n00001 0001  00            NOP\r\n\r\n");
}

TEST_F(TempDir, UnopenableListingFileDropsTextQuietly) {
  Memory64k memory;
  ListingState state;
  state.range_to = 10;
  fs::create_directory("dis.asm");  // a directory cannot be opened as a file
  EXPECT_FALSE(DisassembleToFile(memory.view, state, false, kMoment));
  EXPECT_EQ(state.disasm_next, 11);
  EXPECT_FALSE(AppendListingFile("x", (dir_ / "missing" / "dis.asm").c_str()));
}

// --- Hex dump ---------------------------------------------------------------

TEST(HexDump, LineShowsAddressesBytesAndCharacters) {
  Memory64k memory;
  EXPECT_EQ(HexDumpLine(memory.view, 0x4000),
            "16384 4000  00 00 00 00 00 00 00 00  ........");
  const std::uint8_t bytes[8] = {31, 32, 'A', 126, 127, 128, 255, '0'};
  for (int i = 0; i < 8; ++i) memory.bytes[0x10 + i] = bytes[i];
  EXPECT_EQ(HexDumpLine(memory.view, 0x10),
            "00016 0010  1F 20 41 7E 7F 80 FF 30  . A~\x7F..0");
}

TEST(HexDump, LineWrapsPastFfffAndSmallImageReadsZeroPastItsEnd) {
  Memory64k memory;
  memory.bytes[0] = 'H';
  memory.bytes[1] = 'i';
  EXPECT_EQ(HexDumpLine(memory.view, 65530),
            "65530 FFFA  00 00 00 00 00 00 48 69  ......Hi");
  std::array<std::uint8_t, 16384> rom;
  rom.fill(0x41);
  MemoryView view{rom.data(), rom.size()};
  EXPECT_EQ(HexDumpLine(view, 16380), "16380 3FFC  41 41 41 41 00 00 00 00  AAAA....");
}

TEST(HexDump, LinesCoverEveryAddressUpToToAndStopAtTheWrap) {
  struct RangeCase { std::uint16_t from, to; std::size_t lines; };
  const RangeCase cases[] = {
      {0, 0, 1}, {0, 7, 1}, {0, 8, 2}, {0, 15, 2}, {0, 16, 3},
      {100, 100, 1}, {65528, 65535, 1}, {65530, 65535, 1}, {65520, 65535, 2},
      {0, 65535, 8192},
  };
  Memory64k memory;
  for (const RangeCase& c : cases) {
    auto lines = HexDumpLines(memory.view, c.from, c.to);
    EXPECT_EQ(lines.size(), c.lines) << c.from << ".." << c.to;
    EXPECT_EQ(lines.front().substr(0, 5), Dec5(c.from));
  }
}

TEST(HexDump, WindowIsWiderWhenMoreThan32TimesSixteenBytes) {
  EXPECT_EQ(HexDumpWindowWidth(0, 527), 288);
  EXPECT_EQ(HexDumpWindowWidth(0, 528), 308);
  EXPECT_EQ(HexDumpWindowWidth(1000, 1000), 288);
  EXPECT_EQ(HexDumpWindowWidth(0, 65535), 308);
}
