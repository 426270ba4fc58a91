// "Open" (File menu id 1 of the main window and the debugger): takes the tape
// out, asks for a file and hands it by extension to the SNA or Z80 loader, or
// inserts it as a TAP tape image.
#pragma once
#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "tools/host.h"

void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host);
