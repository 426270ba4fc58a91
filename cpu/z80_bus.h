// What the processor needs from the machine it runs in: memory reads and
// writes, port input and output, each with a 16-bit address. The Spectrum
// layer wires it to the 48K's memory and port bus; the instruction exerciser
// test to flat RAM. Plain member calls on a concrete type given as a
// template argument, so they inline into the decoder: no virtual call per
// access. The core takes the bus by value, so it must be a small handle
// (pointers to what it reaches): kept in registers, it costs the decoder
// nothing over reaching the memory directly.
#pragma once
#include <concepts>
#include <cstdint>

template <class B>
concept Z80Bus = requires(B& bus, std::uint16_t address, std::uint8_t value) {
  { bus.Read(address) } -> std::same_as<std::uint8_t>;
  bus.Write(address, value);
  // Ports: the low byte is the instruction's operand or C, the high byte A
  // or B, as the processor puts them on the address lines.
  { bus.In(address) } -> std::same_as<std::uint8_t>;
  bus.Out(address, value);
};

// Optional timing hooks, for a machine that holds the processor up. The
// core looks for them at compile time; a bus without them (flat RAM) runs
// every cycle at its nominal length at no cost.
//   unsigned Contend(std::uint16_t address, std::uint32_t tstates) const
//     the wait before a cycle that starts at `tstates` (the processor's
//     count) with `address` on the bus: every memory read, write and
//     opcode fetch, and every internal T-state that holds an address.
//   unsigned PortDelay(std::uint16_t port, std::uint32_t tstates) const
//     the total wait of a 4-T port cycle that starts at `tstates`.
// Read, Write, In and Out are called with CpuState::tstates at the moment
// of the transfer: a memory access after its wait, a port access three
// T-states before the end of its cycle, all its waits counted.
