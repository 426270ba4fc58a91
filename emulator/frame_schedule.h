// Real-time pacing by frames: in a run at r frames a second, frame n is due
// at start + n seconds / r on the host's monotonic clock, so rounding never
// accumulates and the rate is right from the first second. Plain C++ shared
// by the window, vantro-run and the benchmark; each waits in its own way.
#pragma once
#include <cstdint>

#include "machine/monotonic_clock.h"

struct Machine;

// Further behind than this (a modal window, a debugger stop, a slow host)
// the schedule starts again from now instead of racing to catch up.
constexpr std::int64_t kFramesBehindLimit = 4;

struct FrameSchedule {
  int rate = 0;               // frames a second being paced; 0 while unpaced
  std::int64_t start_ns = 0;  // when frame 0 of this run ended
  std::int64_t frames = 0;    // frames ended since then
};

// The frames a second the machine wants now, 0 for "No Limit". Read once
// per frame end, so whatever sets the mode (a Speed item, a temporary run
// without limit) takes effect at the next frame and costs nothing else.
int WantedFrameRate(const Machine& machine);

// Called at each frame end, after the frame is shown, with the wanted rate
// and the time now: returns when the next frame may begin. A rate that
// differs from the schedule's (a speed change, leaving "No Limit") restarts
// the schedule from now; rate 0 returns now.
std::int64_t NextFrameDue(FrameSchedule& schedule, int rate, std::int64_t now_ns);

// Moves every later due time by shift_ns: after the machine stood still
// (the Sweet Talker's hold) by the time held, so it is not caught up; a
// sound output may also stretch or shrink the schedule a little this way.
void ShiftSchedule(FrameSchedule& schedule, std::int64_t shift_ns);

// NextFrameDue, then the clock's wait until then: vantro-run's pacing.
void PaceFrame(FrameSchedule& schedule, int rate, MonotonicClock& clock);
