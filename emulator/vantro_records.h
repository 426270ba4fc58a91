// The records Vantro holds once for the whole run, created by start-up and
// passed by reference to the loop, the menu commands and the tool windows.
#pragma once
#include "cpu/cpu_state.h"
#include "debugger/breakpoint.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "tools/listing.h"

struct VantroRecords {
  CpuState cpu;
  Machine machine;
  Breakpoint breakpoint;
  DisplayRenderer renderer;
  // HexMode: decimal operands at start; the debugger's BASE button flips it.
  bool hex_mode = false;
  // Disassemble and Hex Dump propose the range last used.
  ListingState listing;
};
