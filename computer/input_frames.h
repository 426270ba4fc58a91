// The frame-end decision of the emulation loop, with an input recording's
// rule in it: live and while recording a frame ends after 69,888 T-states
// (the recording then keeps the frame's fetch count); while a recording
// plays, a frame ends after its recorded number of opcode fetches, whatever
// the emulated time says, as the RZX format has it.
#pragma once
#include <algorithm>

#include "cpu/cpu_state.h"
#include "cpu/z80.h"
#include "machine/machine.h"

// Ends the playback: the machine goes on live from where it stands.
inline void StopInputPlayback(InputLog& log, InputLogEnd why) {
  log.mode = InputLogMode::off;
  log.ended = why;
  log.frame_fetches.clear();
  log.frame_starts.assign(1, 0);
  log.port_bytes.clear();
}

// Whether the frame ends after the instruction just run; a frame that ends
// is closed in the recording, or the next recorded frame begins.
inline bool InputFrameEnds(Machine& machine, CpuState& cpu) {
  InputLog& log = machine.input_log;
  if (log.mode == InputLogMode::playing && log.ran_out) StopInputPlayback(log, InputLogEnd::ran_out);
  if (log.mode != InputLogMode::playing) {
    if (machine.frame_tstates < kFrameTStates) return false;
    if (log.mode == InputLogMode::recording) {
      log.frame_fetches.push_back(cpu.fetches);
      log.frame_starts.push_back(log.port_bytes.size());
    }
    cpu.fetches = 0;
    return true;
  }
  if (cpu.fetches < log.frame_fetches[log.frame]) return false;
  // An instruction whose prefix was the frame's last fetch runs past it.
  cpu.fetches -= log.frame_fetches[log.frame];
  ++log.frame;
  if (log.frame == log.frame_fetches.size()) {
    StopInputPlayback(log, InputLogEnd::finished);
  } else {
    log.next_byte = log.frame_starts[log.frame];
  }
  // The frame closes now, however long it took: the frame end takes one
  // frame off the count, and what the frame ran short or long of its
  // 69,888 T-states does not carry into the next.
  machine.frame_tstates = kFrameTStates + std::clamp(machine.frame_tstates - kFrameTStates, 0, kFrameTStates - 1);
  return true;
}
