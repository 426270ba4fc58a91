// Z80 snapshot loader, first format version only. The header is applied
// field by field as far as the file reaches; the memory image, plain or
// compressed, is decoded straight into RAM and never past FFFFh.
#include "snapshots/z80_snapshot.h"

#include <cstdio>
#include <vector>

#include "cpu/z80.h"

namespace {

constexpr char kTitle[] = "Load Z80";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kNotSupported[] = "This file version is not supported!";

constexpr std::uint32_t kRamStart = 0x4000;
constexpr std::uint32_t kRamEnd = 0x10000;
constexpr std::size_t kRamLength = kRamEnd - kRamStart;
// The longest stream that can matter: every output byte spelt as
// EDh EDh 01h b, then the end marker. Bytes beyond it are never read.
constexpr std::size_t kLongestImage = 4 * kRamLength + 4;

std::uint16_t Word(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// One header field: its offset, width and how it lands in the machine.
struct HeaderField {
  std::size_t offset;
  std::size_t width;
  void (*apply)(CpuState& cpu, Machine& machine, const std::uint8_t* bytes);
};

const HeaderField kHeaderFields[] = {
    {0, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.a = v[0]; }},
    {1, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.f = v[0]; }},
    {2, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.c = v[0]; c.b = v[1]; }},
    {4, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.l = v[0]; c.h = v[1]; }},
    {6, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.pc = Word(v); }},
    {8, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.sp = Word(v); }},
    {10, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.i = v[0]; }},
    {11, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.r = v[0]; }},
    {12, 1,
     [](CpuState& c, Machine& m, const std::uint8_t* v) {
       c.r7 = static_cast<std::uint8_t>((v[0] & 1) << 7);
       m.ula_out = static_cast<std::uint8_t>((m.ula_out & ~7) | ((v[0] & 0x0E) >> 1));
     }},
    {13, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.e = v[0]; c.d = v[1]; }},
    {15, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.c_alt = v[0]; c.b_alt = v[1]; }},
    {17, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.e_alt = v[0]; c.d_alt = v[1]; }},
    {19, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.l_alt = v[0]; c.h_alt = v[1]; }},
    {21, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.a_alt = v[0]; }},
    {22, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.f_alt = v[0]; }},
    {23, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.iy = Word(v); }},
    {25, 2, [](CpuState& c, Machine&, const std::uint8_t* v) { c.ix = Word(v); }},
    {27, 1,
     [](CpuState& c, Machine&, const std::uint8_t* v) {
       c.iff = static_cast<std::uint8_t>(v[0] != 0 ? (c.iff | 4) : (c.iff & ~4));
     }},
    // Offset 28, the second flip-flop, is not used.
    {29, 1, [](CpuState& c, Machine&, const std::uint8_t* v) { c.im = v[0] & 3; }},
};

// Runs of EDh EDh n b expand to n copies of b (n = 0 means 256); 00h EDh EDh
// 00h ends the image. A byte that only looked like the start of either is
// written as itself and the bytes after it are read again as input.
void DecodeCompressed(Machine& machine, const std::vector<std::uint8_t>& in) {
  std::size_t at = 0;
  std::uint32_t dest = kRamStart;
  auto put = [&](std::uint8_t value) {
    if (dest < kRamEnd) StoreDirect(machine, static_cast<std::uint16_t>(dest++), value);
  };
  while (at < in.size() && dest < kRamEnd) {
    std::uint8_t x = in[at++];
    if (x == 0x00) {
      if (at + 3 <= in.size() && in[at] == 0xED && in[at + 1] == 0xED && in[at + 2] == 0x00) return;
      put(0x00);
    } else if (x == 0xED) {
      if (at < in.size() && in[at] == 0xED) {
        if (at + 3 > in.size()) return;  // the run is cut off by the end of the file
        unsigned count = in[at + 1] == 0 ? 256 : in[at + 1];
        std::uint8_t value = in[at + 2];
        at += 3;
        for (unsigned k = 0; k < count; ++k) put(value);
      } else {
        put(0xED);
      }
    } else {
      put(x);
    }
  }
}

}  // namespace

void LoadZ80(Machine& machine, CpuState& cpu, Host& host, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    host.ShowMessage(kTitle, kCantOpen);
    return;
  }
  std::uint8_t header[kZ80HeaderLength];
  std::size_t header_read = std::fread(header, 1, sizeof header, file);
  for (const HeaderField& field : kHeaderFields) {
    if (field.offset + field.width <= header_read) field.apply(cpu, machine, header + field.offset);
  }
  constexpr std::size_t kPcEnd = 8;
  if (header_read >= kPcEnd && cpu.pc == 0) {
    host.ShowMessage(kTitle, kNotSupported);
    ResetCpu(cpu);
    std::fclose(file);
    return;
  }
  if (header_read < kZ80HeaderLength) {  // nothing of an image follows
    std::fclose(file);
    return;
  }
  bool compressed = (header[12] & 0x20) != 0;
  std::vector<std::uint8_t> image(compressed ? kLongestImage : kRamLength);
  image.resize(std::fread(image.data(), 1, image.size(), file));
  std::fclose(file);
  if (compressed) {
    DecodeCompressed(machine, image);
  } else {
    for (std::size_t k = 0; k < image.size(); ++k) {
      StoreDirect(machine, static_cast<std::uint16_t>(kRamStart + k), image[k]);
    }
  }
}
