// Machine: everything of the emulated 48K computer that is not processor
// state, in two parts. MachineHardware is the computer itself (memory, ULA,
// keyboard rows, tape, the fitted joystick and speech interfaces) and
// nothing else, so saving and restoring it is one plain copy of about
// 64 KB; Machine adds the session's settings and host-side buffers (speed,
// window and palette, the trace buffer, the beeper's sound output, the
// quit request). One Machine lives for the whole run, created by the
// program's main and passed by reference to every subsystem.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "machine/beeper.h"
#include "machine/input_log.h"
#include "machine/tape_recorder.h"
#include "machine/tape_signal.h"

// Host keys by position on the keyboard (scan code), never by the character
// they produce, so AZERTY or Dvorak layouts still reach the right Spectrum
// keys. The first 40 follow the Spectrum matrix: index = half-row * 5 + bit.
enum class HostKey : std::uint8_t {
  LeftShift, Z, X, C, V,            // row 0 (A8): CAPS SHIFT Z X C V
  A, S, D, F, G,                    // row 1 (A9)
  Q, W, E, R, T,                    // row 2 (A10)
  Digit1, Digit2, Digit3, Digit4, Digit5,  // row 3 (A11)
  Digit0, Digit9, Digit8, Digit7, Digit6,  // row 4 (A12)
  P, O, I, U, Y,                    // row 5 (A13)
  Return, L, K, J, H,               // row 6 (A14): ENTER L K J H
  Space, RightShift, M, N, B,       // row 7 (A15): SPACE SYMBOL-SHIFT M N B
  Up, Down, Left, Right, LeftCtrl,  // joystick keys; Left Ctrl is fire
  kCount
};
constexpr int kMatrixKeyCount = 40;

inline std::uint64_t HostKeyBit(HostKey key) {
  return std::uint64_t{1} << static_cast<unsigned>(key);
}

enum class Joystick : std::uint8_t { kempston, if2_port1, if2_port2, cursor, none };
// A joystick's five lines as bits, as the host's game pads report them.
enum JoystickLine : std::uint8_t {
  kLineUp = 1, kLineDown = 2, kLineLeft = 4, kLineRight = 8, kLineFire = 16,
};
enum class VideoOutput : std::uint8_t { colour, monochrome, green };

// Receives bytes written to the Sweet Talker's ports; the speech unit fills
// it in, the port bus only routes to it.
struct SweetTalkerPort {
  virtual ~SweetTalkerPort() = default;
  virtual void Write(std::uint8_t byte) = 0;
};

// A recording as mono samples at `rate` a second, as the host's WAVE
// reader decodes a file.
struct PcmSound {
  std::uint32_t rate = 0;
  std::vector<std::int16_t> samples;
};
// The host's WAVE reader: false, with a one-line reason, for a file it
// cannot decode. The core has none of its own; the program plugs SDL's in.
using WaveDecoder = bool (*)(const std::vector<std::uint8_t>& file, PcmSound& sound, std::string& reason);

struct DisplayRenderer;

constexpr std::uint16_t kProtectedFloor = 0x4000;

struct MachineHardware {
  std::array<std::uint8_t, 65536> memory{};
  std::uint16_t write_floor = kProtectedFloor;
  std::uint8_t ula_out = 0;
  std::array<std::uint8_t, 8> key_rows{};
  Joystick joystick = Joystick::kempston;
  bool sweet_talker_on = false;
  bool currah_on = false;
  // The speech unit the Sweet Talker's port reaches; wired once at start-up.
  SweetTalkerPort* sweet_talker = nullptr;
  std::uint8_t flash_phase = 0;
  std::uint32_t flash_toggled_at = 0;
  std::int32_t frame_tstates = 0;
  // The inserted tape and where it stands; the port bus plays it into the
  // EAR bit, the trap serves its standard blocks.
  TapeSignal tape_signal;
  bool tape_active = false;  // true exactly while a tape is in
};

// Rewind keeps a copy a second for a minute: 60 of them must stay within
// 5 MB, so nothing large joins the hardware but the memory.
static_assert(sizeof(MachineHardware) <= 80 * 1024, "MachineHardware must stay one cheap copy");

struct Machine : MachineHardware {
  // Host keys held right now (bits by HostKey); the platform keeps it up to
  // date from key events, the port bus samples it.
  std::uint64_t host_keys = 0;
  // Keys pressed since the last sample, released since or not: a tap
  // between two samples still reaches the machine for one frame.
  std::uint64_t host_keys_pressed = 0;
  // The host's game pads (JoystickLine bits): [0] drives the chosen
  // interface beside the joystick keys, [1] Interface 2's other port.
  std::array<std::uint8_t, 2> pad_lines{};
  // "Fast Border Render": the whole border in the colour of the frame end
  // instead of as the beam met it.
  bool fast_border = false;
  VideoOutput video_output = VideoOutput::colour;
  bool double_size = false;
  bool speed_limited = true;
  std::uint8_t target_frames = 50;
  bool quit_requested = false;
  // What the machine has saved since start-up; "Save Tape As..." writes it
  // after the tape in. The session's, not the hardware's: going back in
  // time does not unsave anything.
  TapeRecording tape_recording;
  bool fast_load = true;              // "Fast Tape Loading": the traps load and save standard blocks
  bool fast_forward_loading = true;   // "Fast-Forward While Loading"
  // Wiring, as sweet_talker is: how "Open" decodes a WAVE file into a tape;
  // none refuses WAVE files.
  WaveDecoder wave_decoder = nullptr;
  // The debugger's running T-state total, kept apart from frame_tstates so
  // that opening the debugger, stepping and leaving never move the machine
  // within its frame: the beam and the interrupt stay where they were.
  std::int32_t debugger_total = 0;
  bool trace_on = false;
  std::array<std::uint8_t, 65536> trace_buffer{};
  std::uint16_t trace_fill = 0;
  // The last flush could not write all of its block to its file; whoever
  // opens the debugger after it tells the user and clears it.
  bool trace_write_failed = false;
  bool screen_loaded = false;  // a raw block was loaded at 4000h
  // Wiring, as sweet_talker is: the picture the processor's screen and
  // border writes draw up to their T-state before they land (the emulation
  // loop sets it to its renderer); none draws the frame at its end only.
  DisplayRenderer* beam = nullptr;
  // The loudspeaker's sound on its way out: the frame's level changes and
  // the samples made of them at each frame end. The level the program set
  // is the hardware's ula_out; these buffers (some 70 KB) are the host's.
  Beeper beeper;
  // The RZX recording being made or played, if any.
  InputLog input_log;
};

// Processor-side memory access: reads always succeed, stores below
// write_floor are dropped without a word.
inline std::uint8_t ReadByte(const Machine& m, std::uint16_t address) {
  return m.memory[address];
}
inline void WriteByte(Machine& m, std::uint16_t address, std::uint8_t value) {
  if (address >= m.write_floor) m.memory[address] = value;
}
// Loaders, Poke and the character set editor write past the protection.
inline void StoreDirect(Machine& m, std::uint16_t address, std::uint8_t value) {
  m.memory[address] = value;
}

// The T-state of the machine's life at this point of the frame: the closed
// frames (counted by the tape), the frame so far and the instruction's own
// T-states not yet moved into the frame.
inline std::uint64_t TapeNow(const Machine& m, std::uint32_t cpu_tstates) {
  return m.tape_signal.clock + static_cast<std::uint64_t>(m.frame_tstates) + cpu_tstates;
}

// Start-up state: the built-in ROM at 0000h-3FFFh, RAM zeroed, protection
// on, every field at its initial value. The Sweet Talker connection and
// the tape are wiring owned by others and are left as they are.
void InitMachine(Machine& m);
// "Write Protect ROM": flips write_floor between 4000h and 0000h; returns
// whether the item is now checked (protection on).
bool ToggleWriteProtect(Machine& m);
