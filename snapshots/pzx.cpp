// The PZX reader. A PZX file is a run of blocks, each a four-letter tag, a
// 32-bit size and that many bytes; the first is the header PZXT with the
// version. PULS, DATA and PAUS each start at a level of their own and
// become one recorded block; STOP stops the tape (Vantro is always a 48K);
// every other block (browse points, texts, kinds of later revisions) is
// passed over.
#include "snapshots/pzx.h"

#include <cstring>
#include <utility>

#include "snapshots/recording.h"

namespace {

constexpr std::size_t kBlockHead = 8;
constexpr std::uint8_t kMajorVersion = 1;
constexpr std::uint32_t kLevelBit = 0x80000000u;

// One block's body; `Has` guards every read.
struct Body {
  const std::uint8_t* bytes;
  std::size_t size;

  bool Has(std::uint64_t count) const { return count <= size; }
  std::uint32_t U8(std::size_t at) const { return bytes[at]; }
  std::uint32_t U16(std::size_t at) const { return U8(at) | U8(at + 1) << 8; }
  std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
};

StepLevel LevelOf(bool high) { return high ? StepLevel::high : StepLevel::low; }

// PULS: 16-bit words; a word above 8000h is a repeat count before the
// length, a length with bit 15 set takes another word as its low half.
bool PulseSequence(const Body& body, StepWriter& writer, std::string& reason) {
  writer.StartWith(StepLevel::low);
  std::size_t at = 0;
  while (at < body.size) {
    if (!body.Has(at + 2)) break;
    std::uint32_t count = 1;
    std::uint32_t length = body.U16(at);
    at += 2;
    if (length > 0x8000) {
      count = length & 0x7FFF;
      if (!body.Has(at + 2)) break;
      length = body.U16(at);
      at += 2;
    }
    if (length >= 0x8000) {
      if (!body.Has(at + 2)) break;
      length = (length & 0x7FFF) << 16 | body.U16(at);
      at += 2;
    }
    // Pulses of no length only invert the level: an odd count once.
    if (length == 0) count &= 1;
    for (; count > 0; --count) {
      if (!writer.Pulse(length)) {
        reason = TooLongRecording();
        return false;
      }
    }
  }
  if (at != body.size) {
    reason = "a pulse is cut off by the end of the block";
    return false;
  }
  return true;
}

// DATA: the number of bits (bit 31: the first pulse is high), the tail
// pulse, the pulses of a 0 and of a 1 and their lengths, then the bits.
bool DataBlock(const Body& body, StepWriter& writer, std::string& reason) {
  if (!body.Has(8)) {
    reason = "its header is cut off by the end of the block";
    return false;
  }
  const std::uint32_t bits = body.U32(0) & ~kLevelBit;
  const std::uint32_t tail = body.U16(4);
  const std::uint32_t zero_pulses = body.U8(6);
  const std::uint32_t one_pulses = body.U8(7);
  const std::size_t zero_at = 8;
  const std::size_t one_at = zero_at + 2 * zero_pulses;
  const std::size_t data_at = one_at + 2 * one_pulses;
  if (!body.Has(data_at + (std::uint64_t{bits} + 7) / 8)) {
    reason = "its " + std::to_string(bits) + " bits run past the end of the block";
    return false;
  }
  writer.StartWith(LevelOf((body.U32(0) & kLevelBit) != 0));
  for (std::uint32_t bit = 0; bit < bits; ++bit) {
    const bool one = ((body.U8(data_at + bit / 8) >> (7 - bit % 8)) & 1) != 0;
    const std::size_t at = one ? one_at : zero_at;
    const std::uint32_t pulses = one ? one_pulses : zero_pulses;
    if (!writer.Spend(1)) return false;
    for (std::uint32_t k = 0; k < pulses; ++k) {
      if (!writer.Pulse(body.U16(at + 2 * k))) {
        reason = TooLongRecording();
        return false;
      }
    }
  }
  if (tail > 0 && !writer.Pulse(tail)) {
    reason = TooLongRecording();
    return false;
  }
  return true;
}

std::string BlockName(std::size_t number, const std::uint8_t* tag) {
  std::string name = "block " + std::to_string(number) + " (";
  for (int k = 0; k < 4; ++k) {
    const char c = static_cast<char>(tag[k]);
    name += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return name + ")";
}

}  // namespace

bool HasPzxSignature(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "PZXT", 4) == 0;
}

bool ReadPzx(const std::vector<std::uint8_t>& bytes, TapeImage& image, std::string& reason) {
  if (!HasPzxSignature(bytes)) {
    reason = "not a PZX tape (it does not start with \"PZXT\")";
    return false;
  }
  std::vector<SignalBlock> blocks;
  std::vector<std::uint32_t> words;
  std::size_t at = 0;
  for (std::size_t number = 1; at < bytes.size(); ++number) {
    const std::uint8_t* tag = bytes.data() + at;
    if (bytes.size() - at < kBlockHead) {
      reason = "block " + std::to_string(number) + " is cut off by the end of the file";
      return false;
    }
    const Body body{bytes.data() + at + kBlockHead,
                    static_cast<std::size_t>(tag[4] | tag[5] << 8 | tag[6] << 16 | std::uint32_t{tag[7]} << 24)};
    if (body.size > bytes.size() - at - kBlockHead) {
      reason = BlockName(number, tag) + " is cut off by the end of the file";
      return false;
    }
    at += kBlockHead + body.size;
    auto is = [&](const char* name) { return std::memcmp(tag, name, 4) == 0; };
    SignalBlock block;
    block.kind = SignalKind::recorded;
    block.first = words.size();
    StepWriter writer(words);
    std::string why;
    bool read = true;
    if (is("PZXT")) {
      // Joined files carry a header each; every one must be of version 1.
      if (!body.Has(2)) {
        reason = BlockName(number, tag) + ": its version is cut off";
        return false;
      }
      if (body.U8(0) != kMajorVersion) {
        reason = "PZX version " + std::to_string(body.U8(0)) + "." + std::to_string(body.U8(1)) +
                 " is not supported (1.x is)";
        return false;
      }
      continue;
    } else if (is("PULS")) {
      read = PulseSequence(body, writer, why);
    } else if (is("DATA")) {
      read = DataBlock(body, writer, why);
      if (!read && why.empty()) why = TooLongRecording();
    } else if (is("PAUS")) {
      if (!body.Has(4)) {
        why = "its length is cut off by the end of the block";
        read = false;
      } else {
        writer.StartWith(LevelOf((body.U32(0) & kLevelBit) != 0));
        read = writer.Pulse(body.U32(0) & ~kLevelBit);
        if (!read) why = TooLongRecording();
      }
    } else if (is("STOP")) {
      block.kind = SignalKind::stop;
    } else {
      continue;
    }
    if (!read) {
      reason = BlockName(number, tag) + ": " + why;
      return false;
    }
    block.count = static_cast<std::uint32_t>(words.size() - block.first);
    if (block.kind == SignalKind::stop || block.count > 0) blocks.push_back(block);
  }
  image.bytes.clear();
  image.blocks = std::move(blocks);
  image.words = std::move(words);
  return true;
}
