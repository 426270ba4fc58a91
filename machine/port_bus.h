// The 48K port decoding: even ports reach the ULA (keyboard in; border,
// speaker and MIC out), odd ports the Kempston joystick (in) and the Sweet
// Talker (out). A read nothing answers returns the floating bus.
#pragma once
#include <cstdint>

#include "machine/machine.h"

// `tstate` is the access's position in the frame: the frame's T-states so
// far plus the processor's not yet moved into it. The tape's EAR signal and
// the beeper are timed by it.
std::uint8_t PortRead(Machine& machine, std::uint8_t low, std::uint8_t high, std::int32_t tstate);
void PortWrite(Machine& machine, std::uint8_t low, std::uint8_t high, std::uint8_t value, std::int32_t tstate);
// Frame end: copies the matrix keys held, or pressed since the last sample,
// into key_rows.
void SampleKeyboard(Machine& machine);
// A host key goes down or up (the window's key events).
void PressHostKey(Machine& machine, HostKey key);
void ReleaseHostKey(Machine& machine, HostKey key);
