// "Open" (File menu id 1 of the main window and the debugger): asks for a
// file and hands it by extension to the SNA or Z80 loader, or inserts it as
// a tape (TAP, TZX, CSW, PZX or WAVE). vantro-run's --load takes the same
// path through OpenFile.
#pragma once
#include <optional>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"
#include "tools/host.h"

// The file at path by its extension: .sna and .z80 (any case) are loaded as
// snapshots and take the tape out; anything else goes in as the tape. A
// refused file changes nothing, the tape included, and the reason is
// returned.
std::optional<FileProblem> OpenFile(Machine& machine, CpuState& cpu, const std::string& path);

// The menu command: a cancelled dialog changes nothing; a refused file is
// reported through host.
void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host);
