// Z80 snapshot loader. The whole file is read and the memory image decoded
// into a scratch copy of RAM first; only a file that yields the complete
// 48 KB is applied, header and RAM together.
#include "snapshots/z80_snapshot.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

constexpr char kTitle[] = "Load Z80";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kNotSupported[] = "This file version is not supported!";
constexpr char kTooShort[] = "This file is too short for a Z80 snapshot header!";
constexpr char kImageShort[] = "The snapshot's memory image ends before the end of RAM!";
constexpr char kRunCutOff[] = "The snapshot's compressed memory image is cut off inside a run!";
constexpr char kTooLarge[] = "This file is too large for a Z80 snapshot!";

constexpr std::uint16_t kRamStart = 0x4000;
constexpr std::size_t kRamLength = 49152;
// Far beyond any 48K snapshot, so a wrongly chosen huge file is not read.
constexpr std::size_t kLargestFile = 1024 * 1024;

using Ram = std::array<std::uint8_t, kRamLength>;

std::uint16_t Word(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// One header field: its offset and how it lands in the machine.
struct HeaderField {
  std::size_t offset;
  void (*apply)(CpuState& cpu, Machine& machine, const std::uint8_t* bytes);
};

const HeaderField kHeaderFields[] = {
    {0, [](CpuState& c, Machine&, const std::uint8_t* v) { c.a = v[0]; }},
    {1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.f = v[0]; }},
    {2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.c = v[0]; c.b = v[1]; }},
    {4, [](CpuState& c, Machine&, const std::uint8_t* v) { c.l = v[0]; c.h = v[1]; }},
    {6, [](CpuState& c, Machine&, const std::uint8_t* v) { c.pc = Word(v); }},
    {8, [](CpuState& c, Machine&, const std::uint8_t* v) { c.sp = Word(v); }},
    {10, [](CpuState& c, Machine&, const std::uint8_t* v) { c.i = v[0]; }},
    {11, [](CpuState& c, Machine&, const std::uint8_t* v) { c.r = v[0]; }},
    {12,
     [](CpuState& c, Machine& m, const std::uint8_t* v) {
       c.r7 = static_cast<std::uint8_t>((v[0] & 1) << 7);
       m.ula_out = static_cast<std::uint8_t>((m.ula_out & ~7) | ((v[0] & 0x0E) >> 1));
     }},
    {13, [](CpuState& c, Machine&, const std::uint8_t* v) { c.e = v[0]; c.d = v[1]; }},
    {15, [](CpuState& c, Machine&, const std::uint8_t* v) { c.c_alt = v[0]; c.b_alt = v[1]; }},
    {17, [](CpuState& c, Machine&, const std::uint8_t* v) { c.e_alt = v[0]; c.d_alt = v[1]; }},
    {19, [](CpuState& c, Machine&, const std::uint8_t* v) { c.l_alt = v[0]; c.h_alt = v[1]; }},
    {21, [](CpuState& c, Machine&, const std::uint8_t* v) { c.a_alt = v[0]; }},
    {22, [](CpuState& c, Machine&, const std::uint8_t* v) { c.f_alt = v[0]; }},
    {23, [](CpuState& c, Machine&, const std::uint8_t* v) { c.iy = Word(v); }},
    {25, [](CpuState& c, Machine&, const std::uint8_t* v) { c.ix = Word(v); }},
    // One flip-flop byte decides: this machine has no NMI, so the two are
    // always equal, and any bits a foreign SNA left in iff must not keep
    // interrupts on when the file says off.
    {27, [](CpuState& c, Machine&, const std::uint8_t* v) { c.iff = v[0] != 0 ? 4 : 0; }},
    // Offset 28, the second flip-flop, is not used.
    {29, [](CpuState& c, Machine&, const std::uint8_t* v) { c.im = v[0] & 3; }},
};

struct Unpacked {
  std::size_t written = 0;  // bytes put into out
  bool cut_off = false;     // the input ended inside an EDh EDh n b run
};

// Runs of EDh EDh n b expand to n copies of b (n = 0 means 256); with
// end_marker, 00h EDh EDh 00h ends the stream. A byte that only looked like
// the start of either is written as itself and the bytes after it are read
// again as input. Decoding stops when out is full.
Unpacked Unpack(const std::uint8_t* in, std::size_t size, std::uint8_t* out, std::size_t room,
                bool end_marker) {
  Unpacked result;
  std::size_t at = 0;
  while (at < size && result.written < room) {
    const std::uint8_t x = in[at++];
    if (end_marker && x == 0x00 && size - at >= 3 && in[at] == 0xED && in[at + 1] == 0xED &&
        in[at + 2] == 0x00) {
      return result;
    }
    if (x == 0xED && at < size && in[at] == 0xED) {
      if (size - at < 3) {
        result.cut_off = true;
        return result;
      }
      const unsigned count = in[at + 1] == 0 ? 256 : in[at + 1];
      const std::uint8_t value = in[at + 2];
      at += 3;
      for (unsigned k = 0; k < count && result.written < room; ++k) out[result.written++] = value;
      continue;
    }
    out[result.written++] = x;
  }
  return result;
}

// The first version's image at file offset 30: plain or compressed, always
// the whole of 4000h-FFFFh. Bytes past the 48 KB are not looked at.
std::optional<FileProblem> ReadVersionOneImage(const std::vector<std::uint8_t>& file, Ram& ram) {
  const std::uint8_t* image = file.data() + kZ80HeaderLength;
  const std::size_t size = file.size() - kZ80HeaderLength;
  const bool compressed = (file[12] & 0x20) != 0;
  if (!compressed) {
    if (size < kRamLength) return FileProblem{kTitle, kImageShort};
    std::copy(image, image + kRamLength, ram.begin());
    return std::nullopt;
  }
  Unpacked unpacked = Unpack(image, size, ram.data(), ram.size(), true);
  if (unpacked.cut_off) return FileProblem{kTitle, kRunCutOff};
  if (unpacked.written < kRamLength) return FileProblem{kTitle, kImageShort};
  return std::nullopt;
}

}  // namespace

std::optional<FileProblem> LoadZ80(Machine& machine, CpuState& cpu, const std::string& path) {
  std::optional<FileStart> file = ReadFileStart(path, kLargestFile);
  if (!file) return FileProblem{kTitle, kCantOpen};
  if (file->longer) return FileProblem{kTitle, kTooLarge};
  const std::vector<std::uint8_t>& bytes = file->bytes;
  if (bytes.size() < kZ80HeaderLength) return FileProblem{kTitle, kTooShort};
  // A header PC of 0 marks a later version, whose extended header follows.
  if (Word(bytes.data() + 6) == 0) return FileProblem{kTitle, kNotSupported};
  auto ram = std::make_unique<Ram>();
  if (std::optional<FileProblem> problem = ReadVersionOneImage(bytes, *ram)) return problem;

  for (const HeaderField& field : kHeaderFields) field.apply(cpu, machine, bytes.data() + field.offset);
  for (std::size_t k = 0; k < kRamLength; ++k) {
    StoreDirect(machine, static_cast<std::uint16_t>(kRamStart + k), (*ram)[k]);
  }
  // The program resumes at the header's PC; a HALT the old one was waiting
  // in must not move it on by one at the next interrupt.
  cpu.halted = false;
  return std::nullopt;
}
