// The 48K port decoding: even ports reach the ULA (keyboard in; border,
// speaker and MIC out), odd ports the Kempston joystick (in) and the Sweet
// Talker (out).
#pragma once
#include <cstdint>

#include "machine/machine.h"

struct CpuState;

// The result is left in cpu.io_data.
void PortRead(Machine& machine, CpuState& cpu, std::uint8_t low, std::uint8_t high);
// The byte written is taken from cpu.io_data.
void PortWrite(Machine& machine, CpuState& cpu, std::uint8_t low, std::uint8_t high);
// Frame end: copies the matrix keys held, or pressed since the last sample,
// into key_rows.
void SampleKeyboard(Machine& machine);
// A host key goes down or up (the window's key events).
void PressHostKey(Machine& machine, HostKey key);
void ReleaseHostKey(Machine& machine, HostKey key);
