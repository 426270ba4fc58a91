// Measures what "Debug to file" costs: instructions per second of the plain
// Step against TracedStep (and TracedStep plus composing the trace line), on
// the built-in ROM booting from reset with a frame interrupt every 69,888
// T-states. Prints one line per variant; not a test.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "debugger/trace_file.h"
#include "debugger/traced_step.h"
#include "computer/computer.h"
#include "machine/machine.h"

namespace {

enum class Variant { step, traced, traced_with_line };

struct Result {
  double seconds = 0;
  CpuState final_state;
};

Result Run(Variant variant, long instructions) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  CpuState cpu;
  ResetCpu(cpu);
  TraceTexts texts;
  std::int32_t frame = 0;
  std::size_t line_bytes = 0;

  const auto start = std::chrono::steady_clock::now();
  for (long n = 0; n < instructions; ++n) {
    if (variant == Variant::step) {
      Step(cpu, *machine);
    } else {
      TracedStep(cpu, *machine, false, texts);
      if (variant == Variant::traced_with_line) {
        const TraceLine line = ComposeTraceLine(texts, cpu);
        // Into the buffer as the loop does, wrapping instead of writing a file.
        if (line_bytes + line.size() > machine->trace_buffer.size()) line_bytes = 0;
        std::memcpy(machine->trace_buffer.data() + line_bytes, line.data(), line.size());
        line_bytes += line.size();
      }
    }
    frame += cpu.tstates;
    cpu.tstates = 0;
    if (frame >= kFrameTStates) {
      frame = 0;
      AcceptInterrupt(cpu, *machine);
    }
  }
  Result result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.final_state = cpu;
  return result;
}

}  // namespace

int main() {
  constexpr long kInstructions = 4'000'000;  // the boot clears RAM, then idles in BASIC
  const Result plain = Run(Variant::step, kInstructions);
  const Result traced = Run(Variant::traced, kInstructions);
  const Result lined = Run(Variant::traced_with_line, kInstructions);

  auto report = [](const char* name, const Result& r) {
    std::printf("%-28s %10.0f instructions/s  (%.3f s for %ld)\n", name,
                kInstructions / r.seconds, r.seconds, kInstructions);
  };
  report("Step", plain);
  report("TracedStep", traced);
  report("TracedStep + TraceLine", lined);
  std::printf("TracedStep is %.1f times slower than Step\n", traced.seconds / plain.seconds);

  const bool same = plain.final_state.pc == traced.final_state.pc &&
                    plain.final_state.sp == traced.final_state.sp &&
                    plain.final_state.r == traced.final_state.r &&
                    Af(plain.final_state) == Af(traced.final_state) &&
                    Hl(plain.final_state) == Hl(traced.final_state);
  std::printf("final state %s (pc %04X)\n", same ? "identical" : "DIFFERS", plain.final_state.pc);
  return same ? 0 : 1;
}
