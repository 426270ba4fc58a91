// Z80 snapshots of the first format version (30-byte header, plain or
// EDh EDh run-length image). Reached through LoadFileDispatcher.
#pragma once
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "tools/host.h"

constexpr std::size_t kZ80HeaderLength = 30;

// Loads the snapshot at path; later format versions (header PC 0) are
// refused with a message and a processor reset.
void LoadZ80(Machine& machine, CpuState& cpu, Host& host, const std::string& path);
