// The built-in 16 KB Sinclair 48K ROM, shared by Vantro (copied into memory at
// start-up) and Kelbrin (copied into its ROM image).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

constexpr std::size_t kRomSize = 16384;

// The 16,384 bytes of the built-in ROM.
std::span<const std::uint8_t, kRomSize> BuiltInRom();
