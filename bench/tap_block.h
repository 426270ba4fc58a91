// One TAP block built in memory for the benchmarks' tapes: length word,
// flag, data and the XOR checksum the ROM's loader checks.
#pragma once
#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> TapBlock(std::uint8_t flag, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> block{static_cast<std::uint8_t>(data.size() + 2),
                                  static_cast<std::uint8_t>((data.size() + 2) >> 8), flag};
  std::uint8_t checksum = flag;
  for (std::uint8_t b : data) {
    block.push_back(b);
    checksum ^= b;
  }
  block.push_back(checksum);
  return block;
}
