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

void EndFrame(EmulationLoop& loop) {
  Machine& machine = loop.machine;
  // The tape counts every T-state run, the overshoot included, so its pulses
  // keep their length across frame ends.
  TapeFrameEnd(machine.tape_signal, static_cast<std::uint64_t>(machine.frame_tstates));
  RecordingFrameEnd(machine.tape_recording, machine.tape_signal.clock);
  EndBeeperFrame(machine.beeper, machine.frame_tstates);
  // A long block move can overshoot by thousands of T-states; the surplus
  // is dropped so one transfer never ends two frames.
  machine.frame_tstates = 0;
  machine.border_band = 0;
  loop.frame_passes = 0;
  RenderFrame(loop.renderer, machine, loop.clock.NowMs());
  loop.hooks.Present();
  // Commands and key changes come in here, before the interrupt: the
  // handler then starts from whatever they left.
  loop.hooks.BetweenFrames();
  SampleKeyboard(machine);
  AcceptInterrupt(loop.cpu, machine);
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

  if (machine.frame_tstates >= kFrameTStates || ++loop.frame_passes >= kFramePassLimit) {
    EndFrame(loop);
    outcome |= kPassFrameEnded;
  }

  // After the instruction, so the traps see the address about to run.
  if (machine.fast_load) TapeTrap(machine, cpu);

  if (loop.breakpoint.armed && BreakpointFires(loop.breakpoint, cpu, machine)) {
    loop.breakpoint.armed = false;
    outcome |= kPassBreakpointFired;
    loop.hooks.OpenDebugger();
  }
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

void ChooseSpeed(Machine& machine, int multiplier) {
  // 12.5 frames per second times the multiplier, the half cut off: 25% is 12.
  machine.target_frames = static_cast<std::uint8_t>(multiplier * kBaseFrameRateTimesTwo / 2);
  machine.speed_limited = true;
}

void ChooseNoLimit(Machine& machine) { machine.speed_limited = false; }
