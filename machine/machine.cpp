// Start-up state of the Machine record and the memory-side command of the
// Tools menu (write protection). Called by start-up and by the menu
// dispatch between two instructions.
#include "machine/machine.h"

#include <algorithm>

#include "data/rom_image.h"

void InitMachine(Machine& m) {
  const auto rom = BuiltInRom();
  m.memory.fill(0);
  std::copy(rom.begin(), rom.end(), m.memory.begin());
  m.write_floor = kProtectedFloor;
  m.ula_out = 0;
  m.key_rows.fill(0);
  m.host_keys = 0;
  m.host_keys_pressed = 0;
  m.pad_lines.fill(0);
  m.joystick = Joystick::kempston;
  m.sweet_talker_on = false;
  m.currah_on = false;
  m.fast_border = false;
  m.video_output = VideoOutput::colour;
  m.double_size = false;
  m.flash_phase = 0;
  m.flash_toggled_at = 0;
  m.frame_tstates = 0;
  m.speed_limited = true;
  m.target_frames = 50;
  m.quit_requested = false;
  m.tape_active = false;
  m.fast_load = true;
  m.fast_forward_loading = true;
  m.trace_on = false;
  m.trace_buffer.fill(0);
  m.trace_fill = 0;
  m.trace_write_failed = false;
  m.screen_loaded = false;
  ResetBeeper(m.beeper);
}

bool ToggleWriteProtect(Machine& m) {
  m.write_floor ^= kProtectedFloor;
  return m.write_floor != 0;
}
