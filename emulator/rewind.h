// Rewind: the machine as it stood once an emulated second for the last
// minute, and the way back to one of those moments. The window keeps a
// point after every frame end and goes back one second per "Rewind";
// vantro-run's --rewind goes back after its run. A point is the processor
// and the hardware (MachineHardware: one plain copy of some 64 KB), kept
// after the pass that ended its frame, so the machine continues from it
// exactly as it did then. The session's settings (speed, window, sound,
// trace) are not part of it.
#pragma once
#include <array>
#include <cstdint>

#include "cpu/cpu_state.h"
#include "machine/machine.h"

constexpr int kRewindPoints = 60;          // one a second for a minute
constexpr std::int64_t kRewindStepFrames = 50;  // an emulated second

struct RewindPoint {
  std::int64_t frame = 0;  // frames ended in the run when it was kept
  CpuState cpu;
  // The tape's image is shared, not copied: a point keeps the tape that was
  // in then, and where it stood.
  MachineHardware hardware;
};

// About 4 MB: hold it on the heap (std::make_unique).
struct RewindStore {
  std::array<RewindPoint, kRewindPoints> points;
  int newest = 0;  // index of the newest point
  int count = 0;   // points kept, newest first, at most kRewindPoints
  std::int64_t frame = 0;  // frames ended in the run so far
};

// A new run (start-up, vantro-run's start): everything kept is forgotten
// and the machine as it is now is the first point, at frame 0.
void StartRewind(RewindStore& store, const CpuState& cpu, const MachineHardware& hardware);
// After a pass that ended one or more frames, with the run's frames ended
// so far: keeps a point when another emulated second has begun.
void RewindFramesEnded(RewindStore& store, std::int64_t frames, const CpuState& cpu,
                       const MachineHardware& hardware);
// Back to the newest point kept `seconds` emulated seconds ago or earlier;
// the points after it are forgotten and the run's frame count becomes its.
// False, with nothing changed, when no point is that old.
bool RewindSeconds(RewindStore& store, int seconds, CpuState& cpu, MachineHardware& hardware);
// "Rewind": one second back, or to the oldest point when none is a whole
// second old yet; false when there is nowhere to go.
bool RewindStep(RewindStore& store, CpuState& cpu, MachineHardware& hardware);
// How many whole seconds back the store reaches from now.
int RewindReach(const RewindStore& store);
