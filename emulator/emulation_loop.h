// The emulation loop: one Z80 instruction (or one pass of a repeating block
// instruction) per pass, the frame end every 69,888 T-states, what the last
// instruction ran past it counting into the next frame (finish the picture,
// present, then the hooks' turn for host events and the wait for the
// frame's due time, then the keyboard), the interrupt offered at every
// instruction end in the frame's first 32 T-states, and after the
// instruction the tape loader trap and the breakpoint test. Plain C++ without a window, so
// Vantro's main window and the headless runner vantro-run drive the very
// same passes.
#pragma once
#include <cstdint>

#include "debugger/trace_file.h"
#include "debugger/traced_step.h"
#include "machine/speech.h"  // MillisecondClock

struct CpuState;
struct Machine;
struct Breakpoint;
struct DisplayRenderer;

constexpr int kBaseFrameRateTimesTwo = 25;   // 12.5 frames per second at 25%

// What the loop needs from whoever shows the picture and owns the debugger.
// Called at most once per frame (Present) or when the machine must stop
// (OpenDebugger), never per instruction.
class LoopHooks {
 public:
  virtual ~LoopHooks() = default;
  // The frame picture has been rendered: show it (at 200% as the 640x480
  // copy).
  virtual void Present() = 0;
  // The frame has ended and been shown; the keyboard is sampled and the
  // interrupt offered once this returns. The place for host events and for
  // waiting until the next frame is due (frame_schedule.h): a command run
  // here lands between two instructions of the program, before the frame
  // interrupt rather than between its acceptance and its handler.
  virtual void BetweenFrames() {}
  // A breakpoint fired (already disarmed) or the trace buffer was flushed to
  // "debug.lst": hand over to the debugger; returns when it is closed.
  virtual void OpenDebugger() = 0;
};

// The records one loop works on, all owned by the program's main.
struct EmulationLoop {
  CpuState& cpu;
  Machine& machine;
  Breakpoint& breakpoint;
  DisplayRenderer& renderer;
  MillisecondClock& clock;
  LoopHooks& hooks;
  // The program's HexMode (the debugger's BASE button): operand numbers of
  // traced instruction texts.
  const bool& hex_mode;
  // Reused by every traced instruction, so tracing allocates only while the
  // strings grow.
  TraceTexts trace_texts{};
  // Where flushed trace blocks go: "debug.lst" in the current directory for
  // the window; vantro-run's --trace names its own file.
  const char* trace_path = kTraceFileName;
};

// What happened during a pass; bits, kPassPlain when none.
enum PassOutcome : unsigned {
  kPassPlain = 0,
  kPassFrameEnded = 1u << 0,
  kPassBreakpointFired = 1u << 1,
  kPassTraceFlushed = 1u << 2,
};

// One pass: instruction (traced while trace_on), T-state transfer, frame
// end, the interrupt while INT is low, tape trap, breakpoint test.
unsigned RunPass(EmulationLoop& loop);

// Passes until one of them reports something (a frame end at the latest);
// returns that pass's outcome. quit_requested can only change on such a
// pass (window events and the debugger), so the caller tests it afterwards.
unsigned RunUntilFrameEnd(EmulationLoop& loop);

// "Speed" items "25%".."200%" (multiplier 1, 2, 4, 8): 12, 25, 50 or 100
// frames per second.
void ChooseSpeed(Machine& machine, int multiplier);
// "No Limit": frames follow each other as fast as the host allows.
void ChooseNoLimit(Machine& machine);
