// The Hardware menu's selection rules: which joystick interface and which
// speech unit are fitted, and when changing them restarts the processor.
// Called by the main window's menu dispatch, which mirrors the result in
// its check marks through HardwareCheckMarks.
#pragma once

#include "machine/machine.h"

struct CpuState;

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

// Each returns whether it performed the hard reset (ResetCpu).
// `choice` must be one of the four interfaces, never Joystick::none.
bool ChooseJoystick(Machine& machine, CpuState& cpu, Joystick choice);
bool ToggleSweetTalker(Machine& machine, CpuState& cpu);
bool ToggleCurrah(Machine& machine, CpuState& cpu);
// A loaded snapshot's joystick: fitted without a restart, since the snapshot
// brings its own processor state. A speech unit that cannot be fitted beside
// it (the Sweet Talker shares the board only with Kempston, the Currah
// with none) is switched off.
void FitJoystick(Machine& machine, Joystick joystick);
