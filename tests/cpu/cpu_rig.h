// A processor and a heap-held Machine for the CPU tests: code is placed at
// 8000h (RAM, above the protected ROM area) and run one Step at a time.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "computer/computer.h"
#include "machine/machine.h"

struct CpuRig {
  static constexpr std::uint16_t kCodeAt = 0x8000;

  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  CpuState cpu;

  CpuRig() {
    machine->write_floor = kProtectedFloor;
    cpu.pc = kCodeAt;
    cpu.sp = 0xF000;
  }

  void Load(const std::vector<std::uint8_t>& bytes, std::uint16_t at = kCodeAt) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      machine->memory[static_cast<std::uint16_t>(at + i)] = bytes[i];
    }
  }

  // One Step; returns the T-states it added.
  unsigned StepT() {
    const std::uint32_t before = cpu.tstates;
    Step(cpu, *machine);
    return cpu.tstates - before;
  }

  // A whole instruction: a repeating block instruction's every pass, one
  // step each. Returns the total T.
  unsigned RunInstruction() {
    const std::uint16_t start = cpu.pc;
    unsigned total = StepT();
    while (BlockPassRepeats(cpu, *machine, start)) total += StepT();
    return total;
  }

  // Steps until pc leaves [kCodeAt, end) or a step limit; returns total T.
  unsigned RunTo(std::uint16_t end, int max_steps = 16) {
    unsigned total = 0;
    for (int i = 0; i < max_steps && cpu.pc >= kCodeAt && cpu.pc < end; ++i) total += StepT();
    return total;
  }

  std::uint8_t& Mem(std::uint16_t address) { return machine->memory[address]; }
};

inline void SetPairHl(CpuState& s, std::uint16_t v) {
  s.h = static_cast<std::uint8_t>(v >> 8);
  s.l = static_cast<std::uint8_t>(v);
}
inline void SetPairBc(CpuState& s, std::uint16_t v) {
  s.b = static_cast<std::uint8_t>(v >> 8);
  s.c = static_cast<std::uint8_t>(v);
}
inline void SetPairDe(CpuState& s, std::uint16_t v) {
  s.d = static_cast<std::uint8_t>(v >> 8);
  s.e = static_cast<std::uint8_t>(v);
}
