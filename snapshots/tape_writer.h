// "Save Tape As..." and vantro-run's --save-tape: the tape in the deck, as it
// was read, followed by the blocks the machine has saved since start-up
// (machine/tape_recorder.h), as on a cassette that records after the blocks
// it played. Written as a TAP file when every block is at standard timings
// and the name does not ask for TZX, else as a TZX file.
#pragma once
#include <optional>
#include <string>

#include "machine/machine.h"
#include "snapshots/file_bytes.h"
#include "tools/host.h"

// Writes the tape to path; a name without an extension gets ".tap" when a
// TAP file can hold the tape, ".tzx" otherwise, and `written` the name used.
// A name ending in .tzx is always written as TZX; any other ending asks for
// TAP, refused when a block is not standard. Returns why nothing (or not
// all) was written; the machine is left as it was either way, apart from a
// recording still going on, which ends first.
std::optional<FileProblem> SaveTapeFile(Machine& machine, const std::string& path, std::string& written);

// The File menu command: asks for the name, saves, and shows any problem.
void SaveTapeCommand(Machine& machine, Host& host);
