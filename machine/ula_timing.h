// The 48K ULA's frame, as the processor meets it: 312 lines of 224
// T-states, INT held low for the first 32 T-states of the frame, and the
// screen fetch that holds up the processor's accesses to 4000h-7FFFh during
// the 192 screen lines. T-state 0 is the first with INT low. The figures are
// those of the common ("early") 48K. Shared by the Spectrum's bus
// (contention), the port bus (the floating bus) and the display (the beam).
#pragma once
#include <array>
#include <cstdint>

constexpr int kLineTStates = 224;
constexpr int kFrameLines = 312;
constexpr int kUlaFrameTStates = kLineTStates * kFrameLines;  // 69,888
constexpr int kInterruptLength = 32;          // T-states INT stays low
constexpr int kFirstContendedTState = 14335;  // first T-state the ULA delays
constexpr int kScreenLines = 192;
constexpr int kFirstScreenLine = 64;          // frame line of pixel row 0
constexpr int kContendedTStatesPerLine = 128;
// The ULA's screen fetch, in 8-T groups over the first 128 T of each screen
// line: bitmap byte, its attribute, the next bitmap byte, its attribute,
// then 4 idle T-states. The first group fetches 4000h at 14,338, 5800h at
// 14,339, 4001h at 14,340 and 5801h at 14,341.
constexpr int kFirstFetchTState = 14338;
// The beam draws the top-left display pixel at 14,336, 2 pixels a T-state,
// so a line of 448 pixels (blanking included) takes 224 T.
constexpr int kFirstDisplayTState = 14336;

// The byte on the data bus at frame T-state t when nothing drives it: what
// the ULA fetches then, FFh while it fetches nothing (border, blanking, the
// idle half of each group, past the frame's end).
inline std::uint8_t FloatingBusByte(const std::uint8_t* memory, std::int32_t t) {
  const std::int32_t since = t - kFirstFetchTState;
  if (since < 0 || since >= kScreenLines * kLineTStates) return 0xFF;
  const int y = since / kLineTStates;
  const int in_line = since % kLineTStates;
  if (in_line >= kContendedTStatesPerLine || (in_line & 4) != 0) return 0xFF;
  const int column = (in_line >> 3) * 2 + ((in_line >> 1) & 1);
  if ((in_line & 1) == 0) {
    return memory[0x4000 + ((y & 0xC0) << 5) + ((y & 0x07) << 8) + ((y & 0x38) << 2) + column];
  }
  return memory[0x5800 + (y >> 3) * 32 + column];
}

// The delay an access to contended memory (or a contended port cycle) meets
// when it starts at frame T-state t: 6, 5, 4, 3, 2, 1, 0, 0 in each 8-T
// group of the screen lines' fetch. Past the frame (the instruction that
// runs over its end) lies the next frame's top border: no delay.
constexpr int ContentionDelayAt(std::int32_t t) {
  constexpr int kPattern[8] = {6, 5, 4, 3, 2, 1, 0, 0};
  const std::int32_t since = t - kFirstContendedTState;
  if (since < 0 || since >= kScreenLines * kLineTStates) return 0;
  const std::int32_t in_line = since % kLineTStates;
  if (in_line >= kContendedTStatesPerLine) return 0;
  return kPattern[in_line % 8];
}

// The same as a table over one frame plus a margin for an instruction's
// run past its end, so the bus pays one load per contended access.
struct ContentionTable {
  static constexpr int kSize = kUlaFrameTStates + 512;
  std::array<std::uint8_t, kSize> delay{};
  constexpr ContentionTable() {
    for (int t = 0; t < kSize; ++t) delay[t] = static_cast<std::uint8_t>(ContentionDelayAt(t));
  }
};

// Whether an address is in the RAM the ULA shares with the processor.
constexpr bool IsContendedAddress(std::uint16_t address) { return (address & 0xC000) == 0x4000; }

// The waits of one port cycle that starts at frame T-state t, by the
// port's address: the ULA answers even ports, and a high byte in
// 4000h-7FFFh looks like a contended memory address to it. `wait_at(t)`
// gives the delay of a contended T-state starting at t; the cycle's four
// T-states run
//   high byte not contended, even port: N:1 C:3
//   high byte not contended, odd port:  N:4
//   high byte contended, even port:     C:1 C:3
//   high byte contended, odd port:      C:1 C:1 C:1 C:1
// and the result is the cycle's total delay.
template <class WaitAt>
constexpr int PortCycleDelay(std::uint16_t port, std::int32_t t, WaitAt wait_at) {
  const bool high_contended = IsContendedAddress(port);
  const bool ula_port = (port & 0x01) == 0;
  std::int32_t now = t;
  if (high_contended) now += wait_at(now);
  now += 1;
  if (ula_port) {
    now += wait_at(now);
  } else if (high_contended) {
    for (int i = 0; i < 3; ++i) {
      now += wait_at(now);
      now += 1;
    }
    return static_cast<int>(now - t - 4);
  }
  return static_cast<int>(now - t - 1);
}
