// The Hardware menu's selection rules. The Sweet Talker only works beside
// the Kempston interface and the Currah Microspeech takes the place of every
// joystick interface, so fitting or removing a speech unit restarts the
// processor as plugging one into a real machine would.
#include "machine/hardware.h"

HardwareChecks HardwareCheckMarks(const Machine& machine) {
  HardwareChecks checks;
  checks.kempston = machine.joystick == Joystick::kempston;
  checks.if2_port1 = machine.joystick == Joystick::if2_port1;
  checks.if2_port2 = machine.joystick == Joystick::if2_port2;
  checks.cursor = machine.joystick == Joystick::cursor;
  checks.sweet_talker = machine.sweet_talker_on;
  checks.currah = machine.currah_on;
  return checks;
}

bool FitJoystick(Machine& machine, Joystick choice) {
  // "none" is no menu item; treating it as a choice would silently unplug
  // the joystick without the reset that removing the Currah implies.
  if (choice == Joystick::none || choice == machine.joystick) return false;
  bool reset = false;
  if (machine.joystick == Joystick::none) {
    // No joystick means the Currah is, or was until lately, fitted: taking
    // its place restarts the machine even when it was already switched off.
    machine.currah_on = false;
    reset = true;
  } else if (machine.sweet_talker_on) {
    machine.sweet_talker_on = false;
    reset = true;
  }
  machine.joystick = choice;
  return reset;
}

bool FlipSweetTalker(Machine& machine) {
  if (machine.sweet_talker_on) {
    machine.sweet_talker_on = false;
  } else {
    machine.joystick = Joystick::kempston;
    machine.currah_on = false;
    machine.sweet_talker_on = true;
  }
  return true;
}

bool FlipCurrah(Machine& machine) {
  if (machine.currah_on) {
    // The joystick stays unplugged until the user picks one.
    machine.currah_on = false;
  } else {
    machine.joystick = Joystick::none;
    machine.sweet_talker_on = false;
    machine.currah_on = true;
  }
  return true;
}
