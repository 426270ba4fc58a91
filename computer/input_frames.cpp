// The frame ends of an input recording being made or played (see
// input_frames.h).
#include "computer/input_frames.h"

#include <algorithm>

void StopInputPlayback(InputLog& log, InputLogEnd why) {
  log.mode = InputLogMode::off;
  log.ended = why;
  log.frame_fetches.clear();
  log.frame_starts.assign(1, 0);
  log.port_bytes.clear();
}

bool CloseLiveFrame(Machine& machine, CpuState& cpu) {
  InputLog& log = machine.input_log;
  if (log.mode == InputLogMode::recording) {
    log.frame_fetches.push_back(cpu.fetches);
    log.frame_starts.push_back(log.port_bytes.size());
  }
  cpu.fetches = 0;
  return true;
}

bool PlaybackFrameEnds(Machine& machine, CpuState& cpu) {
  InputLog& log = machine.input_log;
  if (log.ran_out) {
    StopInputPlayback(log, InputLogEnd::ran_out);
    return machine.frame_tstates >= kFrameTStates && CloseLiveFrame(machine, cpu);
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
