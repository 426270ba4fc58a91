// Building tapes in tests: TAP blocks with correct lengths and checksums,
// the BASIC header block the ROM's LOAD "" expects, TZX blocks, and the same
// blocks as recordings (CSW, WAVE, PZX, TZX 18h and 19h).
#pragma once
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

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

// The pulses of a TAP image's blocks as the ROM saves them (pilot, two sync
// pulses, two pulses a bit, the first pulse high), in T-states, each block
// followed by a second of the other level.
inline std::vector<std::uint32_t> RomPulses(const Bytes& tap) {
  std::vector<std::uint32_t> pulses;
  for (std::size_t at = 0; at + 2 <= tap.size();) {
    const std::size_t length = tap[at] | tap[at + 1] << 8;
    pulses.insert(pulses.end(), tap[at + 2] < 0x80 ? 8063 : 3223, 2168);
    pulses.insert(pulses.end(), {667, 735});
    for (std::size_t k = 0; k < length; ++k) {
      for (int bit = 7; bit >= 0; --bit) pulses.insert(pulses.end(), 2, (tap[at + 2 + k] >> bit) & 1 ? 1710 : 855);
    }
    pulses.push_back(3'500'000);
    at += 2 + length;
  }
  return pulses;
}

// CSW's RLE data of pulses sampled at `rate`: a byte per pulse, or 0 and a
// 32-bit count; each pulse ends at the sample nearest its end.
inline Bytes CswRle(const std::vector<std::uint32_t>& pulses, std::uint32_t rate) {
  Bytes rle;
  std::uint64_t tstates = 0, samples = 0;
  for (std::uint32_t pulse : pulses) {
    tstates += pulse;
    const std::uint64_t end = (tstates * rate + 1'750'000) / 3'500'000;
    const auto count = static_cast<std::uint32_t>(end - samples);
    samples = end;
    if (count > 0 && count < 256) {
      rle.push_back(static_cast<std::uint8_t>(count));
    } else {
      rle.push_back(0);
      AppendWord(rle, count, 4);
    }
  }
  return rle;
}

inline Bytes Deflated(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  compress(out.data(), &size, data.data(), static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

// A CSW file, version 1 (RLE) or 2 (RLE or Z-RLE), its first pulse high.
inline Bytes CswFile(int version, const std::vector<std::uint32_t>& pulses, std::uint32_t rate, bool z_rle = false) {
  const std::string signature = "Compressed Square Wave\x1A";
  Bytes file(signature.begin(), signature.end());
  file.push_back(static_cast<std::uint8_t>(version));
  file.push_back(version == 1 ? 1 : 0);
  const Bytes rle = CswRle(pulses, rate);
  if (version == 1) {
    AppendWord(file, rate);
    file.insert(file.end(), {1, 1, 0, 0, 0});
  } else {
    AppendWord(file, rate, 4);
    AppendWord(file, static_cast<std::uint32_t>(pulses.size()), 4);
    file.insert(file.end(), {static_cast<std::uint8_t>(z_rle ? 2 : 1), 1, 0});
    file.insert(file.end(), 16, ' ');
  }
  const Bytes data = z_rle ? Deflated(rle) : rle;
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

// A PCM WAVE file of pulses (the first high) at `rate`, 8-bit unsigned or
// 16-bit signed, in one or two channels.
inline Bytes WaveFile(const std::vector<std::uint32_t>& pulses, std::uint32_t rate, int bits, int channels) {
  Bytes samples;
  std::uint64_t tstates = 0, done = 0;
  bool high = true;
  for (std::uint32_t pulse : pulses) {
    tstates += pulse;
    for (const std::uint64_t end = tstates * rate / 3'500'000; done < end; ++done) {
      for (int c = 0; c < channels; ++c) {
        if (bits == 8) samples.push_back(high ? 0xC0 : 0x40);
        else AppendWord(samples, high ? 12000 : static_cast<std::uint16_t>(-12000));
      }
    }
    high = !high;
  }
  const std::uint32_t frame = static_cast<std::uint32_t>(channels * bits / 8);
  Bytes file{'R', 'I', 'F', 'F'};
  AppendWord(file, static_cast<std::uint32_t>(36 + samples.size()), 4);
  file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
  AppendWord(file, static_cast<std::uint32_t>(channels));
  AppendWord(file, rate, 4);
  AppendWord(file, rate * frame, 4);
  AppendWord(file, frame);
  AppendWord(file, static_cast<std::uint32_t>(bits));
  file.insert(file.end(), {'d', 'a', 't', 'a'});
  AppendWord(file, static_cast<std::uint32_t>(samples.size()), 4);
  file.insert(file.end(), samples.begin(), samples.end());
  return file;
}

inline Bytes PzxBlock(const char* tag, const Bytes& body) {
  Bytes block(tag, tag + 4);
  AppendWord(block, static_cast<std::uint32_t>(body.size()), 4);
  block.insert(block.end(), body.begin(), body.end());
  return block;
}

// A PZX file of a TAP image: the header, then for each block its pilot and
// sync pulses (PULS), its bits (DATA, first pulse high, then the ROM's tail
// pulse) and a second's pause.
inline Bytes PzxFile(const Bytes& tap) {
  Bytes file = PzxBlock("PZXT", {1, 0});
  for (std::size_t at = 0; at + 2 <= tap.size();) {
    const std::size_t length = tap[at] | tap[at + 1] << 8;
    Bytes pilot;
    AppendWord(pilot, 0x8000u | (tap[at + 2] < 0x80 ? 8063 : 3223));
    for (std::uint32_t pulse : {2168, 667, 735}) AppendWord(pilot, pulse);
    Bytes data;
    AppendWord(data, 0x80000000u | static_cast<std::uint32_t>(length * 8), 4);
    AppendWord(data, 945);  // the tail pulse whose edge ends the last bit
    data.insert(data.end(), {2, 2});
    for (std::uint32_t pulse : {855, 855, 1710, 1710}) AppendWord(data, pulse);
    data.insert(data.end(), tap.begin() + static_cast<std::ptrdiff_t>(at + 2),
                tap.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
    Bytes pause;
    AppendWord(pause, 3'500'000, 4);
    file = Joined({file, PzxBlock("PULS", pilot), PzxBlock("DATA", data), PzxBlock("PAUS", pause)});
    at += 2 + length;
  }
  return file;
}

// TZX 18h: pulses sampled at `rate`, RLE or Z-RLE, with a pause after.
inline Bytes TzxCswBlock(const std::vector<std::uint32_t>& pulses, std::uint32_t rate, bool z_rle,
                         std::uint16_t pause_ms = 0) {
  const Bytes rle = CswRle(pulses, rate);
  const Bytes data = z_rle ? Deflated(rle) : rle;
  Bytes body;
  AppendWord(body, static_cast<std::uint32_t>(10 + data.size()), 4);
  AppendWord(body, pause_ms);
  AppendWord(body, rate, 3);
  body.push_back(z_rle ? 2 : 1);
  AppendWord(body, static_cast<std::uint32_t>(pulses.size()), 4);
  body.insert(body.end(), data.begin(), data.end());
  return TzxBlock(0x18, body);
}

// TZX 19h holding one TAP block as the ROM saves it: a pilot symbol and a
// sync symbol run, then one bit a symbol of two pulses.
inline Bytes TzxGeneralisedBlock(const Bytes& tap_block, std::uint16_t pause_ms = 1000) {
  const Bytes data(tap_block.begin() + 2, tap_block.end());
  // Symbols: a flags byte (0: starts with an edge), then two pulse lengths.
  Bytes tables, bits;
  for (std::uint16_t pulse : {2168, 0, 667, 735}) AppendWord(tables, pulse);
  for (std::uint16_t pulse : {855, 855, 1710, 1710}) AppendWord(bits, pulse);
  tables.insert(tables.begin(), 0);
  tables.insert(tables.begin() + 5, 0);
  bits.insert(bits.begin(), 0);
  bits.insert(bits.begin() + 5, 0);
  Bytes runs{0};
  AppendWord(runs, data[0] < 0x80 ? 8063 : 3223);
  runs.push_back(1);
  AppendWord(runs, 1);
  Bytes body;
  AppendWord(body, pause_ms);
  AppendWord(body, 2, 4);
  body.insert(body.end(), {2, 2});
  AppendWord(body, static_cast<std::uint32_t>(data.size() * 8), 4);
  body.insert(body.end(), {2, 2});
  body = Joined({body, tables, runs, bits, data});
  Bytes block;
  AppendWord(block, static_cast<std::uint32_t>(body.size()), 4);
  return TzxBlock(0x19, Joined({block, body}));
}
