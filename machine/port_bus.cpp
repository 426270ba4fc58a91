// The 48K port decoding behind IN and OUT: the ULA on even ports (keyboard
// half-rows with the Interface 2 joysticks laid over them; border, speaker
// and MIC out), the Kempston joystick and the Sweet Talker on odd ports.
// Called through the Spectrum's bus for every port instruction and by the
// emulation loop at each frame end.
#include "machine/port_bus.h"

namespace {

bool Held(const Machine& machine, HostKey key) {
  return (machine.host_keys & HostKeyBit(key)) != 0;
}

// The joystick directions as the interfaces see them: of two opposite
// directions held together only Up and Left count.
struct JoystickKeys {
  bool up, down, left, right, fire;
};

JoystickKeys ReadJoystick(const Machine& machine) {
  JoystickKeys keys{};
  keys.up = Held(machine, HostKey::Up);
  keys.down = !keys.up && Held(machine, HostKey::Down);
  keys.left = Held(machine, HostKey::Left);
  keys.right = !keys.left && Held(machine, HostKey::Right);
  keys.fire = Held(machine, HostKey::LeftCtrl);
  return keys;
}

// Interface 2 port 1 sits on keys 6-0 (row 4), port 2 on keys 1-5 (row 3);
// the bit of each direction within its half-row.
std::uint8_t Interface2Bits(const JoystickKeys& keys, int up, int down, int left,
                            int right, int fire) {
  unsigned v = 0;
  if (keys.up) v |= 1u << up;
  if (keys.down) v |= 1u << down;
  if (keys.left) v |= 1u << left;
  if (keys.right) v |= 1u << right;
  if (keys.fire) v |= 1u << fire;
  return static_cast<std::uint8_t>(v);
}

}  // namespace

std::uint8_t PortRead(Machine& machine, std::uint8_t low, std::uint8_t high, std::int32_t tstate) {
  if ((low & 0x01) == 0) {
    unsigned v = 0;
    for (int row = 0; row < 8; ++row) {
      if ((high & (1u << row)) == 0) v |= machine.key_rows[row];
    }
    if (machine.joystick == Joystick::if2_port1 && (high & 0x10) == 0) {
      v |= Interface2Bits(ReadJoystick(machine), 1, 2, 4, 3, 0);
    } else if (machine.joystick == Joystick::if2_port2 && (high & 0x08) == 0) {
      v |= Interface2Bits(ReadJoystick(machine), 3, 2, 0, 1, 4);
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
    const JoystickKeys keys = ReadJoystick(machine);
    unsigned v = 0;
    if (keys.right) v |= 0x01;
    if (keys.left) v |= 0x02;
    if (keys.down) v |= 0x04;
    if (keys.up) v |= 0x08;
    if (keys.fire) v |= 0x10;
    return static_cast<std::uint8_t>(v);
  }
  return 0xFF;
}

void PortWrite(Machine& machine, std::uint8_t low, std::uint8_t high, std::uint8_t value, std::int32_t tstate) {
  (void)high;  // no device here decodes the high byte on writes
  if ((low & 0x01) == 0) {
    machine.ula_out = value;
    BeeperWrite(machine.beeper, tstate, value);
    return;
  }
  if (machine.sweet_talker_on && (low & 0xF8) == 0 && machine.sweet_talker != nullptr) {
    machine.sweet_talker->Write(value);
  }
}

void SampleKeyboard(Machine& machine) {
  machine.key_rows.fill(0);
  for (int key = 0; key < kMatrixKeyCount; ++key) {
    if ((machine.host_keys >> key) & 1u) {
      machine.key_rows[key / 5] |= static_cast<std::uint8_t>(1u << (key % 5));
    }
  }
}
