// The passes of the emulation loop, shared by Vantro's main window and the
// headless runner. Nothing on the per-instruction path allocates, formats
// text or calls through an interface; the hooks run once per frame at most.
#include "emulator/emulation_loop.h"

#include "cpu/trace_file.h"
#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "machine/machine.h"
#include "machine/display_renderer.h"
#include "machine/port_bus.h"
#include "snapshots/tape.h"

namespace {

// Tick counters wrap after 49 days; comparing by difference keeps pacing
// working across the wrap.
bool TickBefore(std::uint32_t now, std::uint32_t then) {
  return static_cast<std::int32_t>(now - then) < 0;
}

void EndFrame(EmulationLoop& loop) {
  Machine& machine = loop.machine;
  EndBeeperFrame(machine.beeper, machine.frame_tstates);
  // A long block move can overshoot by thousands of T-states; the surplus
  // is dropped so one transfer never ends two frames.
  machine.frame_tstates = 0;
  machine.border_band = 0;
  const std::uint32_t now = loop.clock.NowMs();
  RenderFrame(loop.renderer, machine, now);
  SampleKeyboard(machine);
  AcceptInterrupt(loop.cpu, machine);
  loop.hooks.Present();
  if (machine.speed_limited) PacingStep(machine, now);
}

// The pass itself, inlined into both entry points so the frame loop of
// RunUntilFrameEnd costs no extra call per instruction.
inline __attribute__((always_inline)) unsigned Pass(EmulationLoop& loop) {
  CpuState& cpu = loop.cpu;
  Machine& machine = loop.machine;
  unsigned outcome = kPassPlain;

  if (!machine.trace_on) {
    Step(cpu, machine);
  } else {
    TracedStep(cpu, machine, loop.hex_mode, loop.trace_texts);
    if (AppendTraceLine(machine, loop.trace_texts, cpu, loop.trace_path)) {
      // The block is in "debug.lst" and tracing has stopped; the debugger
      // opens before the rest of the pass, as the trace ends there.
      outcome |= kPassTraceFlushed;
      loop.hooks.OpenDebugger();
    }
  }

  if (cpu.tstates > kTransferThreshold) {
    if (!machine.fast_border && machine.border_band < kBorderBandLimit) {
      PaintBorderBand(loop.renderer, machine, machine.border_band);
      machine.border_band = static_cast<std::uint8_t>(machine.border_band + kBorderBandRows);
    }
    machine.frame_tstates += cpu.tstates;
    cpu.tstates = 0;
  }

  if (machine.frame_tstates >= kFrameTStates) {
    EndFrame(loop);
    outcome |= kPassFrameEnded;
  }

  // After the instruction, so the trap sees the address about to run.
  if (machine.tape_active) TapeTrap(machine, cpu);

  if (loop.breakpoint.armed && BreakpointFires(loop.breakpoint, cpu, machine)) {
    loop.breakpoint.armed = false;
    outcome |= kPassBreakpointFired;
    loop.hooks.OpenDebugger();
  }

  if (machine.speed_limited && machine.delay_count > 0) BusyWait(machine.delay_count);
  return outcome;
}

}  // namespace

unsigned RunPass(EmulationLoop& loop) { return Pass(loop); }

unsigned RunUntilFrameEnd(EmulationLoop& loop) {
  // No test of quit_requested per pass: only window events and the debugger
  // set it, and the debugger opens only on a pass that reports something.
  for (;;) {
    const unsigned outcome = Pass(loop);
    if (outcome != kPassPlain) return outcome;
  }
}

void ChooseSpeed(Machine& machine, int multiplier, std::uint32_t now_ms) {
  // 12.5 frames per second times the multiplier, the half cut off: 25% is 12.
  machine.target_frames = static_cast<std::uint8_t>(multiplier * kBaseFrameRateTimesTwo / 2);
  machine.next_check = now_ms + kPacingPeriodMs;
  machine.speed_limited = true;
}

void ChooseNoLimit(Machine& machine) { machine.speed_limited = false; }

void PacingStep(Machine& machine, std::uint32_t now_ms) {
  ++machine.frames_counted;
  if (TickBefore(now_ms, machine.next_check)) return;
  const std::int32_t counted = machine.frames_counted;
  const std::int32_t target = machine.target_frames;
  if (counted > target) {
    machine.delay_count += (counted - target) * kPacingStep;
  } else if (counted < target) {
    machine.delay_count -= (target - counted) * kPacingStep;
    if (machine.delay_count < 0) machine.delay_count = 0;
  }
  machine.next_check = now_ms + kPacingPeriodMs;
  machine.frames_counted = 0;
}

void BusyWait(std::int32_t count) {
  // volatile: every decrement is a real store, so the count takes time and
  // the optimiser cannot fold the loop away.
  volatile std::int32_t scratch = count;
  while (scratch > 0) scratch = scratch - 1;
}
