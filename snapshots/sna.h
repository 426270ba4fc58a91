// SNA snapshots: the 27-byte register header plus 48 KB of RAM, with the
// program counter carried on the emulated stack. Load is reached through
// LoadFileDispatcher; Save is the "Save SNA" menu command of the main window
// and the debugger.
#pragma once
#include <cstddef>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "tools/host.h"

constexpr std::size_t kSnaHeaderLength = 27;
constexpr std::size_t kSnaFileLength = kSnaHeaderLength + 49152;

// Loads the snapshot at path. A file of any other length than 49,179 bytes is
// ignored without a word; an unreadable one is reported through host.
void LoadSna(Machine& machine, CpuState& cpu, Host& host, const std::string& path);
// Asks for a file name and writes the machine's state to it.
void SaveSnaCommand(Machine& machine, CpuState& cpu, Host& host);
