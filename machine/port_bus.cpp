// The 48K port decoding behind IN and OUT: the ULA on even ports (keyboard
// half-rows with the Interface 2 joysticks laid over them; border, speaker
// and MIC out), the Kempston joystick and the Sweet Talker on odd ports,
// and the floating bus where nothing answers.
// Called through the Spectrum's bus for every port instruction and by the
// emulation loop at each frame end.
#include "machine/port_bus.h"

#include "machine/display_renderer.h"
#include "machine/ula_timing.h"

namespace {

// Of two opposite directions held together only Up and Left count.
std::uint8_t Resolved(unsigned lines) {
  if (lines & kLineUp) lines &= ~unsigned{kLineDown};
  if (lines & kLineLeft) lines &= ~unsigned{kLineRight};
  return static_cast<std::uint8_t>(lines);
}

// The chosen interface's lines: the joystick keys (held now, or tapped since
// the last frame end) and the first game pad.
std::uint8_t JoystickLines(const Machine& machine) {
  const std::uint64_t keys = machine.host_keys | machine.host_keys_pressed;
  unsigned lines = machine.pad_lines[0];
  auto line = [&](HostKey key, JoystickLine bit) {
    if (keys & HostKeyBit(key)) lines |= bit;
  };
  line(HostKey::Up, kLineUp);
  line(HostKey::Down, kLineDown);
  line(HostKey::Left, kLineLeft);
  line(HostKey::Right, kLineRight);
  line(HostKey::LeftCtrl, kLineFire);
  return Resolved(lines);
}

// Interface 2 port 1 sits on keys 6-0 (row 4), port 2 on keys 1-5 (row 3);
// the bit of each direction within its half-row.
std::uint8_t Interface2Bits(std::uint8_t lines, int up, int down, int left, int right, int fire) {
  unsigned v = 0;
  if (lines & kLineUp) v |= 1u << up;
  if (lines & kLineDown) v |= 1u << down;
  if (lines & kLineLeft) v |= 1u << left;
  if (lines & kLineRight) v |= 1u << right;
  if (lines & kLineFire) v |= 1u << fire;
  return static_cast<std::uint8_t>(v);
}
std::uint8_t Port1Bits(std::uint8_t lines) { return Interface2Bits(lines, 1, 2, 4, 3, 0); }
std::uint8_t Port2Bits(std::uint8_t lines) { return Interface2Bits(lines, 3, 2, 0, 1, 4); }

}  // namespace

std::uint8_t PortRead(Machine& machine, std::uint8_t low, std::uint8_t high, std::int32_t tstate) {
  if ((low & 0x01) == 0) {
    unsigned v = 0;
    // Only the selected half-rows (address bits low): a loader selects one,
    // and reads the port thousands of times a frame.
    for (unsigned rows = ~high & 0xFFu; rows != 0; rows &= rows - 1) {
      v |= machine.key_rows[static_cast<unsigned>(__builtin_ctz(rows))];
    }
    // With Interface 2 the second pad plays on the port the first does not.
    if (machine.joystick == Joystick::if2_port1 || machine.joystick == Joystick::if2_port2) {
      const bool first_on_port1 = machine.joystick == Joystick::if2_port1;
      const std::uint8_t first = JoystickLines(machine);
      const std::uint8_t second = Resolved(machine.pad_lines[1]);
      if ((high & 0x10) == 0) v |= Port1Bits(first_on_port1 ? first : second);
      if ((high & 0x08) == 0) v |= Port2Bits(first_on_port1 ? second : first);
    }
    // Held keys read 0; bit 5 floats high, bit 7 high; EAR (bit 6) reads 0
    // unless a playing tape's signal is high.
    v ^= 0xBF;
    if (machine.tape_signal.playing) {
      const bool ear = TapeEarLevel(machine.tape_signal, machine.tape_signal.clock + static_cast<std::uint64_t>(tstate));
      if (ear) v |= 0x40;
      BeeperEar(machine.beeper, tstate, ear);
    }
    return static_cast<std::uint8_t>(v);
  }
  if (machine.joystick == Joystick::kempston && (low & 0xE0) == 0) {
    const std::uint8_t lines = JoystickLines(machine);
    unsigned v = 0;
    if (lines & kLineRight) v |= 0x01;
    if (lines & kLineLeft) v |= 0x02;
    if (lines & kLineDown) v |= 0x04;
    if (lines & kLineUp) v |= 0x08;
    if (lines & kLineFire) v |= 0x10;
    return static_cast<std::uint8_t>(v);
  }
  // Nothing answers: the data bus holds what the ULA is fetching (raster
  // waits of Arkanoid, Cobra and others read it), FFh outside the fetch.
  return FloatingBusByte(machine.memory.data(), tstate);
}

void PortWrite(Machine& machine, std::uint8_t low, std::uint8_t high, std::uint8_t value, std::int32_t tstate) {
  (void)high;  // no device here decodes the high byte on writes
  if ((low & 0x01) == 0) {
    // With the fast SAVE trap off, the MIC output is recorded as it moves.
    if (((machine.ula_out ^ value) & 0x08) != 0 && !machine.fast_load) {
      MicEdge(machine.tape_recording, (value & 0x08) != 0, machine.tape_signal.clock + static_cast<std::uint64_t>(tstate));
    }
    // The border drawn so far keeps the colour it had; the beam takes the
    // new one from this T-state on.
    if (((machine.ula_out ^ value) & 0x07) != 0 && !machine.fast_border) BeforeBorderChange(machine, tstate);
    machine.ula_out = value;
    BeeperWrite(machine.beeper, tstate, value);
    return;
  }
  if (machine.sweet_talker_on && (low & 0xF8) == 0 && machine.sweet_talker != nullptr) {
    machine.sweet_talker->Write(value);
  }
}

void SampleKeyboard(Machine& machine) {
  const std::uint64_t keys = machine.host_keys | machine.host_keys_pressed;
  machine.host_keys_pressed = 0;
  machine.key_rows.fill(0);
  for (int key = 0; key < kMatrixKeyCount; ++key) {
    if ((keys >> key) & 1u) {
      machine.key_rows[key / 5] |= static_cast<std::uint8_t>(1u << (key % 5));
    }
  }
}

void PressHostKey(Machine& machine, HostKey key) {
  machine.host_keys |= HostKeyBit(key);
  // The tap is kept with every key held as it went down: a Shift held since
  // before the last sample and let go before the next would otherwise leave
  // the tapped key to arrive alone (DELETE typed as 0).
  machine.host_keys_pressed |= machine.host_keys;
}

void ReleaseHostKey(Machine& machine, HostKey key) { machine.host_keys &= ~HostKeyBit(key); }
