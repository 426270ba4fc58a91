// The frame schedule's arithmetic; see frame_schedule.h.
#include "emulator/frame_schedule.h"

#include "machine/machine.h"

int WantedFrameRate(const Machine& machine) {
  return machine.speed_limited ? machine.target_frames : 0;
}

std::int64_t NextFrameDue(FrameSchedule& schedule, int rate, std::int64_t now_ns) {
  if (rate <= 0) {
    schedule.rate = 0;
    return now_ns;
  }
  if (rate != schedule.rate) {
    schedule = FrameSchedule{rate, now_ns, 0};
    return now_ns;
  }
  ++schedule.frames;
  // Each due time from the start, not from the previous one: 1 s / 12 is
  // no whole number of nanoseconds, and the error must not add up.
  const std::int64_t due = schedule.start_ns + schedule.frames * kNsPerSecond / rate;
  if (now_ns - due > kFramesBehindLimit * kNsPerSecond / rate) {
    schedule = FrameSchedule{rate, now_ns, 0};
    return now_ns;
  }
  return due;
}

void ShiftSchedule(FrameSchedule& schedule, std::int64_t shift_ns) { schedule.start_ns += shift_ns; }

void PaceFrame(FrameSchedule& schedule, int rate, MonotonicClock& clock) {
  const std::int64_t due = NextFrameDue(schedule, rate, clock.NowNs());
  if (rate > 0) clock.WaitUntil(due);
}
