// Vantro's side of libspectrum, which reads and writes SZX snapshots and RZX
// input recordings: its snapshot record turned into CpuState and
// MachineHardware and back. Used by szx.cpp and rzx.cpp only; the rest of
// the program never sees libspectrum's types.
#pragma once
#include <libspectrum.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

// The library is set up once, and its own error reports are kept rather
// than printed: every refusal reaches the user as the loader's message.
void UseLibspectrum();

struct SnapFree {
  void operator()(libspectrum_snap* snap) const { libspectrum_snap_free(snap); }
};
using SnapHandle = std::unique_ptr<libspectrum_snap, SnapFree>;

// Why a snapshot libspectrum has read cannot run here (another machine,
// named, or its 48 KB of RAM missing), under the loader's title; nothing
// when it can.
std::optional<FileProblem> CheckSnap(libspectrum_snap* snap, const char* title);
// A snapshot CheckSnap accepted goes into the machine: registers, interrupt
// state, the T-state within the frame, RAM, the last OUT to the ULA and the
// joystick. A snapshot taken while INT is still low (the frame's first 32
// T-states) with interrupts on is offered the frame's interrupt, as the
// machine would be.
void ApplySnap(libspectrum_snap* snap, Machine& machine, CpuState& cpu);
// The machine as a libspectrum snapshot of a 48K Spectrum.
SnapHandle SnapOfMachine(const Machine& machine, const CpuState& cpu);
// libspectrum's creator record naming Vantro, for the files it writes.
struct CreatorFree {
  void operator()(libspectrum_creator* creator) const { libspectrum_creator_free(creator); }
};
std::unique_ptr<libspectrum_creator, CreatorFree> VantroCreator();
