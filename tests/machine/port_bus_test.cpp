// Port decoding as the processor sees it through IN and OUT: keyboard
// half-rows, the Interface 2 and Kempston joysticks, the floating bus, the
// border and the routing of Sweet Talker bytes.
#include "machine/port_bus.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>


namespace {

std::uint64_t Keys(std::initializer_list<HostKey> keys) {
  std::uint64_t bits = 0;
  for (HostKey k : keys) bits |= HostKeyBit(k);
  return bits;
}

struct RecordingTalker : SweetTalkerPort {
  std::vector<std::uint8_t> bytes;
  void Write(std::uint8_t byte) override { bytes.push_back(byte); }
};

class PortBusTest : public ::testing::Test {
 protected:
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();

  std::uint8_t In(std::uint8_t low, std::uint8_t high) { return PortRead(*machine, low, high, 0); }
  void Out(std::uint8_t low, std::uint8_t high, std::uint8_t value) { PortWrite(*machine, low, high, value, 0); }
  void HoldMatrixKeys(std::initializer_list<HostKey> keys) {
    machine->host_keys = Keys(keys);
    SampleKeyboard(*machine);
  }
};

TEST_F(PortBusTest, KeyboardReadsSelectedHalfRowsActiveLow) {
  // One key in each of rows 0, 3 and 7: CAPS SHIFT, 5 and B.
  HoldMatrixKeys({HostKey::LeftShift, HostKey::Digit5, HostKey::B});
  struct Case {
    std::uint8_t high, expected;
    const char* what;
  } cases[] = {
      {0xFF, 0xBF, "no row selected reads BFh whatever is held"},
      {0x00, 0xBF ^ 0x11, "all rows at once: OR of CAPS SHIFT (bit 0) and 5/B (bit 4)"},
      {0xFE, 0xBE, "row 0 alone: CAPS SHIFT"},
      {0xF7, 0xAF, "row 3 alone: key 5"},
      {0x7F, 0xAF, "row 7 alone: key B"},
      {0xFD, 0xBF, "row 1 alone: nothing held there"},
      {0x76, 0xAE, "rows 0, 3 and 7 together"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(In(0xFE, c.high), c.expected) << c.what;
  }
}

TEST_F(PortBusTest, AnyEvenLowByteReachesTheUla) {
  HoldMatrixKeys({HostKey::Q});
  EXPECT_EQ(In(0x00, 0xFB), 0xBE);
  EXPECT_EQ(In(0x7E, 0xFB), 0xBE);
}

TEST_F(PortBusTest, SampleKeyboardMapsEveryMatrixKeyToItsRowAndBit) {
  for (int key = 0; key < kMatrixKeyCount; ++key) {
    HoldMatrixKeys({static_cast<HostKey>(key)});
    for (int row = 0; row < 8; ++row) {
      const std::uint8_t want = row == key / 5 ? static_cast<std::uint8_t>(1u << (key % 5)) : 0;
      EXPECT_EQ(machine->key_rows[row], want) << "key " << key << " row " << row;
    }
  }
}

TEST_F(PortBusTest, JoystickKeysNeverReachTheMatrix) {
  HoldMatrixKeys({HostKey::Up, HostKey::Down, HostKey::Left, HostKey::Right, HostKey::LeftCtrl});
  for (std::uint8_t row : machine->key_rows) EXPECT_EQ(row, 0);
  machine->joystick = Joystick::kempston;
  EXPECT_EQ(In(0xFE, 0x00), 0xBF);
}

TEST_F(PortBusTest, KeyRowsStayAsSampledUntilTheNextFrameEnd) {
  HoldMatrixKeys({HostKey::A});
  machine->host_keys = 0;  // released between two frame ends
  EXPECT_EQ(In(0xFE, 0xFD), 0xBE);
  SampleKeyboard(*machine);
  EXPECT_EQ(In(0xFE, 0xFD), 0xBF);
}

TEST_F(PortBusTest, KeyTappedBetweenTwoSamplesIsSeenForOneFrame) {
  for (HostKey key : {HostKey::A, HostKey::LeftCtrl}) {
    machine->joystick = Joystick::kempston;
    PressHostKey(*machine, key);
    ReleaseHostKey(*machine, key);
    EXPECT_EQ(machine->host_keys, 0u);
    const bool matrix = key == HostKey::A;
    if (!matrix) {
      EXPECT_EQ(In(0x1F, 0x00), 0x10) << "the tapped fire waits for the frame end";
    }
    SampleKeyboard(*machine);
    EXPECT_EQ(In(0xFE, 0xFD), matrix ? 0xBE : 0xBF) << "the frame after the tap";
    EXPECT_EQ(In(0x1F, 0x00), 0x00);
    SampleKeyboard(*machine);
    EXPECT_EQ(In(0xFE, 0xFD), 0xBF) << "gone the frame after";
  }
  // A chord whose Shift went down before a sample and came up, with its key,
  // before the next: the key's frame still carries the Shift.
  PressHostKey(*machine, HostKey::LeftShift);
  SampleKeyboard(*machine);
  PressHostKey(*machine, HostKey::Digit0);
  ReleaseHostKey(*machine, HostKey::Digit0);
  ReleaseHostKey(*machine, HostKey::LeftShift);
  SampleKeyboard(*machine);
  EXPECT_EQ(In(0xFE, 0xFE), 0xBE) << "CAPS SHIFT is lost from the tapped Shift+0";
  EXPECT_EQ(In(0xFE, 0xEF), 0xBE) << "0 is lost from the tapped Shift+0";
}

TEST_F(PortBusTest, GamePadsDriveTheChosenInterfaceAndTheSecondPadTheOtherPort) {
  struct Case {
    Joystick joystick;
    std::uint8_t first, second, low, high, expected;
    const char* what;
  } cases[] = {
      {Joystick::kempston, kLineUp | kLineFire, kLineLeft, 0x1F, 0x00, 0x18, "Kempston: first pad only"},
      {Joystick::kempston, kLineLeft | kLineRight, 0, 0x1F, 0x00, 0x02, "Left wins over Right"},
      {Joystick::if2_port1, kLineFire, kLineFire, 0xFE, 0xEF, 0xBE, "port 1 chosen: first pad on 0"},
      {Joystick::if2_port1, kLineFire, kLineUp | kLineDown, 0xFE, 0xF7, 0xB7, "second pad on port 2: Up is 4"},
      {Joystick::if2_port2, kLineFire, 0, 0xFE, 0xF7, 0xAF, "port 2 chosen: first pad on 5"},
      {Joystick::if2_port2, 0, kLineRight, 0xFE, 0xEF, 0xB7, "second pad on port 1: Right is 7"},
      {Joystick::cursor, kLineFire, kLineFire, 0xFE, 0x00, 0xBF, "cursor answers nowhere"},
  };
  for (const auto& c : cases) {
    machine->joystick = c.joystick;
    machine->key_rows.fill(0);
    machine->host_keys = 0;
    machine->pad_lines = {c.first, c.second};
    EXPECT_EQ(In(c.low, c.high), c.expected) << c.what;
  }
}

TEST_F(PortBusTest, InterfaceTwoJoysticksAppearAsNumberKeys) {
  struct Case {
    Joystick joystick;
    std::initializer_list<HostKey> held;
    std::uint8_t high, expected;
    const char* what;
  } cases[] = {
      {Joystick::if2_port1, {HostKey::Up, HostKey::Left}, 0xEF, 0xAD, "port 1 Up+Left: keys 9 and 6"},
      {Joystick::if2_port1, {HostKey::Up, HostKey::Down}, 0xEF, 0xBD, "port 1 Up wins over Down"},
      {Joystick::if2_port1, {HostKey::Down, HostKey::Right}, 0xEF, 0xB3, "port 1 Down+Right: keys 8 and 7"},
      {Joystick::if2_port1, {HostKey::Left, HostKey::Right}, 0xEF, 0xAF, "port 1 Left wins over Right"},
      {Joystick::if2_port1, {HostKey::LeftCtrl}, 0xEF, 0xBE, "port 1 fire: key 0"},
      {Joystick::if2_port1, {HostKey::Up, HostKey::LeftCtrl}, 0xF7, 0xBF, "port 1 not seen on row 3"},
      {Joystick::if2_port1, {HostKey::LeftCtrl}, 0x00, 0xBE, "port 1 seen when all rows are read"},
      {Joystick::if2_port2, {HostKey::Up, HostKey::Left}, 0xF7, 0xB6, "port 2 Up+Left: keys 4 and 1"},
      {Joystick::if2_port2, {HostKey::Down, HostKey::Right}, 0xF7, 0xB9, "port 2 Down+Right: keys 3 and 2"},
      {Joystick::if2_port2, {HostKey::LeftCtrl}, 0xF7, 0xAF, "port 2 fire: key 5"},
      {Joystick::if2_port2, {HostKey::LeftCtrl}, 0xEF, 0xBF, "port 2 not seen on row 4"},
      {Joystick::kempston, {HostKey::LeftCtrl}, 0x00, 0xBF, "Kempston adds nothing to the rows"},
      {Joystick::cursor, {HostKey::Up, HostKey::LeftCtrl}, 0x00, 0xBF, "cursor joystick answers nowhere"},
  };
  for (const auto& c : cases) {
    machine->joystick = c.joystick;
    machine->key_rows.fill(0);
    machine->host_keys = Keys(c.held);  // read live, no sampling needed
    EXPECT_EQ(In(0xFE, c.high), c.expected) << c.what;
  }
}

TEST_F(PortBusTest, InterfaceTwoOverlaysHeldSpectrumKeys) {
  machine->joystick = Joystick::if2_port1;
  HoldMatrixKeys({HostKey::Digit7});
  machine->host_keys |= Keys({HostKey::LeftCtrl});
  EXPECT_EQ(In(0xFE, 0xEF), 0xB6);  // 7 from the matrix, 0 from fire
}

TEST_F(PortBusTest, KempstonAnswersOddPortsWithLowBitsFiveToSevenClear) {
  struct Case {
    Joystick joystick;
    std::initializer_list<HostKey> held;
    std::uint8_t low, expected;
    const char* what;
  } cases[] = {
      {Joystick::kempston, {}, 0x1F, 0x00, "nothing held reads 00h"},
      {Joystick::kempston, {HostKey::Right, HostKey::LeftCtrl}, 0x1F, 0x11, "Right and fire"},
      {Joystick::kempston, {HostKey::Right, HostKey::LeftCtrl}, 0x3F, 0xFF, "port 3Fh is not decoded"},
      {Joystick::kempston, {HostKey::Right, HostKey::LeftCtrl}, 0xDF, 0xFF, "port DFh is not decoded"},
      {Joystick::kempston, {HostKey::Up}, 0x01, 0x08, "port 01h is decoded: Up"},
      {Joystick::kempston, {HostKey::Up, HostKey::Down}, 0x1F, 0x08, "Up wins over Down"},
      {Joystick::kempston, {HostKey::Down}, 0x1F, 0x04, "Down"},
      {Joystick::kempston, {HostKey::Left, HostKey::Right}, 0x1F, 0x02, "Left wins over Right"},
      {Joystick::kempston, {HostKey::A, HostKey::Space}, 0x1F, 0x00, "matrix keys are not the joystick"},
      {Joystick::if2_port1, {HostKey::Right}, 0x1F, 0xFF, "Interface 2 selected: port 1Fh reads FFh"},
      {Joystick::none, {HostKey::Right}, 0x1F, 0xFF, "no interface: FFh"},
      {Joystick::cursor, {HostKey::Right}, 0x1F, 0xFF, "cursor: FFh"},
  };
  for (const auto& c : cases) {
    machine->joystick = c.joystick;
    machine->host_keys = Keys(c.held);
    for (std::uint8_t high : {0x00, 0xFF}) {
      EXPECT_EQ(In(c.low, high), c.expected) << c.what << ", high byte " << int{high};
    }
  }
}

// A port nothing answers reads the byte the ULA fetches at that T-state:
// in each 8-T group of a screen line's first 128 T, bitmap, attribute, the
// next bitmap byte, its attribute, then 4 idle T-states (FFh), and FFh in
// the border and blanking.
TEST_F(PortBusTest, UnansweredPortReadsTheFloatingBus) {
  for (int a = 0x4000; a < 0x5B00; ++a) machine->memory[a] = static_cast<std::uint8_t>((a * 7 + (a >> 8)) & 0x7F);
  auto at = [&](int address) { return machine->memory[address]; };
  constexpr int kLine = 224;
  struct Case {
    std::int32_t tstate;
    int address;  // 0: FFh
    const char* what;
  } cases[] = {
      {0, 0, "top border"},
      {14337, 0, "a T-state before the first fetch"},
      {14338, 0x4000, "first bitmap byte"},
      {14339, 0x5800, "its attribute"},
      {14340, 0x4001, "second bitmap byte"},
      {14341, 0x5801, "its attribute"},
      {14342, 0, "idle"},
      {14345, 0, "idle, last"},
      {14346, 0x4002, "next group"},
      {14338 + 120, 0x401E, "last group of the line"},
      {14338 + 123, 0x581F, "the line's last attribute"},
      {14338 + 124, 0, "right border"},
      {14338 + 200, 0, "blanking"},
      {14338 + kLine, 0x4100, "line 1 is the next pixel row in its character"},
      {14338 + 8 * kLine + 1, 0x5820, "line 8's attributes are the next row's"},
      {14338 + 64 * kLine + 2, 0x4801, "line 64 opens the second third"},
      {14338 + 191 * kLine + 123, 0x5AFF, "the last attribute of the screen"},
      {14338 + 192 * kLine, 0, "bottom border"},
      {69887, 0, "the frame's last T-state"},
      {70000, 0, "past the frame's end"},
  };
  const struct {
    Joystick joystick;
    std::uint8_t low;
  } ports[] = {{Joystick::kempston, 0x3F}, {Joystick::kempston, 0xFF}, {Joystick::if2_port1, 0x1F}, {Joystick::none, 0x01}};
  for (const auto& port : ports) {
    machine->joystick = port.joystick;
    for (const auto& c : cases) {
      const std::uint8_t want = c.address == 0 ? 0xFF : at(c.address);
      EXPECT_EQ(PortRead(*machine, port.low, 0x40, c.tstate), want)
          << c.what << " (T " << c.tstate << ", port " << int{port.low} << ")";
    }
  }
  machine->joystick = Joystick::kempston;
  EXPECT_EQ(PortRead(*machine, 0x1F, 0x00, 14338), 0x00) << "the Kempston interface answers its port";
  EXPECT_EQ(PortRead(*machine, 0xFE, 0xFF, 14338), 0xBF) << "the ULA answers even ports";
}

TEST_F(PortBusTest, EvenPortWriteKeepsTheWholeByteAsUlaOut) {
  Out(0xFE, 0x00, 0x17);
  EXPECT_EQ(machine->ula_out, 0x17);
  EXPECT_EQ(machine->ula_out & 7, 7) << "border colour";
  Out(0x00, 0xAB, 0x02);
  EXPECT_EQ(machine->ula_out, 0x02);
  Out(0x1F, 0x00, 0x05);
  EXPECT_EQ(machine->ula_out, 0x02) << "odd ports leave the ULA alone";
}

TEST_F(PortBusTest, SweetTalkerGetsOddWritesToPortsOneToSevenOnlyWhenFitted) {
  RecordingTalker talker;
  machine->sweet_talker = &talker;
  machine->sweet_talker_on = true;
  for (std::uint8_t low : {0x01, 0x03, 0x05, 0x07}) Out(low, 0xFF, low);
  for (std::uint8_t low : {0x09, 0x1F, 0x81, 0xFF, 0xFE, 0x00}) Out(low, 0x00, 0xEE);
  EXPECT_EQ(talker.bytes, (std::vector<std::uint8_t>{0x01, 0x03, 0x05, 0x07}));

  talker.bytes.clear();
  machine->sweet_talker_on = false;
  Out(0x01, 0x00, 0x20);
  EXPECT_TRUE(talker.bytes.empty()) << "unit not fitted";

  machine->sweet_talker_on = true;
  machine->sweet_talker = nullptr;
  const std::uint8_t border = machine->ula_out;
  Out(0x01, 0x00, 0x20);  // fitted but not connected: must not crash
  EXPECT_EQ(machine->ula_out, border);
}

}  // namespace
