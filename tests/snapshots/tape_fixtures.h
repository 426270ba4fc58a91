// Building TAP images in tests: blocks with correct lengths and checksums,
// and the BASIC header block the ROM's LOAD "" expects.
#pragma once
#include <cstdint>
#include <string>

#include "snapshot_files.h"

// One TAP block: length (flag + data + checksum), flag, data, XOR checksum.
inline Bytes TapBlock(std::uint8_t flag, const Bytes& data) {
  Bytes block;
  std::size_t length = data.size() + 2;
  block.push_back(static_cast<std::uint8_t>(length));
  block.push_back(static_cast<std::uint8_t>(length >> 8));
  block.push_back(flag);
  std::uint8_t checksum = flag;
  for (std::uint8_t byte : data) {
    block.push_back(byte);
    checksum ^= byte;
  }
  block.push_back(checksum);
  return block;
}

// The 17-byte header of a BASIC program: type 0, ten-character name, data
// length, auto-start line (8000h or more for none), program length.
inline Bytes BasicHeader(const std::string& name, std::uint16_t length, std::uint16_t autostart) {
  Bytes header{0x00};
  for (std::size_t k = 0; k < 10; ++k) {
    header.push_back(static_cast<std::uint8_t>(k < name.size() ? name[k] : ' '));
  }
  for (std::uint16_t word : {length, autostart, length}) {
    header.push_back(static_cast<std::uint8_t>(word));
    header.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return header;
}
