// The passes of the emulation loop, shared by Vantro's main window and the
// headless runner. Nothing on the per-instruction path allocates, formats
// text or calls through an interface; the hooks run once per frame at most.
#include "emulator/emulation_loop.h"

#include "debugger/trace_file.h"
#include "computer/computer.h"
#include "computer/input_frames.h"
#include "debugger/breakpoint.h"
#include "machine/machine.h"
#include "machine/display_renderer.h"
#include "machine/port_bus.h"
#include "machine/ula_timing.h"
#include "snapshots/tape.h"

namespace {

void EndFrame(EmulationLoop& loop) {
  Machine& machine = loop.machine;
  // The frame is exactly 69,888 T-states long for the tape and the beeper;
  // what the last instruction ran past its end opens the next frame, so no
  // T-state is lost and N frames are N x 69,888 T-states of sound and tape.
  TapeFrameEnd(machine.tape_signal, kFrameTStates);
  EndBeeperFrame(machine.beeper, kFrameTStates);
  machine.frame_tstates -= kFrameTStates;
  RecordingFrameEnd(machine.tape_recording, TapeNow(machine, 0));
  FinishFrame(loop.renderer, machine, loop.clock.NowMs());
  loop.hooks.Present();
  // Commands and key changes come in here, before the interrupt: the
  // handler then starts from whatever they left.
  loop.hooks.BetweenFrames();
  SampleKeyboard(machine);
}

// The pass itself, inlined into both entry points so the frame loop of
// RunUntilFrameEnd costs no extra call per instruction.
inline __attribute__((always_inline)) unsigned Pass(EmulationLoop& loop) {
  CpuState& cpu = loop.cpu;
  Machine& machine = loop.machine;
  unsigned outcome = kPassPlain;

  const std::uint16_t start = cpu.pc;
  if (!machine.trace_on) {
    Step(cpu, machine);
  } else {
    TracedStep(cpu, machine, loop.hex_mode, loop.trace_texts);
    // A repeating block instruction is one line, written after its last
    // pass with the registers that pass leaves.
    if (!BlockPassRepeats(cpu, machine, start) && AppendTraceLine(machine, loop.trace_texts, cpu, loop.trace_path)) {
      // The block is in "debug.lst" and tracing has stopped; the debugger
      // opens before the rest of the pass, as the trace ends there.
      outcome |= kPassTraceFlushed;
      loop.hooks.OpenDebugger();
    }
  }

  // Every step's T-states join the frame at once, so the frame ends on the
  // very T-state and the interrupt is seen at the first instruction end.
  machine.frame_tstates += static_cast<std::int32_t>(cpu.tstates);
  cpu.tstates = 0;

  if (InputFrameEnds(machine, cpu)) {
    // Only a step longer than a frame (none does today) ends more than one;
    // each of them is a whole frame, drawn and heard.
    do EndFrame(loop);
    while (machine.frame_tstates >= kFrameTStates);
    outcome |= kPassFrameEnded;
  }

  // The ULA holds INT low for the frame's first 32 T-states and the
  // processor samples it at every instruction end: taken at the first end
  // inside the window with interrupts on (not right after EI), a HALT ends
  // there, and a window with interrupts off throughout loses the frame's
  // interrupt. Unsigned, so a frame count set below 0 is outside it.
  if (static_cast<std::uint32_t>(machine.frame_tstates) < static_cast<std::uint32_t>(kInterruptLength)) {
    AcceptInterrupt(cpu, machine);
    machine.frame_tstates += static_cast<std::int32_t>(cpu.tstates);
    cpu.tstates = 0;
  }

  // After the instruction, so the traps see the address about to run.
  if (machine.fast_load) TapeTrap(machine, cpu);

  // An address breakpoint stops at a repeating block instruction once, not
  // again at each pass, which ends back on the same address.
  if (loop.breakpoint.armed && !(WatchesAddress(loop.breakpoint) && BlockPassRepeats(cpu, machine, start)) &&
      BreakpointFires(loop.breakpoint, cpu, machine)) {
    loop.breakpoint.armed = false;
    outcome |= kPassBreakpointFired;
    loop.hooks.OpenDebugger();
  }
  return outcome;
}

}  // namespace

unsigned RunPass(EmulationLoop& loop) {
  loop.machine.beam = &loop.renderer;
  return Pass(loop);
}

unsigned RunUntilFrameEnd(EmulationLoop& loop) {
  // The processor's screen and border writes draw the picture up to their
  // T-state first: the loop's renderer is the one they draw into.
  loop.machine.beam = &loop.renderer;
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
