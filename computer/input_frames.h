// The frame-end decision of the emulation loop, with an input recording's
// rule in it: live and while recording a frame ends after 69,888 T-states
// (the recording then keeps the frame's fetch count); while a recording
// plays, a frame ends after its recorded number of opcode fetches, whatever
// the emulated time says, as the RZX format has it.
#pragma once
#include "cpu/cpu_state.h"
#include "cpu/z80.h"
#include "machine/machine.h"

// Ends the playback: the machine goes on live from where it stands.
void StopInputPlayback(InputLog& log, InputLogEnd why);

// The frame that has run its 69,888 T-states closes (in the recording too,
// if one is made); the playing frame that has run its fetches closes, or
// not yet. Out of line: they run once a frame, or only while a recording
// plays.
bool CloseLiveFrame(Machine& machine, CpuState& cpu);
bool PlaybackFrameEnds(Machine& machine, CpuState& cpu);

// Whether the frame ends after the instruction just run; a frame that ends
// is closed in the recording, or the next recorded frame begins. Called
// after every instruction, so the live test is the only work inline.
inline bool InputFrameEnds(Machine& machine, CpuState& cpu) {
  const bool playing = machine.input_log.mode == InputLogMode::playing;
  if (machine.frame_tstates < kFrameTStates && !playing) [[likely]] return false;
  return playing ? PlaybackFrameEnds(machine, cpu) : CloseLiveFrame(machine, cpu);
}
