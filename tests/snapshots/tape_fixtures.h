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

// The 17-byte header of a code block: type 3, name, length, start address
// and 32768.
inline Bytes CodeHeader(const std::string& name, std::uint16_t length, std::uint16_t start) {
  Bytes header = BasicHeader(name, length, start);
  header[0] = 0x03;
  header[15] = 0x00;
  header[16] = 0x80;
  return header;
}

// A TZX file's header: signature, version 1.20.
inline Bytes TzxHeader(std::uint8_t major = 1, std::uint8_t minor = 20) {
  return Bytes{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, major, minor};
}

// One TZX block: its id and body.
inline Bytes TzxBlock(std::uint8_t id, const Bytes& body) {
  Bytes block{id};
  block.insert(block.end(), body.begin(), body.end());
  return block;
}

inline void AppendWord(Bytes& bytes, std::uint32_t value, int size = 2) {
  for (int k = 0; k < size; ++k) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

// A standard speed data block (10h) holding one TAP block body (flag, data,
// checksum) with its pause.
inline Bytes TzxStandardBlock(const Bytes& tap_block, std::uint16_t pause_ms = 1000) {
  Bytes body;
  AppendWord(body, pause_ms);
  AppendWord(body, static_cast<std::uint32_t>(tap_block.size() - 2));
  body.insert(body.end(), tap_block.begin() + 2, tap_block.end());
  return TzxBlock(0x10, body);
}

// Turbo speed data (11h): the given pulse lengths, all bits of the last byte.
struct TurboTimings {
  std::uint16_t pilot, sync1, sync2, zero, one, pilot_count;
};
constexpr TurboTimings kStandardTimings{2168, 667, 735, 855, 1710, 3223};

inline Bytes TzxTurboBlock(const Bytes& tap_block, const TurboTimings& t, std::uint16_t pause_ms = 1000) {
  Bytes body;
  for (std::uint16_t word : {t.pilot, t.sync1, t.sync2, t.zero, t.one, t.pilot_count}) AppendWord(body, word);
  body.push_back(8);
  AppendWord(body, pause_ms);
  AppendWord(body, static_cast<std::uint32_t>(tap_block.size() - 2), 3);
  body.insert(body.end(), tap_block.begin() + 2, tap_block.end());
  return TzxBlock(0x11, body);
}

inline Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
