// The traced step against the plain Step: same effects for every opcode of
// every group, texts equal to the disassembler's, and byte fields as long as
// what the processor consumed.
#include "debugger/traced_step.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "computer/computer.h"
#include "machine/machine.h"
#include "tools/disassembler.h"

namespace {

constexpr std::uint16_t kCodeAt = 0x8000;

std::string DiffStates(const CpuState& x, const CpuState& y) {
  std::string diff;
  auto field = [&diff](const char* name, unsigned a, unsigned b) {
    if (a != b) diff += std::string(" ") + name + " " + std::to_string(a) + "/" + std::to_string(b);
  };
  field("a", x.a, y.a); field("f", x.f, y.f); field("b", x.b, y.b); field("c", x.c, y.c);
  field("d", x.d, y.d); field("e", x.e, y.e); field("h", x.h, y.h); field("l", x.l, y.l);
  field("a'", x.a_alt, y.a_alt); field("f'", x.f_alt, y.f_alt);
  field("b'", x.b_alt, y.b_alt); field("c'", x.c_alt, y.c_alt);
  field("d'", x.d_alt, y.d_alt); field("e'", x.e_alt, y.e_alt);
  field("h'", x.h_alt, y.h_alt); field("l'", x.l_alt, y.l_alt);
  field("ix", x.ix, y.ix); field("iy", x.iy, y.iy); field("sp", x.sp, y.sp);
  field("pc", x.pc, y.pc); field("memptr", x.memptr, y.memptr); field("i", x.i, y.i);
  field("r", x.r, y.r); field("r7", x.r7, y.r7); field("iff", x.iff, y.iff);
  field("im", x.im, y.im); field("halted", x.halted, y.halted);
  field("ei_delay", x.ei_delay, y.ei_delay); field("tstates", x.tstates, y.tstates);
  field("io_data", x.io_data, y.io_data);
  return diff;
}

// Register states the differential test starts from: flags all clear and
// all set (so every condition is met once and missed once), small and large
// counters, index registers pointing into RAM.
std::vector<CpuState> StartStates() {
  std::vector<CpuState> states;
  CpuState zero;
  zero.pc = kCodeAt;
  states.push_back(zero);

  CpuState busy;
  busy.a = 0x80; busy.f = 0xFF; busy.b = 0x00; busy.c = 0x03;
  busy.d = 0x90; busy.e = 0x10; busy.h = 0xA0; busy.l = 0x20;
  busy.a_alt = 0x12; busy.f_alt = 0x34; busy.h_alt = 0x56; busy.l_alt = 0x78;
  busy.ix = 0xB000; busy.iy = 0xB100; busy.sp = 0xC000; busy.pc = kCodeAt;
  busy.i = 0x3F; busy.r = 0x7E; busy.r7 = 0x80; busy.iff = 4; busy.im = 2;
  busy.memptr = 0x1234; busy.tstates = 100;
  states.push_back(busy);

  CpuState odd;
  odd.a = 0x0F; odd.f = 0x44; odd.b = 0x02; odd.c = 0xFE;
  odd.d = 0x20; odd.e = 0x00; odd.h = 0x00; odd.l = 0x10;  // HL in ROM: stores dropped
  odd.ix = 0x3FF0; odd.iy = 0xFFF8; odd.sp = 0x0002; odd.pc = kCodeAt;
  odd.im = 1; odd.r = 0xFF;
  states.push_back(odd);

  CpuState wrap = busy;
  wrap.f = 0x00; wrap.a = 0x99; wrap.pc = 0xFFFE;  // instruction bytes wrap to 0000h
  wrap.b = 0x01; wrap.c = 0x00;
  states.push_back(wrap);
  return states;
}

// RAM filled with a fixed pattern so loads, compares and ports see varied
// values; the ROM stays in the first 16 KB.
void FillMachine(Machine& machine) {
  InitMachine(machine);
  std::uint32_t seed = 12345;
  for (std::size_t a = 0x4000; a < machine.memory.size(); ++a) {
    seed = seed * 1103515245u + 12345u;
    machine.memory[a] = static_cast<std::uint8_t>(seed >> 16);
  }
}

bool IsJump(std::string_view text) {
  // The repeating block instructions end a pass that goes on back on themselves.
  for (std::string_view start : {"JP", "JR", "DJNZ", "CALL", "RET", "RST", "HALT", "LDIR", "LDDR", "CPIR",
                                 "CPDR", "INIR", "INDR", "OTIR", "OTDR"}) {
    if (text.substr(0, start.size()) == start) return true;
  }
  return false;
}

}  // namespace

TEST(TracedStep, LeavesTheSameStateMemoryAndTimeAsStepForEveryOpcodeOfEveryGroup) {
  const std::vector<std::vector<std::uint8_t>> groups = {
      {}, {0xCB}, {0xED}, {0xDD}, {0xFD}, {0xDD, 0xCB, 0x05}, {0xFD, 0xCB, 0xFB},
      {0xDD, 0xFD}, {0xDD, 0xDD}, {0xFD, 0xED}};
  auto base = std::make_unique<Machine>();
  FillMachine(*base);
  auto plain = std::make_unique<Machine>();
  auto traced = std::make_unique<Machine>();
  TraceTexts texts;
  int compared = 0, length_checked = 0;

  for (const CpuState& start : StartStates()) {
    for (const auto& prefix : groups) {
      for (int op = 0; op < 256; ++op) {
        *plain = *base;
        std::uint16_t at = start.pc;
        for (std::uint8_t b : prefix) StoreDirect(*plain, at++, b);
        StoreDirect(*plain, at++, static_cast<std::uint8_t>(op));
        *traced = *plain;

        const MemoryView view{plain->memory.data(), plain->memory.size()};
        const Disassembly expected = DisassembleOne(view, start.pc, compared % 2 == 1);

        CpuState cpu_plain = start, cpu_traced = start;
        Step(cpu_plain, *plain);
        TracedStep(cpu_traced, *traced, compared % 2 == 1, texts);

        const std::string what = expected.byte_field + "(" + expected.text + ") from state pc " +
                                 std::to_string(start.pc) + " f " + std::to_string(start.f);
        ASSERT_EQ(DiffStates(cpu_plain, cpu_traced), "") << what;
        ASSERT_TRUE(plain->memory == traced->memory) << what << ": memory differs";
        EXPECT_EQ(plain->ula_out, traced->ula_out) << what;
        EXPECT_EQ(texts.trace_addr, expected.address_field) << what;
        EXPECT_EQ(texts.trace_bytes, expected.byte_field) << what;
        EXPECT_EQ(texts.trace_text, expected.text) << what;

        const auto consumed = static_cast<std::uint16_t>(cpu_plain.pc - start.pc);
        const auto listed = static_cast<std::uint16_t>(expected.next_address - start.pc);
        EXPECT_EQ(expected.byte_field.size(), 3u * listed) << what;
        if (!IsJump(expected.text)) {
          EXPECT_EQ(consumed, listed) << what << ": the processor consumed " << consumed
                                      << " bytes, the listing shows " << listed;
          ++length_checked;
        } else if (consumed == listed) {
          ++length_checked;  // a conditional jump not taken
        }
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 4 * 10 * 256);
  EXPECT_GT(length_checked, compared * 9 / 10);
}

TEST(TracedStep, CondTextAgreesWithConditionTrueForEveryFlagByte) {
  for (int f = 0; f < 256; ++f) {
    CpuState cpu;
    cpu.f = static_cast<std::uint8_t>(f);
    for (int y = 0; y < 8; ++y) {
      std::string text;
      EXPECT_EQ(CondText(text, y, cpu.f), ConditionTrue(cpu, y)) << "y=" << y << " f=" << f;
    }
  }
}

TEST(TracedStep, LdirCopyingAThousandBytesIsOnePassPerTracedStep) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  StoreDirect(*machine, 0x8000, 0xED);
  StoreDirect(*machine, 0x8001, 0xB0);
  for (int i = 0; i < 1000; ++i) StoreDirect(*machine, 0x9000 + i, static_cast<std::uint8_t>(i));
  CpuState cpu;
  cpu.pc = 0x8000;
  cpu.h = 0x90; cpu.l = 0x00; cpu.d = 0xA0; cpu.e = 0x00; cpu.b = 0x03; cpu.c = 0xE8;
  TraceTexts texts;
  int steps = 0;
  do {
    TracedStep(cpu, *machine, false, texts);
    ++steps;
    ASSERT_EQ(texts.trace_text, "LDIR") << "pass " << steps;
    ASSERT_EQ(texts.trace_bytes, "ED B0 ") << "pass " << steps;
  } while (cpu.pc == 0x8000 && steps < 2000);
  EXPECT_EQ(steps, 1000);
  EXPECT_EQ(Bc(cpu), 0);
  EXPECT_EQ(cpu.pc, 0x8002);
  EXPECT_EQ(machine->memory[0xA000 + 999], static_cast<std::uint8_t>(999));
}

TEST(TracedStep, WaitingHaltGivesTheHaltAddressAtEveryStep) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  StoreDirect(*machine, 0x8000, 0x76);
  CpuState cpu;
  cpu.pc = 0x8000;
  TraceTexts texts;
  for (int i = 0; i < 3; ++i) {
    TracedStep(cpu, *machine, true, texts);
    EXPECT_EQ(texts.trace_addr, "32768 8000  ");
    EXPECT_EQ(texts.trace_text, "HALT");
    EXPECT_TRUE(cpu.halted);
  }
}

TEST(TracedStep, UndocumentedEdTextsAreTheDisassemblers) {
  struct EdCase { std::uint8_t op; const char* text; };
  const EdCase cases[] = {{0x70, "IN (HL),(C)"}, {0x71, "OUT (C),(HL)"},
                          {0x00, "ERROR ED X=0:X=3"}, {0x80, "ERROR ED X=2 Z>3 Y<4"},
                          {0x4C, "NEG"}, {0x6E, "IM 0/1"}};
  for (const EdCase& c : cases) {
    auto machine = std::make_unique<Machine>();
    InitMachine(*machine);
    StoreDirect(*machine, 0x8000, 0xED);
    StoreDirect(*machine, 0x8001, c.op);
    CpuState cpu;
    cpu.pc = 0x8000;
    TraceTexts texts;
    TracedStep(cpu, *machine, false, texts);
    EXPECT_EQ(texts.trace_text, c.text);
    EXPECT_EQ(texts.trace_bytes.size(), 6u) << c.text;
  }
}
