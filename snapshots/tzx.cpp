// The TZX reader. A TZX file is the signature "ZXTape!" 1Ah, a version
// (major, minor) and blocks, each an id byte and a body whose length follows
// from the id. Every length is checked against the end of the file before a
// byte of the body is read, so a damaged file is refused whole, with the
// block where it broke. Recordings (18h) and generalised data (19h) become
// recorded steps here, once, so playing them costs what any pulse costs.
#include "snapshots/tzx.h"

#include <cstdio>
#include <utility>

#include "snapshots/recording.h"

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
  // A block's place relative to this one, as jumps and calls give it.
  std::int32_t Offset(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
};

// Blocks that carry no signal: known so that their own length rules are
// used; every other id follows the rule for kinds added after version 1.10
// (a 32-bit body length first) and is passed over as well.
struct Layout {
  std::uint8_t id;
  std::uint8_t fixed;         // bytes before the data
  std::uint8_t field_offset;  // where the data's length is
  std::uint8_t field_bytes;   // its size (0: no data)
  std::uint8_t unit;          // bytes per unit of it
};

constexpr Layout kSilentLayouts[] = {
    {0x21, 1, 0, 1, 1},   // group start: a name
    {0x22, 0, 0, 0, 0},   // group end
    {0x28, 2, 0, 2, 1},   // select block: 16-bit length of the rest
    {0x30, 1, 0, 1, 1},   // text description
    {0x31, 2, 1, 1, 1},   // message: time, then text
    {0x32, 2, 0, 2, 1},   // archive info
    {0x33, 1, 0, 1, 3},   // hardware type: 3 bytes per entry
    {0x34, 8, 0, 0, 0},   // emulation info
    {0x35, 20, 16, 4, 1},  // custom info: 16-byte identification, 32-bit length
    {0x40, 4, 1, 3, 1},   // snapshot: type, 24-bit length
    {0x5A, 9, 0, 0, 0},   // glue: another file's header where two were joined
};

bool SilentLength(const Body& body, std::uint8_t id, std::uint64_t& length) {
  Layout layout{id, 4, 0, 4, 1};
  for (const Layout& known : kSilentLayouts) {
    if (known.id == id) layout = known;
  }
  if (!body.Has(layout.fixed)) return false;
  std::uint64_t field = 0;
  if (layout.field_bytes == 1) field = body.U8(layout.field_offset);
  if (layout.field_bytes == 2) field = body.U16(layout.field_offset);
  if (layout.field_bytes == 3) field = body.U24(layout.field_offset);
  if (layout.field_bytes == 4) field = body.U32(layout.field_offset);
  length = layout.fixed + field * layout.unit;
  return true;
}

// Where a jump or call goes: a block number of the file, resolved once
// every block is read.
struct Target {
  std::size_t block;   // index into the kept blocks of the jump or call
  std::size_t word;    // for a call, its target's place in words
  std::size_t number;  // the block's own number, for a refusal
  std::uint8_t id;
  std::int64_t file_block;  // 0-based
};

// One symbol of a generalised data block: how its first pulse starts, then
// up to `pulses` lengths, a 0 ending it early.
struct SymbolTable {
  std::size_t at = 0;  // offset in the body
  std::uint32_t pulses = 0;
  std::uint32_t size = 0;

  std::size_t SymbolBytes() const { return 1 + 2 * std::size_t{pulses}; }
};

bool PlaySymbol(const Body& body, const SymbolTable& table, std::uint32_t symbol, StepWriter& writer) {
  const std::size_t at = table.at + symbol * table.SymbolBytes();
  if (table.pulses == 0 || body.U16(at + 1) == 0) return writer.Spend(1);
  constexpr StepLevel kStarts[] = {StepLevel::toggle, StepLevel::keep, StepLevel::low, StepLevel::high};
  writer.StartWith(kStarts[body.U8(at) & 3]);
  for (std::uint32_t k = 0; k < table.pulses; ++k) {
    const std::uint32_t length = body.U16(at + 1 + 2 * k);
    if (length == 0) break;
    if (!writer.Pulse(length)) return false;
  }
  return true;
}

// The checks of one file; `blocks` grows as it goes, `reason` is set on
// the first fault.
class TzxReader {
 public:
  TzxReader(const std::vector<std::uint8_t>& bytes, std::vector<std::uint32_t>& words)
      : bytes_(bytes), words_(words) {}

  bool Read(std::vector<SignalBlock>& blocks, std::string& reason) {
    std::size_t at = kHeaderLength;
    std::size_t number = 0;
    bool in_loop = false;
    std::size_t loop_start = 0;
    // For every block of the file, the kept block at or after it.
    std::vector<std::uint32_t> kept_from;
    while (at < bytes_.size()) {
      ++number;
      kept_from.push_back(static_cast<std::uint32_t>(blocks.size()));
      const std::uint8_t id = bytes_[at];
      Body body{bytes_, at + 1};
      std::uint64_t length = 0;
      SignalBlock block;
      block.id = id;
      // Named only in a refusal, so a good file costs no text per block.
      const auto name = [&] { return BlockName(number, id); };
      number_ = number;
      kept_index_ = blocks.size();
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
    kept_from.push_back(static_cast<std::uint32_t>(blocks.size()));
    return ResolveTargets(kept_from, blocks, reason);
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
      case 0x18:  // CSW recording
        return CswRecording(body, block, length, reason);
      case 0x19:  // generalised data
        return GeneralisedData(body, block, length, reason);
      case 0x20:  // pause, or stop the tape for 0
        if (!body.Has(2)) return false;
        block.pause_ms = body.U16(0);
        block.kind = block.pause_ms == 0 ? SignalKind::stop : SignalKind::pause;
        length = 2;
        return true;
      case 0x23:  // jump to block
        if (!body.Has(2)) return false;
        block.kind = SignalKind::jump;
        length = 2;
        return AddTarget(body.Offset(0), id, words_.size(), reason);
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
      case 0x26: {  // call sequence: count, then 16-bit offsets
        if (!body.Has(2)) return false;
        block.kind = SignalKind::call;
        block.count = body.U16(0);
        block.first = words_.size();
        length = 2 + 2 * std::uint64_t{block.count};
        if (!body.Has(length)) return false;
        for (std::uint32_t k = 0; k < block.count; ++k) {
          if (!AddTarget(body.Offset(2 + 2 * k), id, words_.size(), reason)) return false;
          words_.push_back(0);
        }
        return true;
      }
      case 0x27:  // return from sequence
        block.kind = SignalKind::call_return;
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
      case 0x32:  // archive info
        keep_ = false;
        if (!SilentLength(body, id, length)) return false;
        return body.Has(length) ? ArchiveStrings(body, reason) : true;
      default:
        keep_ = false;
        return SilentLength(body, id, length);
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

  // 18h: pause, sample rate, compression (1 RLE, 2 Z-RLE), the number of
  // pulses (not checked, as in CSW files), then the pulse data, each pulse
  // starting with an edge.
  bool CswRecording(const Body& body, SignalBlock& block, std::uint64_t& length, std::string& reason) {
    if (!body.Has(4)) return false;
    length = 4 + std::uint64_t{body.U32(0)};
    if (length < 0x0E) {
      reason = "the recording's header is cut short by its own length";
      return false;
    }
    if (!body.Has(length)) return false;
    const std::uint32_t compression = body.U8(9);
    if (compression != 1 && compression != 2) {
      reason = "compression type " + std::to_string(compression) + " is not known (1 and 2 are)";
      return false;
    }
    StartRecording(block, body.U16(4));
    StepWriter writer(words_);
    if (!ReadCswPulses(body.bytes.data() + body.at + 0x0E, length - 0x0E, compression == 2, body.U24(6),
                       StepLevel::toggle, writer, reason)) {
      return false;
    }
    block.count = static_cast<std::uint32_t>(words_.size() - block.first);
    return true;
  }

  // 19h: a pilot and sync part given as runs of symbols, then a data part
  // of symbols packed in as few bits as its table needs.
  bool GeneralisedData(const Body& body, SignalBlock& block, std::uint64_t& length, std::string& reason) {
    if (!body.Has(4)) return false;
    length = 4 + std::uint64_t{body.U32(0)};
    if (length < 0x12) {
      reason = "the block's header is cut short by its own length";
      return false;
    }
    if (!body.Has(length)) return false;
    const std::uint32_t pilot_symbols = body.U32(6);
    const std::uint32_t data_symbols = body.U32(0x0C);
    SymbolTable pilot{0x12, body.U8(0x0A), body.U8(0x0B) == 0 ? 256u : body.U8(0x0B)};
    std::uint64_t at = pilot.at;
    if (pilot_symbols > 0) at += pilot.SymbolBytes() * pilot.size;
    const std::uint64_t pilot_stream = at;
    at += 3 * std::uint64_t{pilot_symbols};
    SymbolTable data{static_cast<std::size_t>(at), body.U8(0x10), body.U8(0x11) == 0 ? 256u : body.U8(0x11)};
    if (data_symbols > 0) at += data.SymbolBytes() * data.size;
    std::uint32_t bits = 0;
    while ((1u << bits) < data.size) ++bits;
    const std::uint64_t data_stream = at;
    at += (std::uint64_t{bits} * data_symbols + 7) / 8;
    if (at > length) {
      reason = "its tables and symbols run past the block";
      return false;
    }
    StartRecording(block, body.U16(4));
    StepWriter writer(words_);
    for (std::uint32_t k = 0; k < pilot_symbols; ++k) {
      const std::size_t entry = static_cast<std::size_t>(pilot_stream) + 3 * std::size_t{k};
      const std::uint32_t symbol = body.U8(entry);
      if (symbol >= pilot.size) {
        reason = "pilot symbol " + std::to_string(symbol) + " is not in its table";
        return false;
      }
      for (std::uint32_t repeat = body.U16(entry + 1); repeat > 0; --repeat) {
        if (!PlaySymbol(body, pilot, symbol, writer)) return TooLong(reason);
      }
    }
    for (std::uint32_t k = 0; k < data_symbols; ++k) {
      std::uint32_t symbol = 0;
      for (std::uint32_t b = 0; b < bits; ++b) {
        const std::uint64_t bit = std::uint64_t{k} * bits + b;
        const std::uint32_t byte = body.U8(static_cast<std::size_t>(data_stream + bit / 8));
        symbol = symbol << 1 | ((byte >> (7 - bit % 8)) & 1);
      }
      if (symbol >= data.size) {
        reason = "data symbol " + std::to_string(symbol) + " is not in its table";
        return false;
      }
      if (!PlaySymbol(body, data, symbol, writer)) return TooLong(reason);
    }
    block.count = static_cast<std::uint32_t>(words_.size() - block.first);
    return true;
  }

  void StartRecording(SignalBlock& block, std::uint32_t pause_ms) {
    block.kind = SignalKind::recorded;
    block.pause_ms = pause_ms;
    block.first = words_.size();
  }

  static bool TooLong(std::string& reason) {
    reason = TooLongRecording();
    return false;
  }

  // A jump's or call's file block, relative to this one; 0 would never
  // move on, so it is refused.
  bool AddTarget(std::int32_t offset, std::uint8_t id, std::size_t word, std::string& reason) {
    if (offset == 0) {
      reason = "it jumps to itself";
      return false;
    }
    targets_.push_back({kept_index_, word, number_, id, static_cast<std::int64_t>(number_) - 1 + offset});
    return true;
  }

  bool ResolveTargets(const std::vector<std::uint32_t>& kept_from, std::vector<SignalBlock>& blocks,
                      std::string& reason) {
    const auto file_blocks = static_cast<std::int64_t>(kept_from.size() - 1);
    for (const Target& target : targets_) {
      // The block after the last is the end of the tape.
      if (target.file_block < 0 || target.file_block > file_blocks) {
        reason = BlockName(target.number, target.id) + " goes to block " + std::to_string(target.file_block + 1) +
                 ", which the tape does not have";
        return false;
      }
      const std::uint32_t kept = kept_from[static_cast<std::size_t>(target.file_block)];
      if (target.id == 0x23) {
        blocks[target.block].count = kept;
      } else {
        words_[target.word] = kept;
      }
    }
    return true;
  }

  const std::vector<std::uint8_t>& bytes_;
  std::vector<std::uint32_t>& words_;
  std::vector<Target> targets_;
  std::size_t number_ = 0;
  std::size_t kept_index_ = 0;
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
  // Every 1.x revision only adds blocks, each with a 32-bit length first,
  // so a later minor version reads as far as Vantro knows it.
  const unsigned major = bytes[8];
  const unsigned minor = bytes[9];
  if (major != kTzxMajorVersion) {
    reason = "TZX version " + std::to_string(major) + "." + (minor < 10 ? "0" : "") + std::to_string(minor) +
             " is not supported (1.x is)";
    return false;
  }
  std::vector<SignalBlock> blocks;
  std::vector<std::uint32_t> words;
  reason.clear();
  if (!TzxReader(bytes, words).Read(blocks, reason)) return false;
  image.bytes = std::move(bytes);
  image.blocks = std::move(blocks);
  image.words = std::move(words);
  return true;
}
