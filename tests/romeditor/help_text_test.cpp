// Help and About texts, and the "Info" text of unknown menu ids.
#include <gtest/gtest.h>

#include <algorithm>

#include "generated/program_version.h"
#include "romeditor/help_text.h"

namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

int IndexOf(const std::vector<std::string>& lines, const std::string& part) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find(part) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

TEST(HelpText, NmiRoutineIsListedFromTheRomWithTheJumpMarked) {
  std::vector<std::string> lines = HelpLines();
  const std::vector<std::string> routine = {
      "  0066h  F5            PUSH AF",
      "  0067h  E5            PUSH HL",
      "  0068h  2A B0 5C      LD HL,(5CB0h)",
      "  006Bh  7C            LD A,H",
      "  006Ch  B5            OR L",
      "  006Dh  20 01         JR NZ,0070h   ***",
      "  006Fh  E9            JP HL",
      "  0070h  E1            POP HL",
      "  0071h  F1            POP AF",
      "  0072h  ED 45         RETN",
  };
  const int first = IndexOf(lines, "0066h  F5");
  ASSERT_GE(first, 0);
  for (std::size_t i = 0; i < routine.size(); ++i) EXPECT_EQ(lines[first + i], routine[i]);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("***") != std::string::npos; }),
            2)
      << "the marked jump and the explanation that refers to it";
}

TEST(HelpText, TopicsComeInTheirOrder) {
  std::vector<std::string> lines = HelpLines();
  EXPECT_EQ(lines[1], " Kelbrin version " + std::string(kProgramVersion)) << "one version with --version";
  EXPECT_EQ(lines[0], std::string(lines[0].size(), '='));
  EXPECT_EQ(lines[2], lines[0]);
  const char* topics[] = {"LOAD ROM/BIN", "SAVE ROM/BIN", "RESTORE ROM", "DISASSEMBLE", "CHAR EDITOR",
                          "HEX DUMP",     "PEEK",         "POKE",        "NMIADD",      "ROM Maps",
                          "Address    ROM         MAP",   "Unused ROM space", "team"};
  int previous = -1;
  for (const char* topic : topics) {
    int at = IndexOf(lines, topic);
    EXPECT_GT(at, previous) << topic;
    previous = at;
  }
  EXPECT_TRUE(HasLine(lines, " 00000   21 00 80    LD HL,32768"));
  EXPECT_TRUE(HasLine(lines, " 00012   01 02 03    DEFB 01,02,03"));
  EXPECT_GE(IndexOf(lines, "386Eh-3CFFh (14446-15615), 1,170 bytes"), 0);
}

TEST(AboutText, LinesAsShown) {
  std::vector<std::string> lines = AboutLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "      =====================");
  EXPECT_EQ(lines[2], "       Kelbrin version " + std::string(kProgramVersion)) << "one version with --version";
  EXPECT_EQ(lines[3], "      =====================");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "      ZX Spectrum ROM Editor");
  EXPECT_EQ(lines[6], "");
  EXPECT_FALSE(lines[7].empty());
}

TEST(InfoText, UnknownMenuIdIsNamedInDecimal) {
  EXPECT_EQ(UnknownMenuItemText(21), "MenuItem: 21 is not currently installed.");
}

}  // namespace
