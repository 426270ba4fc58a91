// The 97-byte trace line, the "debug.lst" block and the flush at 64,000
// bytes, with real files in a temporary folder.
#include "debugger/trace_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "debugger/traced_step.h"
#include "machine/machine.h"

namespace {

namespace fs = std::filesystem;

const ClockTime kMoment{8, 7, 6, 5, 4, 2023};
const std::string kHeader =
    "START 08:07:06 05/04/2023\r\n"
    "                                                SZ5H3PNC  A  BC   DE   HL   IX   IY   SP  MEMPTR\r\n";

std::string LineText(const TraceLine& line) { return std::string(line.begin(), line.end()); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TraceFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("trace_file_test_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
    machine_ = std::make_unique<Machine>();
    InitMachine(*machine_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }

  // Traces NOPs from 8000h until the buffer flushes; answers the number of
  // trace lines collected.
  int TraceNopsUntilFlush() {
    CpuState cpu;
    cpu.pc = 0x8000;
    TraceTexts texts;
    for (int lines = 1; lines < 10000; ++lines) {
      TracedStep(cpu, *machine_, false, texts);
      if (AppendTraceLine(*machine_, texts, cpu)) return lines;
      EXPECT_TRUE(machine_->trace_on);
    }
    ADD_FAILURE() << "the trace never flushed";
    return 0;
  }

  fs::path dir_;
  fs::path old_cwd_;
  std::unique_ptr<Machine> machine_;
};

}  // namespace

TEST(TraceLine, NopAt8000hFillsFixedColumns) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  CpuState cpu;
  cpu.pc = 0x8000;
  cpu.a = 0x5A; cpu.f = 0xA5;
  cpu.b = 0x01; cpu.c = 0x02; cpu.d = 0x03; cpu.e = 0x04; cpu.h = 0x05; cpu.l = 0x06;
  cpu.ix = 0x789A; cpu.iy = 0xBCDE; cpu.sp = 0xF00F; cpu.memptr = 0x0ABC;
  TraceTexts texts;
  TracedStep(cpu, *machine, false, texts);
  const std::string line = LineText(ComposeTraceLine(texts, cpu));
  ASSERT_EQ(line.size(), 97u);
  EXPECT_EQ(line.substr(0, 14), "32768 8000  00");
  EXPECT_EQ(line.substr(26, 22), "NOP                   ") << "text from column 27";
  EXPECT_EQ(line.substr(48), "10100101 5A 0102 0304 0506 789A BCDE F00F  0ABC\r\n");
}

TEST(TraceLine, FourByteInstructionLeavesThreeBlanksInTheByteColumn) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  const std::uint8_t code[] = {0xDD, 0x36, 0x05, 0x12};
  for (int i = 0; i < 4; ++i) StoreDirect(*machine, 0x8000 + i, code[i]);
  CpuState cpu;
  cpu.pc = 0x8000;
  cpu.ix = 0x9000;
  TraceTexts texts;
  TracedStep(cpu, *machine, true, texts);
  const std::string line = LineText(ComposeTraceLine(texts, cpu));
  EXPECT_EQ(line.substr(12, 14), "DD 36 05 12   ");
  EXPECT_EQ(line.substr(26, 15), "LD (IX+05h),12h");
  EXPECT_EQ(line.substr(91, 4), "9005") << "MEMPTR after LD (IX+d),n";
}

TEST(TraceLine, LongTextsAreCutAtColumn48AndRegisterColumnsNeverMove) {
  TraceTexts texts{"00000 0000  ", "DD FD CB 05 FF ", "A TEXT OF MORE THAN TWENTY-TWO LETTERS"};
  CpuState cpu;
  const std::string line = LineText(ComposeTraceLine(texts, cpu));
  ASSERT_EQ(line.size(), 97u);
  EXPECT_EQ(line.substr(12, 14), "DD FD CB 05 FF");
  EXPECT_EQ(line.substr(26, 22), "A TEXT OF MORE THAN TW");
  EXPECT_EQ(line.substr(48, 9), "00000000 ");

  TraceTexts empty;  // never read past a short text
  EXPECT_EQ(LineText(ComposeTraceLine(empty, cpu)).substr(0, 48), std::string(48, ' '));
}

TEST(TraceBlock, HeaderIsStartStampAndColumnLabelsAboveTheRegisters) {
  EXPECT_EQ(TraceBlockHeader(kMoment), kHeader);
  const std::string labels(kTraceColumnHeader);
  EXPECT_EQ(labels.find("SZ5H3PNC"), 48u) << "above F";
  EXPECT_EQ(labels.find(" A "), 57u) << "above A";
  EXPECT_EQ(labels.find("MEMPTR"), 90u);
}

TEST_F(TraceFolder, StartTraceDropsWhatWasCollectedAndSwitchesTracingOn) {
  machine_->trace_fill = 5000;
  StartTrace(*machine_, kMoment);
  EXPECT_TRUE(machine_->trace_on);
  ASSERT_EQ(machine_->trace_fill, kHeader.size());
  EXPECT_EQ(std::string(machine_->trace_buffer.begin(),
                        machine_->trace_buffer.begin() + machine_->trace_fill),
            kHeader);
}

TEST_F(TraceFolder, ShortTraceStaysInTheBuffer) {
  StartTrace(*machine_, kMoment);
  CpuState cpu;
  cpu.pc = 0x8000;
  TraceTexts texts;
  for (int i = 0; i < 100; ++i) {
    TracedStep(cpu, *machine_, false, texts);
    EXPECT_FALSE(AppendTraceLine(*machine_, texts, cpu));
  }
  EXPECT_TRUE(machine_->trace_on);
  EXPECT_EQ(machine_->trace_fill, kHeader.size() + 100 * 97);
  EXPECT_FALSE(fs::exists("debug.lst"));
}

TEST_F(TraceFolder, FlushAt64000WritesTheBlockWithATrailingEmptyLine) {
  StartTrace(*machine_, kMoment);
  const int lines = TraceNopsUntilFlush();
  // The line that brings the buffer to 64,000 bytes or more is the last.
  const std::size_t expected_lines = (64000 - kHeader.size() + 96) / 97;
  EXPECT_EQ(static_cast<std::size_t>(lines), expected_lines);
  EXPECT_FALSE(machine_->trace_on);

  const std::string file = ReadFile("debug.lst");
  ASSERT_EQ(file.size(), kHeader.size() + expected_lines * 97 + 2);
  EXPECT_EQ(file.substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(file.substr(kHeader.size(), 14), "32768 8000  00");
  EXPECT_EQ(file.substr(file.size() - 4), "\r\n\r\n");
  const std::size_t last = file.size() - 2 - 97;
  const auto last_address = static_cast<unsigned>(0x8000 + expected_lines - 1);
  EXPECT_EQ(file.substr(last, 12), Dec5(last_address) + " " + Hex4(last_address) + "  ");
}

TEST_F(TraceFolder, EachTraceRunAppendsAnotherBlock) {
  StartTrace(*machine_, kMoment);
  TraceNopsUntilFlush();
  const std::string first = ReadFile("debug.lst");
  StartTrace(*machine_, kMoment);
  TraceNopsUntilFlush();
  const std::string both = ReadFile("debug.lst");
  ASSERT_EQ(both.size(), 2 * first.size());
  EXPECT_EQ(both.substr(first.size(), kHeader.size()), kHeader);
}

TEST_F(TraceFolder, UnopenableTraceFileStillStopsTracing) {
  fs::create_directory("debug.lst");  // a directory cannot be opened as a file
  StartTrace(*machine_, kMoment);
  EXPECT_GT(TraceNopsUntilFlush(), 0);
  EXPECT_FALSE(machine_->trace_on);
  EXPECT_TRUE(machine_->trace_write_failed) << "the caller must be able to tell the user";
  EXPECT_TRUE(fs::is_directory("debug.lst"));
}
