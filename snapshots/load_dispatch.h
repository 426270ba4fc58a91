// "Open" (File menu id 1 of the main window and the debugger): asks for a
// file and hands it by extension to the SNA or Z80 loader, or inserts it as
// a tape (TAP, TZX, CSW, PZX or WAVE). A zip or gzip file is unpacked into
// memory and its member goes the same way by its own name. vantro-run's
// --load takes the same path through OpenFile.
#pragma once
#include <optional>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"
#include "tools/host.h"

// The file at path by its extension: .sna, .z80 and .szx (any case) are
// loaded as snapshots and take the tape out (an SZX file puts in the tape it
// carries), .rzx starts playing a recording; anything else goes in as the
// tape. A
// refused file changes nothing, the tape included, and the reason is
// returned. For an archive (.zip, .gz) holding several files Vantro opens,
// chooser (when given) is asked which; without one the first is taken. A
// cancelled choice changes nothing and returns no problem.
std::optional<FileProblem> OpenFile(Machine& machine, CpuState& cpu, const std::string& path,
                                    Host* chooser = nullptr);

// The menu command: a cancelled dialog changes nothing; a refused file is
// reported through host.
void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host);
