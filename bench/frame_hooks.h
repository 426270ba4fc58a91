// Loop hooks for benchmarks that run the emulation loop without a window:
// frames are counted instead of shown, and the clock the renderer reads
// (for FLASH) runs on emulated time, 20 ms a frame, so the work done per
// frame does not depend on how fast the host is.
#pragma once
#include <cstdint>

#include "emulator/emulation_loop.h"

struct FrameCountingHooks : LoopHooks {
  long frames = 0;
  void Present() override { ++frames; }
  void OpenDebugger() override {}
};

struct FrameClock : MillisecondClock {
  const long& frames;
  explicit FrameClock(const long& counted) : frames(counted) {}
  std::uint32_t NowMs() override { return static_cast<std::uint32_t>(frames * 20); }
};
