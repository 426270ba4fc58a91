// Runs Frank Cringle's Z80 instruction exercisers (zexdoc: documented flags,
// zexall: all flags) on the core over a bus of flat RAM, inside a minimal
// CP/M shim: the program sits at 0100h, BDOS calls trap at 0005h (functions
// 2 and 9), and a jump to 0000h ends the run. Every CRC test must print OK.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cpu/step.h"

namespace {

// CP/M's 64 KB of RAM, writable from 0000h; ports read FFh and take
// nothing. The bus is the handle onto it.
using Ram = std::array<std::uint8_t, 65536>;
struct FlatRam {
  Ram* memory;
  std::uint8_t Read(std::uint16_t address) const { return (*memory)[address]; }
  void Write(std::uint16_t address, std::uint8_t value) const { (*memory)[address] = value; }
  std::uint8_t In(std::uint16_t) const { return 0xFF; }
  void Out(std::uint16_t, std::uint8_t) const {}
};
static_assert(Z80Bus<FlatRam>);

constexpr std::uint16_t kBdosEntry = 0x0005;
constexpr std::uint16_t kTpaTop = 0xF000;  // what the programs find at 0006h as their stack top

std::filesystem::path ExerciserFolder() { return std::filesystem::path(VANTRO_TESTDATA_DIR) / "zex"; }

struct ExerciserResult {
  std::string output;
  bool finished = false;  // reached the warm boot jump to 0000h
};

ExerciserResult RunExerciser(const std::vector<std::uint8_t>& program) {
  auto ram = std::make_unique<Ram>();
  const FlatRam bus{ram.get()};
  for (std::size_t i = 0; i < program.size() && 0x100 + i < ram->size(); ++i) {
    (*ram)[0x100 + i] = program[i];
  }
  // JP kTpaTop at 0005h: the exercisers read the word at 0006h for their stack.
  (*ram)[kBdosEntry] = 0xC3;
  (*ram)[kBdosEntry + 1] = kTpaTop & 0xFF;
  (*ram)[kBdosEntry + 2] = kTpaTop >> 8;

  CpuState cpu;
  ResetCpu(cpu);
  cpu.pc = 0x0100;
  cpu.sp = kTpaTop;

  ExerciserResult result;
  // A generous ceiling so a broken core cannot spin here forever; zexall
  // needs about 5.8 billion instructions.
  constexpr std::uint64_t kMaxSteps = 20'000'000'000ull;
  for (std::uint64_t steps = 0; steps < kMaxSteps; ++steps) {
    if (cpu.pc == 0x0000) {
      result.finished = true;
      break;
    }
    if (cpu.pc == kBdosEntry) {
      if (cpu.c == 2) {
        result.output += static_cast<char>(cpu.e);
        std::putchar(cpu.e);
      } else if (cpu.c == 9) {
        for (std::uint16_t a = De(cpu); (*ram)[a] != '$'; ++a) {
          result.output += static_cast<char>((*ram)[a]);
          std::putchar((*ram)[a]);
        }
      }
      std::fflush(stdout);
      // Return as the BDOS's RET would.
      cpu.pc = z80::Pop(cpu, bus);
      continue;
    }
    z80::Step(cpu, bus);
  }
  std::putchar('\n');
  return result;
}

void ExpectAllTestsPass(const char* name) {
  // A plain clone has no exercisers: skipped, and CTest reports it so (its
  // SKIP_REGULAR_EXPRESSION matches the text below). CI always has them, so
  // there a missing folder is a failure, never a quiet pass.
  if (!std::filesystem::is_directory(ExerciserFolder())) {
    if (std::getenv("CI") != nullptr) {
      FAIL() << "Instruction exercisers missing at " << ExerciserFolder() << " while CI is set";
    }
    GTEST_SKIP() << "Instruction exercisers not found at " << ExerciserFolder()
                 << " - conformance run skipped";
  }
  std::filesystem::path path = ExerciserFolder() / name;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(program.empty()) << "could not read " << path;

  ExerciserResult result = RunExerciser(program);
  ASSERT_TRUE(result.finished) << name << " did not return to 0000h; output so far:\n" << result.output;
  EXPECT_NE(result.output.find("Tests complete"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("ERROR"), std::string::npos) << name << " reported errors:\n" << result.output;
  std::size_t ok_count = 0;
  for (std::size_t at = result.output.find("OK"); at != std::string::npos; at = result.output.find("OK", at + 2)) {
    ++ok_count;
  }
  EXPECT_GE(ok_count, 60u) << "fewer test lines than the exerciser has:\n" << result.output;
}

TEST(ZexConformance, ZexdocPassesEveryDocumentedFlagTest) { ExpectAllTestsPass("zexdoc.com"); }

TEST(ZexConformance, ZexallPassesEveryTestIncludingFlagsFiveAndThree) { ExpectAllTestsPass("zexall.com"); }

}  // namespace
