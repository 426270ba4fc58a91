// Reading TAP images into blocks to play; see tape_image.h.
#include "snapshots/tape_image.h"

#include <utility>

bool ReadTapImage(std::vector<std::uint8_t> bytes, TapeImage& image) {
  if (bytes.empty()) return false;
  std::vector<SignalBlock> blocks;
  std::size_t at = 0;
  while (at < bytes.size()) {
    // Each block: a 16-bit length, then that many bytes (flag, data, checksum).
    if (bytes.size() - at < 2) return false;
    const std::size_t length = bytes[at] | bytes[at + 1] << 8;
    if (length < 2 || length > bytes.size() - at - 2) return false;
    blocks.push_back(StandardBlock(at + 2, length, bytes[at + 2]));
    at += 2 + length;
  }
  image.bytes = std::move(bytes);
  image.blocks = std::move(blocks);
  return true;
}
