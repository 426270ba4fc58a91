// Everything the debugger works on, as Vantro's start-up holds it, for the
// debugger's window tests: a booted-from-reset machine, a scripted user, a
// clock the test sets and a block dialog whose answer the test scripts.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "debugger/debugger_window.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/speech.h"
#include "support/fake_host.h"
#include "tools/listing.h"

struct SetClock : MillisecondClock {
  std::uint32_t now = 0;
  std::uint32_t NowMs() override { return now; }
};

// The block dialog's answer, scripted; nothing means Cancel.
struct ScriptedBlocks : BlockAsker {
  std::optional<BlockChoice> answer;
  std::optional<BlockChoice> AskBlock() override { return answer; }
};

struct Rig {
  Rig() {
    InitMachine(*machine);
    ResetCpu(cpu);
    machine->speed_limited = false;
  }
  CpuState cpu;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  Breakpoint breakpoint;
  std::unique_ptr<DisplayRenderer> renderer = std::make_unique<DisplayRenderer>();
  bool hex_mode = false;
  ListingState listing;
  FakeHost host;
  ScriptedBlocks blocks;
  SetClock clock;
  DebuggerContext context{cpu, *machine, breakpoint, *renderer, hex_mode,
                          listing, host,  blocks,     clock};

  void Put(std::uint16_t address, std::vector<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) machine->memory[address++] = b;
  }
};
