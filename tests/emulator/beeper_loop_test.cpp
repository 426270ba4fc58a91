// The beeper driven by real programs through the emulation loop: a Z80 loop
// that flips the speaker bit every so many T-states must come out of the
// frame ends at exactly the frequency its instruction timings give.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "support/tone.h"

namespace {

struct StillClock : MillisecondClock {
  std::uint32_t NowMs() override { return 0; }
};

struct NoWindow : LoopHooks {
  void Present() override {}
  void OpenDebugger() override {}
};

TEST(BeeperLoopTest, SpeakerLoopSoundsAtTheRateItsInstructionsTake) {
  // DI; LD A,0; loop: XOR 10h (7); OUT (FEh),A (11); LD B,n (7);
  // DJNZ $ (13 per turn, 8 for the last); JR loop (12): the speaker flips
  // every 32 + 13n T-states.
  struct Case {
    int rate;
    std::uint8_t n;
    std::uint8_t extra_bits;  // OR'ed into the byte written: border, MIC
  } cases[] = {{48000, 200, 0x00}, {44100, 40, 0x07}, {48000, 255, 0x08}};
  for (const Case& c : cases) {
    auto machine = std::make_unique<Machine>();
    auto renderer = std::make_unique<DisplayRenderer>();
    CpuState cpu;
    Breakpoint breakpoint;
    StillClock clock;
    NoWindow hooks;
    bool hex_mode = false;
    EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};
    InitMachine(*machine);
    ResetBeeper(machine->beeper, c.rate);
    ResetCpu(cpu);
    machine->speed_limited = false;
    const std::uint8_t program[] = {0xF3, 0x3E, c.extra_bits, 0xEE, 0x10, 0xD3, 0xFE,
                                    0x06, c.n,  0x10,         0xFE, 0x18, 0xF6};
    for (std::size_t i = 0; i < sizeof program; ++i) machine->memory[0x8000 + i] = program[i];
    cpu.pc = 0x8000;

    std::vector<std::int16_t> samples;
    for (int frames = 0; frames < 100;) {
      if (RunUntilFrameEnd(loop) & kPassFrameEnded) {
        ++frames;
        const Beeper& beeper = machine->beeper;
        samples.insert(samples.end(), beeper.block.begin(), beeper.block.begin() + beeper.block_size);
      }
    }
    const double expected = 3.5e6 / (2.0 * (32 + 13 * c.n));
    const Tone tone = LongestTone(samples, c.rate);
    EXPECT_NEAR(tone.frequency, expected, expected * 0.001) << "n = " << int{c.n} << " at " << c.rate << " Hz";
    EXPECT_GT(tone.end - tone.start, 1.9) << "n = " << int{c.n} << ": the tone must run through every frame";
  }
}

}  // namespace
