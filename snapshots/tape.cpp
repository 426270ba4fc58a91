// TAP insertion and the ROM-like loader trap. The trap reproduces the
// outcome of the ROM's LD-BYTES on the same block, register for register
// where callers look (A, F, DE, IX), so the ROM's LOAD goes on exactly as it
// would after reading the tape: past a wrong block while it looks for a
// header, "R Tape loading error" otherwise.
#include "snapshots/tape.h"

#include <memory>
#include <utility>

namespace {

constexpr char kTitle[] = "Load TAP";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kEmpty[] = "The tape image is empty!";
constexpr char kNotTap[] = "This is not a TAP tape image: its block lengths do not match the file!";
constexpr char kTooLarge[] = "The file is too large for a tape image!";

// Far beyond any real tape; keeps a wrongly chosen huge file out of memory.
constexpr std::size_t kLargestTape = 16 * 1024 * 1024;
// A block holds at least its flag byte and its checksum.
constexpr std::size_t kShortestBlock = 2;

bool EvenParity(std::uint8_t value) {
  value ^= value >> 4;
  value ^= value >> 2;
  value ^= value >> 1;
  return (value & 1) == 0;
}

// F after XOR L, the flag compare of LD-FLAG that failed.
std::uint8_t XorFlags(std::uint8_t result) {
  return static_cast<std::uint8_t>((result & (kFlagS | kFlag5 | kFlag3)) | (result == 0 ? kFlagZ : 0) |
                                   (EvenParity(result) ? kFlagPV : 0));
}

// F after LD A,H : CP 01h, the checksum test that ends LD-BYTES: carry only
// when the running XOR of every byte read is 0.
std::uint8_t CompareOneFlags(std::uint8_t parity) {
  const auto result = static_cast<std::uint8_t>(parity - 1);
  std::uint8_t f = kFlagN | (result & kFlagS);
  if (result == 0) f |= kFlagZ;
  if ((parity & 0x0F) == 0) f |= kFlagH;
  if (((parity ^ 1) & (parity ^ result) & 0x80) != 0) f |= kFlagPV;
  if (parity == 0) f |= kFlagC;
  return f;
}

// The edge-timing routine giving up when the signal stops: A = 0 from its
// delay loop, then INC B wrapping to 0 (zero and half-carry set, carry clear).
void SignalLost(CpuState& cpu) {
  cpu.a = 0;
  cpu.f = kFlagZ | kFlagH;
}

}  // namespace

std::optional<Tape> ParseTap(const std::vector<std::uint8_t>& image) {
  if (image.empty()) return std::nullopt;
  Tape tape;
  std::size_t at = 0;
  while (at < image.size()) {
    if (image.size() - at < 2) return std::nullopt;
    const std::size_t length = image[at] | image[at + 1] << 8;
    at += 2;
    if (length < kShortestBlock || length > image.size() - at) return std::nullopt;
    tape.blocks.push_back(TapeBlock{{image.begin() + static_cast<std::ptrdiff_t>(at),
                                     image.begin() + static_cast<std::ptrdiff_t>(at + length)}});
    at += length;
  }
  return tape;
}

void EjectTape(Machine& machine) {
  machine.tape_file.reset();
  machine.tape_active = false;
}

std::optional<FileProblem> InsertTape(Machine& machine, const std::string& path) {
  std::optional<FileStart> file = ReadFileStart(path, kLargestTape);
  if (!file) return FileProblem{kTitle, kCantOpen};
  if (file->longer) return FileProblem{kTitle, kTooLarge};
  if (file->bytes.empty()) return FileProblem{kTitle, kEmpty};
  std::optional<Tape> tape = ParseTap(file->bytes);
  if (!tape) return FileProblem{kTitle, kNotTap};
  machine.tape_file = std::make_shared<Tape>(std::move(*tape));
  machine.tape_active = true;
  return std::nullopt;
}

bool ServeTapeBlock(Machine& machine, CpuState& cpu) {
  Tape* tape = machine.tape_file.get();
  if (tape == nullptr || tape->next_block >= tape->blocks.size()) return false;
  const std::vector<std::uint8_t>& bytes = tape->blocks[tape->next_block++].bytes;
  const std::uint8_t wanted_flag = cpu.a;
  std::uint16_t count = De(cpu);
  std::size_t at = 0;
  std::uint8_t parity = 0;
  auto finish = [&] {
    cpu.d = static_cast<std::uint8_t>(count >> 8);
    cpu.e = static_cast<std::uint8_t>(count);
    cpu.pc = kTapeTrapReturn;
    return true;
  };

  if (at == bytes.size()) {
    SignalLost(cpu);
    return finish();
  }
  const std::uint8_t flag = bytes[at++];
  parity ^= flag;
  // LD-BYTES tests DE after every byte it reads, the flag included, and ends
  // once DE is 0: so the byte after the data is taken as the checksum, and a
  // load of 0 bytes takes the flag alone, without comparing it.
  if (count != 0) {
    if (flag != wanted_flag) {
      cpu.a = static_cast<std::uint8_t>(flag ^ wanted_flag);
      cpu.f = XorFlags(cpu.a);
      return finish();
    }
    for (;;) {
      // A block shorter than asked: its checksum byte has been stored as
      // data, then the signal stops. A longer one passes its rest unread.
      if (at == bytes.size()) {
        SignalLost(cpu);
        return finish();
      }
      const std::uint8_t value = bytes[at++];
      parity ^= value;
      if (count == 0) break;
      WriteByte(machine, cpu.ix, value);
      ++cpu.ix;
      --count;
    }
  }
  cpu.a = parity;
  cpu.f = CompareOneFlags(parity);
  return finish();
}
