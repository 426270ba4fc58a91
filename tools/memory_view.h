// A window onto the bytes the Z80 tools work on: Vantro hands them the whole
// 64 KB address space, Kelbrin its 16 KB ROM image (and its map). Addresses
// are 16-bit and wrap at FFFFh; an address past the end of a smaller space
// reads as 0 and cannot be written, so no tool can leave its array.
#pragma once
#include <cstddef>
#include <cstdint>

struct MemoryView {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;  // 65,536 for the emulator, 16,384 for the ROM editor

  std::uint8_t Read(std::uint32_t address) const {
    address &= 0xFFFF;
    return address < size ? data[address] : 0;
  }
  // Direct store: no write protection applies (Poke, character set editor).
  void Store(std::uint32_t address, std::uint8_t value) const {
    address &= 0xFFFF;
    if (address < size) data[address] = value;
  }
};
