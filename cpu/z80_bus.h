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
