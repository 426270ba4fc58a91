// A short, repeatable fuzz run in the test suite: the block/map loader entry
// fed with chosen seeds (bases and counts at and past the image's end, every
// map option, odd map values) and seeded random mutations of them.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "romeditor/fuzz/fuzz_entries.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Seed(std::uint16_t base, std::uint16_t count, std::uint8_t option, std::uint16_t map_size,
           std::size_t block_size) {
  Bytes bytes = {static_cast<std::uint8_t>(base), static_cast<std::uint8_t>(base >> 8),
                 static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8), option,
                 static_cast<std::uint8_t>(map_size), static_cast<std::uint8_t>(map_size >> 8)};
  for (std::size_t k = 0; k < map_size; ++k) bytes.push_back(static_cast<std::uint8_t>(k % 3));
  for (std::size_t k = 0; k < block_size; ++k) bytes.push_back(static_cast<std::uint8_t>(k * 13));
  return bytes;
}

Bytes Mutate(const Bytes& seed, std::mt19937& random) {
  Bytes bytes = seed;
  auto pick = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
  for (int k = 0, edits = 1 + static_cast<int>(random() % 6); k < edits; ++k) {
    switch (random() % 4) {
      case 0: if (!bytes.empty()) bytes[pick(bytes.size())] = static_cast<std::uint8_t>(random()); break;
      case 1: bytes.resize(pick(bytes.size() + 1)); break;
      case 2: bytes.resize(bytes.size() + pick(600), static_cast<std::uint8_t>(random())); break;
      default: if (bytes.size() > 4) bytes[pick(5)] = static_cast<std::uint8_t>(random()); break;
    }
  }
  return bytes;
}

TEST(KelbrinFuzzSeeds, BlockAndMapLoadersKeepInsideTheImage) {
  const std::vector<Bytes> seeds = {
      Seed(0, 16384, 1, 16384, 16384),      // whole ROM with map
      Seed(16000, 1000, 1, 1000, 1000),     // passes 3FFFh
      Seed(16383, 16383, 3, 0, 5),          // last byte only
      Seed(16384, 5, 2, 5, 5),              // base past the image
      Seed(65535, 65535, 1, 300, 10),
      Seed(100, 0, 1, 4, 4),                // count 0
      Seed(15000, 100, 3, 100, 100),
      Seed(0x3FFE, 2, 5, 2, 2),             // mapping off: code at the very end
      Seed(0x3FF0, 16, 1, 16, 16),          // map bytes 0, 1, 2 near the end
      Seed(0, 10, 0, 0, 0),                 // empty block file
  };
  for (const Bytes& seed : seeds) {
    ASSERT_TRUE(kelbrin_fuzz::FuzzRomBlock(seed.data(), seed.size())) << "seed of " << seed.size() << " bytes";
  }
  std::mt19937 random(20240607);
  for (int k = 0; k < 400; ++k) {
    Bytes input = Mutate(seeds[random() % seeds.size()], random);
    ASSERT_TRUE(kelbrin_fuzz::FuzzRomBlock(input.data(), input.size())) << "mutation " << k;
  }
}

}  // namespace
