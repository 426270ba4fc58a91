// SNA snapshots: the 27-byte register header plus 48 KB of RAM, with the
// program counter carried on the emulated stack. Load is reached through
// OpenFile; "Save SNA" is a command of the main window and the debugger.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"
#include "tools/host.h"

constexpr std::size_t kSnaHeaderLength = 27;
constexpr std::size_t kSnaFileLength = kSnaHeaderLength + 49152;

// Loads the snapshot at path, or returns why not (unreadable, not 49,179
// bytes long) and changes nothing.
std::optional<FileProblem> LoadSna(Machine& machine, CpuState& cpu, const std::string& path);
// The same for a file already in memory (a member of an archive).
std::optional<FileProblem> LoadSnaBytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes);

// Writes the machine's state to path: a Z80 version 3 file when the name
// ends in .z80 (any case), SZX for .szx, SNA otherwise. Nothing on a clean save; a problem
// when the file could not be written, or, for an SNA file that was written,
// when the stack reached into the protected ROM so the pushed PC was lost
// and the snapshot will not resume where it stopped.
std::optional<FileProblem> SaveSnapshot(Machine& machine, CpuState& cpu, const std::string& path);

// "Save SNA": asks for a file name (".sna" added to a bare one) and saves;
// always ends with a message.
void SaveSnaCommand(Machine& machine, CpuState& cpu, Host& host);
