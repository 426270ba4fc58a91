// The TZX reader. A TZX file is the signature "ZXTape!" 1Ah, a version
// (major, minor) and blocks, each an id byte and a body whose length follows
// from the id. Every length is checked against the end of the file before a
// byte of the body is read, so a damaged file is refused whole, with the
// block where it broke.
#include "snapshots/tzx.h"

#include <cstdio>
#include <utility>

namespace {

constexpr std::size_t kHeaderLength = 10;
constexpr char kSignature[] = "ZXTape!\x1A";

std::string BlockName(std::size_t number, std::uint8_t id) {
  char text[40];
  std::snprintf(text, sizeof text, "block %zu (%02Xh)", number, static_cast<unsigned>(id));
  return text;
}

// Reads fields of one block body; `Has` guards every read.
struct Body {
  const std::vector<std::uint8_t>& bytes;
  std::size_t at;  // first byte after the id

  bool Has(std::uint64_t count) const { return count <= bytes.size() - at; }
  std::uint32_t U8(std::size_t offset) const { return bytes[at + offset]; }
  std::uint32_t U16(std::size_t offset) const { return U8(offset) | U8(offset + 1) << 8; }
  std::uint32_t U24(std::size_t offset) const { return U16(offset) | U8(offset + 2) << 16; }
  std::uint32_t U32(std::size_t offset) const { return U24(offset) | U8(offset + 3) << 24; }
};

// The part of a block kind's layout needed to find the length of its body,
// for kinds that are not played: fixed bytes, or a length field (of
// `field_bytes` at `field_offset`, counting `unit` bytes each) after them.
struct Layout {
  std::uint8_t id;
  std::uint8_t fixed;
  std::uint8_t field_offset;
  std::uint8_t field_bytes;
  std::uint8_t unit;
};

// Kinds with their own layouts; every other id follows the rule for kinds
// added after version 1.10: a 32-bit body length first.
constexpr Layout kUnplayedLayouts[] = {
    {0x23, 2, 0, 0, 0},  // jump to block
    {0x26, 2, 0, 2, 2},  // call sequence: count, then 16-bit offsets
    {0x27, 0, 0, 0, 0},  // return from sequence
    {0x28, 2, 0, 2, 1},  // select block: 16-bit length of the rest
    {0x34, 8, 0, 0, 0},  // emulation info
    {0x40, 4, 1, 3, 1},  // snapshot: type, 24-bit length
};

bool BodyLength(const Body& body, std::uint8_t id, std::uint64_t& length) {
  Layout layout{id, 4, 0, 4, 1};
  for (const Layout& known : kUnplayedLayouts) {
    if (known.id == id) layout = known;
  }
  if (!body.Has(layout.fixed)) return false;
  std::uint64_t field = 0;
  if (layout.field_bytes == 2) field = body.U16(layout.field_offset);
  if (layout.field_bytes == 3) field = body.U24(layout.field_offset);
  if (layout.field_bytes == 4) field = body.U32(layout.field_offset);
  length = layout.fixed + field * layout.unit;
  return true;
}

// The checks of one file; `blocks` grows as it goes, `reason` is set on
// the first fault.
class TzxReader {
 public:
  explicit TzxReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  bool Read(std::vector<SignalBlock>& blocks, std::string& reason) {
    std::size_t at = kHeaderLength;
    std::size_t number = 0;
    bool in_loop = false;
    std::size_t loop_start = 0;
    while (at < bytes_.size()) {
      ++number;
      const std::uint8_t id = bytes_[at];
      Body body{bytes_, at + 1};
      std::uint64_t length = 0;
      SignalBlock block;
      block.id = id;
      // Named only in a refusal, so a good file costs no text per block.
      const auto name = [&] { return BlockName(number, id); };
      if (!ReadBlock(body, id, block, length, reason)) {
        if (reason.empty()) reason = name() + " is cut off by the end of the file";
        else reason = name() + ": " + reason;
        return false;
      }
      if (!body.Has(length)) {
        reason = name() + " is cut off by the end of the file";
        return false;
      }
      if (block.kind == SignalKind::loop_start) {
        if (in_loop) {
          reason = name() + " starts a loop inside the loop of block " + std::to_string(loop_start);
          return false;
        }
        in_loop = true;
        loop_start = number;
      } else if (block.kind == SignalKind::loop_end) {
        if (!in_loop) {
          reason = name() + " ends a loop that was never started";
          return false;
        }
        in_loop = false;
      }
      if (keep_) blocks.push_back(block);
      at = body.at + static_cast<std::size_t>(length);
    }
    if (in_loop) {
      reason = "the loop of block " + std::to_string(loop_start) + " never ends";
      return false;
    }
    return true;
  }

 private:
  // Fills block and the body's length; false with an empty reason when the
  // fixed part itself does not fit, with a reason for a bad value.
  bool ReadBlock(const Body& body, std::uint8_t id, SignalBlock& block, std::uint64_t& length,
                 std::string& reason) {
    keep_ = true;
    switch (id) {
      case 0x10: {  // standard speed data
        if (!body.Has(4)) return false;
        const std::uint32_t count = body.U16(2);
        length = 4 + std::uint64_t{count};
        // The flag decides the pilot's length; an empty block has none.
        const std::uint8_t flag = count > 0 && body.Has(5) ? static_cast<std::uint8_t>(body.U8(4)) : 0xFF;
        block = StandardBlock(body.at + 4, count, flag);
        block.pause_ms = body.U16(0);
        return true;
      }
      case 0x11: {  // turbo speed data
        if (!body.Has(0x12)) return false;
        block.kind = SignalKind::data;
        block.pilot_pulse = static_cast<std::uint16_t>(body.U16(0));
        block.sync1 = static_cast<std::uint16_t>(body.U16(2));
        block.sync2 = static_cast<std::uint16_t>(body.U16(4));
        block.zero = static_cast<std::uint16_t>(body.U16(6));
        block.one = static_cast<std::uint16_t>(body.U16(8));
        block.pilot_count = body.U16(0x0A);
        block.pause_ms = body.U16(0x0D);
        block.length = body.U24(0x0F);
        block.first = body.at + 0x12;
        length = 0x12 + std::uint64_t{block.length};
        return UsedBits(body.U8(0x0C), block, reason);
      }
      case 0x12:  // pure tone
        if (!body.Has(4)) return false;
        block.kind = SignalKind::pure_tone;
        block.pilot_pulse = static_cast<std::uint16_t>(body.U16(0));
        block.count = body.U16(2);
        length = 4;
        return true;
      case 0x13:  // pulse sequence
        if (!body.Has(1)) return false;
        block.kind = SignalKind::pulses;
        block.count = body.U8(0);
        block.first = body.at + 1;
        length = 1 + 2 * std::uint64_t{block.count};
        return true;
      case 0x14:  // pure data: bits only
        if (!body.Has(0x0A)) return false;
        block.kind = SignalKind::data;
        block.has_sync = false;
        block.zero = static_cast<std::uint16_t>(body.U16(0));
        block.one = static_cast<std::uint16_t>(body.U16(2));
        block.pause_ms = body.U16(5);
        block.length = body.U24(7);
        block.first = body.at + 0x0A;
        length = 0x0A + std::uint64_t{block.length};
        return UsedBits(body.U8(4), block, reason);
      case 0x15:  // direct recording: one bit per sample
        if (!body.Has(8)) return false;
        block.kind = SignalKind::direct;
        block.sample_tstates = static_cast<std::uint16_t>(body.U16(0));
        block.pause_ms = body.U16(2);
        block.length = body.U24(5);
        block.first = body.at + 8;
        length = 8 + std::uint64_t{block.length};
        return UsedBits(body.U8(4), block, reason);
      case 0x20:  // pause, or stop the tape for 0
        if (!body.Has(2)) return false;
        block.pause_ms = body.U16(0);
        block.kind = block.pause_ms == 0 ? SignalKind::stop : SignalKind::pause;
        length = 2;
        return true;
      case 0x21:  // group start: a name
      case 0x30:  // text description
        if (!body.Has(1)) return false;
        length = 1 + std::uint64_t{body.U8(0)};
        keep_ = false;
        return true;
      case 0x22:  // group end
        length = 0;
        keep_ = false;
        return true;
      case 0x24:  // loop start
        if (!body.Has(2)) return false;
        block.kind = SignalKind::loop_start;
        block.count = body.U16(0);
        length = 2;
        return true;
      case 0x25:
        block.kind = SignalKind::loop_end;
        length = 0;
        return true;
      case 0x2A:  // stop the tape if in 48K mode: Vantro is always a 48K
        if (!body.Has(4)) return false;
        block.kind = SignalKind::stop;
        length = 4 + std::uint64_t{body.U32(0)};
        return true;
      case 0x2B:  // set signal level
        if (!body.Has(4)) return false;
        length = 4 + std::uint64_t{body.U32(0)};
        if (body.U32(0) < 1) {
          reason = "the signal level is missing";
          return false;
        }
        if (!body.Has(5)) return false;
        block.kind = SignalKind::set_level;
        block.level = body.U8(4) != 0 ? 1 : 0;
        return true;
      case 0x31:  // message: time, text
        if (!body.Has(2)) return false;
        length = 2 + std::uint64_t{body.U8(1)};
        keep_ = false;
        return true;
      case 0x32:  // archive info
        if (!body.Has(2)) return false;
        length = 2 + std::uint64_t{body.U16(0)};
        keep_ = false;
        return body.Has(length) ? ArchiveStrings(body, reason) : true;
      case 0x33:  // hardware type: 3 bytes per entry
        if (!body.Has(1)) return false;
        length = 1 + 3 * std::uint64_t{body.U8(0)};
        keep_ = false;
        return true;
      case 0x35:  // custom info: 10-byte name, 32-bit length
        if (!body.Has(14)) return false;
        length = 14 + std::uint64_t{body.U32(10)};
        keep_ = false;
        return true;
      case 0x5A:  // glue: another file's header where two were joined
        length = 9;
        keep_ = false;
        return true;
      default:
        block.kind = SignalKind::unsupported;
        return BodyLength(body, id, length);
    }
  }

  static bool UsedBits(std::uint32_t used, SignalBlock& block, std::string& reason) {
    if (block.length > 0 && (used < 1 || used > 8)) {
      reason = "the last byte uses " + std::to_string(used) + " bits (1 to 8 can be)";
      return false;
    }
    block.last_bits = static_cast<std::uint8_t>(block.length > 0 ? used : 8);
    return true;
  }

  // The archive info's strings (id, length, text) must fill its body.
  static bool ArchiveStrings(const Body& body, std::string& reason) {
    const std::uint32_t total = body.U16(0);
    std::uint32_t at = 1;
    if (total < 1) {
      reason = "the archive info is empty";
      return false;
    }
    const std::uint32_t strings = body.U8(2);
    for (std::uint32_t k = 0; k < strings; ++k) {
      if (at + 2 > total || at + 2 + body.U8(2 + at + 1) > total) {
        reason = "archive info string " + std::to_string(k + 1) + " runs past the block";
        return false;
      }
      at += 2 + body.U8(2 + at + 1);
    }
    return true;
  }

  const std::vector<std::uint8_t>& bytes_;
  bool keep_ = true;
};

}  // namespace

bool HasTzxSignature(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < sizeof kSignature - 1) return false;
  for (std::size_t k = 0; k + 1 < sizeof kSignature; ++k) {
    if (bytes[k] != static_cast<std::uint8_t>(kSignature[k])) return false;
  }
  return true;
}

bool ReadTzx(std::vector<std::uint8_t> bytes, TapeImage& image, std::string& reason) {
  if (!HasTzxSignature(bytes)) {
    reason = "not a TZX tape (it does not start with \"ZXTape!\")";
    return false;
  }
  if (bytes.size() < kHeaderLength) {
    reason = "the TZX header is cut off before its version";
    return false;
  }
  const unsigned major = bytes[8];
  const unsigned minor = bytes[9];
  if (major != kTzxMajorVersion || minor > kTzxLatestMinor) {
    reason = "TZX version " + std::to_string(major) + "." + (minor < 10 ? "0" : "") + std::to_string(minor) +
             " is not supported (1.00 to 1.20 are)";
    return false;
  }
  std::vector<SignalBlock> blocks;
  reason.clear();
  if (!TzxReader(bytes).Read(blocks, reason)) return false;
  image.bytes = std::move(bytes);
  image.blocks = std::move(blocks);
  return true;
}
