// The Hardware menu's selection rules: which joystick interface and which
// speech unit are fitted, and when changing them restarts the machine. The
// restart itself is the processor's, so the commands that carry it out live
// in the Spectrum layer (computer/computer.h), which calls these; the main
// window's menu dispatch mirrors the result in its check marks through
// HardwareCheckMarks.
#pragma once

#include "machine/machine.h"

// The menu items as they appear, for texts and check marks.
inline constexpr char kKempstonItem[] = "Kempston";
inline constexpr char kInterface2Port1Item[] = "Sinclair Interface 2 Port 1";
inline constexpr char kInterface2Port2Item[] = "Sinclair Interface 2 Port 2";
inline constexpr char kCursorItem[] = "Cursor (Protek/AGF)";
inline constexpr char kSweetTalkerItem[] = "Cheetah Sweet Talker";
inline constexpr char kCurrahItem[] = "Currah Microspeech";

// Which Hardware items carry a check mark. Every rule keeps the marks equal
// to the Machine fields, so the marks are derived rather than stored.
struct HardwareChecks {
  bool kempston = false;
  bool if2_port1 = false;
  bool if2_port2 = false;
  bool cursor = false;
  bool sweet_talker = false;
  bool currah = false;
  bool operator==(const HardwareChecks&) const = default;
};

HardwareChecks HardwareCheckMarks(const Machine& machine);

// Each changes the fitted hardware and returns whether the change restarts
// the processor (a hard reset), as plugging the unit in or out of a real
// machine would. `choice` must be one of the four interfaces, never
// Joystick::none.
bool FitJoystick(Machine& machine, Joystick choice);
bool FlipSweetTalker(Machine& machine);
bool FlipCurrah(Machine& machine);
