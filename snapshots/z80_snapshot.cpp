// Z80 snapshots: the loader for versions 1 to 3 and the version 3 writer.
// The loader reads the whole file and decodes the memory image into a
// scratch copy of RAM first; only a file for a 48K machine that yields the
// complete 48 KB is applied, header and RAM together.
#include "snapshots/z80_snapshot.h"

#include "machine/hardware.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kTitle[] = "Load Z80";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kNotSupported[] = "This file version is not supported!";
constexpr char kTooShort[] = "This file is too short for a Z80 snapshot header!";
constexpr char kImageShort[] = "The snapshot's memory image ends before the end of RAM!";
constexpr char kRunCutOff[] = "The snapshot's compressed memory image is cut off inside a run!";
constexpr char kTooLarge[] = "This file is too large for a Z80 snapshot!";
constexpr char kPageCutOff[] = "A memory page of the snapshot is cut off by the end of the file!";
constexpr char kPageDamaged[] = "A compressed memory page of the snapshot does not unpack to 16 KB!";
constexpr char kPageForeign[] = "The snapshot holds a memory page that a 48K Spectrum does not have!";
constexpr char kPageTwice[] = "The snapshot holds a memory page twice!";
constexpr char kPageMissing[] = "The snapshot lacks one of the three memory pages of a 48K Spectrum!";
// "This snapshot is for a ZX Spectrum 128K; Vantro emulates ..."
constexpr char kHardwareBefore[] = "This snapshot is for ";
constexpr char kHardwareAfter[] = "; Vantro emulates the ZX Spectrum 48K only!";

constexpr std::uint16_t kRamStart = 0x4000;
constexpr std::size_t kRamLength = 49152;
constexpr std::size_t kPageLength = 16384;

// Versions 2 and 3: PC 0 in the first header, then a 16-bit length of the
// extra header (23 for version 2, 54 or 55 for version 3), the extra header,
// and the memory as 16 KB pages, each with a 3-byte head: data length and
// page number. Offsets below count from the start of the file.
constexpr std::size_t kExtraLengthAt = 30;
constexpr std::size_t kExtraStart = 32;
constexpr std::size_t kExtraPcAt = 32;
constexpr std::size_t kHardwareAt = 34;
constexpr std::size_t kInterface1At = 36;   // FFh: the Interface 1 ROM is paged in
constexpr std::size_t kModifyAt = 37;       // bit 7 modifies the hardware byte
constexpr std::size_t kTStatesAt = 55;      // version 3: low counter (word), then high counter
constexpr std::size_t kMgtPagedAt = 59;     // version 3: FFh, the M.G.T. ROM is paged in
constexpr std::size_t kMultifaceAt = 60;    // version 3: FFh, the Multiface ROM is paged in
constexpr std::size_t kLowRomAt = 61;       // version 3: FFh, 0000h-1FFFh is ROM
constexpr std::size_t kHighRomAt = 62;      // version 3: FFh, 2000h-3FFFh is ROM
constexpr std::uint16_t kVersion2Extra = 23;
constexpr std::uint16_t kVersion3Extra = 54;
constexpr std::uint16_t kVersion3LongExtra = 55;  // one more byte: the last OUT to 1FFDh
constexpr std::size_t kPageHead = 3;
constexpr std::uint16_t kRawPage = 0xFFFF;  // version 3: 16,384 bytes, not compressed
// A 48K machine's pages and where they sit.
struct PagePlace { std::uint8_t page; std::uint16_t address; };
constexpr PagePlace kPages[] = {{8, 0x4000}, {4, 0x8000}, {5, 0xC000}};
// The T-state counters of version 3: the high one counts quarters of the
// frame from 3 just after the interrupt, the low one counts down each quarter.
constexpr std::int32_t kQuarterFrame = 17472;
// Far beyond any 48K snapshot, so a wrongly chosen huge file is not read.
constexpr std::size_t kLargestFile = 1024 * 1024;

using Ram = std::array<std::uint8_t, kRamLength>;

// Bits 6-7 of offset 29: the joystick the program was set up for.
constexpr Joystick kJoystickCodes[4] = {Joystick::cursor, Joystick::kempston, Joystick::if2_port1,
                                        Joystick::if2_port2};
// A flags byte of FFh at offset 12 stands for 1: the oldest writers' files.
constexpr std::uint8_t kOldFlags = 0xFF;

std::uint8_t JoystickCode(Joystick joystick) {
  for (std::uint8_t code = 1; code < 4; ++code) {
    if (kJoystickCodes[code] == joystick) return code;
  }
  return 0;
}

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
    {29,
     [](CpuState& c, Machine& m, const std::uint8_t* v) {
       c.im = v[0] & 3;
       // The snapshot brings its own processor state: the restart that
       // plugging the joystick in would cause is not wanted.
       static_cast<void>(FitJoystick(m, kJoystickCodes[v[0] >> 6]));
     }},
};

struct Unpacked {
  std::size_t read = 0;     // input bytes used
  std::size_t written = 0;  // bytes put into out
  bool cut_off = false;     // the input ended inside an EDh EDh n b run
  bool overran = false;     // a run went on past the end of out
};

// Runs of EDh EDh n b expand to n copies of b (n = 0 means 256); with
// end_marker, 00h EDh EDh 00h ends the stream. A byte that only looked like
// the start of either is written as itself and the bytes after it are read
// again as input. Decoding stops when out is full.
Unpacked Unpack(const std::uint8_t* in, std::size_t size, std::uint8_t* out, std::size_t room,
                bool end_marker) {
  Unpacked result;
  std::size_t& at = result.read;
  while (at < size && result.written < room) {
    const std::uint8_t x = in[at++];
    if (end_marker && x == 0x00 && size - at >= 3 && in[at] == 0xED && in[at + 1] == 0xED &&
        in[at + 2] == 0x00) {
      at += 3;
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
      for (unsigned k = 0; k < count; ++k) {
        if (result.written == room) {
          result.overran = true;
          break;
        }
        out[result.written++] = value;
      }
      continue;
    }
    out[result.written++] = x;
  }
  return result;
}

// The inverse for the writer: runs of five or more equal bytes, and of two
// or more EDh, become EDh EDh n b. A single EDh is written as itself, and the
// byte after it too, so that it can never be read as the start of a run.
void Pack(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& out) {
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t value = in[at];
    std::size_t run = 1;
    while (at + run < size && run < 255 && in[at + run] == value) ++run;
    if (run >= 5 || (value == 0xED && run >= 2)) {
      out.insert(out.end(), {0xED, 0xED, static_cast<std::uint8_t>(run), value});
      at += run;
      continue;
    }
    out.push_back(value);
    ++at;
    if (value == 0xED && at < size) out.push_back(in[at++]);
  }
}

// The first version's image at file offset 30: plain or compressed, always
// the whole of 4000h-FFFFh. Bytes past the 48 KB are not looked at.
std::optional<FileProblem> ReadVersionOneImage(const std::vector<std::uint8_t>& file, std::uint8_t flags,
                                               Ram& ram) {
  const std::uint8_t* image = file.data() + kZ80HeaderLength;
  const std::size_t size = file.size() - kZ80HeaderLength;
  const bool compressed = (flags & 0x20) != 0;
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

// Why a version 2 or 3 file is not for this machine: the hardware it names,
// with its article, or nothing for a 48K Spectrum. The numbering of the
// hardware byte differs between the versions from 3 on, and bit 7 of byte
// 37 turns 48K into 16K, 128K into +2 and +3 into +2A.
std::string ForeignHardware(int version, const std::vector<std::uint8_t>& file) {
  const std::uint8_t mode = file[kHardwareAt];
  const bool modified = (file[kModifyAt] & 0x80) != 0;
  const bool is48 = mode == 0 || mode == 1 || (version == 3 && mode == 3);
  const bool is128 = version == 2 ? (mode == 3 || mode == 4) : (mode >= 4 && mode <= 6);
  if (is48) {
    if (modified) return "a ZX Spectrum 16K";
    if (mode == 1 && file[kInterface1At] == 0xFF) return "a ZX Spectrum 48K with its Interface 1 ROM paged in";
    if (version == 3 && file[kMgtPagedAt] == 0xFF) return "a ZX Spectrum 48K with an M.G.T. ROM paged in";
    if (version == 3 && file[kMultifaceAt] == 0xFF) return "a ZX Spectrum 48K with a Multiface ROM paged in";
    return {};
  }
  if (is128) return modified ? "a ZX Spectrum +2" : "a ZX Spectrum 128K";
  switch (mode) {
    case 2: return "a ZX Spectrum 48K with SamRam";
    case 7:
    case 8: return modified ? "a ZX Spectrum +2A" : "a ZX Spectrum +3";
    case 9: return "a Pentagon 128K";
    case 10: return "a Scorpion ZS 256";
    case 11: return "a Didaktik Kompakt";
    case 12: return "a ZX Spectrum +2";
    case 13: return "a ZX Spectrum +2A";
    case 14: return "a Timex TC2048";
    case 15: return "a Timex TC2068";
    case 128: return "a Timex TS2068";
    default: return "an unknown machine (hardware type " + std::to_string(mode) + ")";
  }
}

// The pages of a version 2 or 3 file, from offset `at` to the end: each of
// 8, 4 and 5 exactly once, each exactly 16 KB when unpacked.
std::optional<FileProblem> ReadPages(const std::vector<std::uint8_t>& file, std::size_t at, int version,
                                     Ram& ram) {
  bool seen[std::size(kPages)] = {};
  while (at < file.size()) {
    if (file.size() - at < kPageHead) return FileProblem{kTitle, kPageCutOff};
    const std::uint16_t length = Word(file.data() + at);
    const std::uint8_t page = file[at + 2];
    at += kPageHead;
    const bool raw = version == 3 && length == kRawPage;
    const std::size_t stored = raw ? kPageLength : length;
    if (file.size() - at < stored) return FileProblem{kTitle, kPageCutOff};
    std::size_t slot = 0;
    while (slot < std::size(kPages) && kPages[slot].page != page) ++slot;
    if (slot == std::size(kPages)) return FileProblem{kTitle, kPageForeign};
    if (seen[slot]) return FileProblem{kTitle, kPageTwice};
    seen[slot] = true;
    std::uint8_t* out = ram.data() + (kPages[slot].address - kRamStart);
    if (raw) {
      std::copy(file.begin() + static_cast<std::ptrdiff_t>(at),
                file.begin() + static_cast<std::ptrdiff_t>(at + kPageLength), out);
    } else {
      Unpacked unpacked = Unpack(file.data() + at, length, out, kPageLength, false);
      if (unpacked.cut_off || unpacked.overran || unpacked.written != kPageLength || unpacked.read != length) {
        return FileProblem{kTitle, kPageDamaged};
      }
    }
    at += stored;
  }
  for (bool found : seen) {
    if (!found) return FileProblem{kTitle, kPageMissing};
  }
  return std::nullopt;
}

// Versions 2 and 3: the extra header's length names the version; the file
// must be for a 48K machine. Gives the PC from the extra header.
std::optional<FileProblem> ReadLaterVersion(const std::vector<std::uint8_t>& file, Ram& ram,
                                            std::uint16_t& pc) {
  if (file.size() < kExtraStart) return FileProblem{kTitle, kTooShort};
  const std::uint16_t extra = Word(file.data() + kExtraLengthAt);
  int version = 0;
  if (extra == kVersion2Extra) version = 2;
  if (extra == kVersion3Extra || extra == kVersion3LongExtra) version = 3;
  if (version == 0) return FileProblem{kTitle, kNotSupported};
  if (file.size() < kExtraStart + extra) return FileProblem{kTitle, kTooShort};
  if (std::string hardware = ForeignHardware(version, file); !hardware.empty()) {
    return FileProblem{kTitle, kHardwareBefore + hardware + kHardwareAfter};
  }
  pc = Word(file.data() + kExtraPcAt);
  return ReadPages(file, kExtraStart + extra, version, ram);
}

}  // namespace

std::optional<FileProblem> LoadZ80(Machine& machine, CpuState& cpu, const std::string& path) {
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, kLargestFile, not_a_file);
  if (!file) return UnreadableFile(kTitle, kCantOpen, not_a_file);
  if (file->longer) return FileProblem{kTitle, kTooLarge};
  return LoadZ80Bytes(machine, cpu, file->bytes);
}

std::optional<FileProblem> LoadZ80Bytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > kLargestFile) return FileProblem{kTitle, kTooLarge};
  if (bytes.size() < kZ80HeaderLength) return FileProblem{kTitle, kTooShort};
  auto ram = std::make_unique<Ram>();
  std::array<std::uint8_t, kZ80HeaderLength> header;
  std::copy(bytes.begin(), bytes.begin() + kZ80HeaderLength, header.begin());
  if (header[12] == kOldFlags) header[12] = 1;
  // A header PC of 0 marks a later version, whose extended header follows.
  std::uint16_t pc = Word(bytes.data() + 6);
  std::optional<FileProblem> problem =
      pc == 0 ? ReadLaterVersion(bytes, *ram, pc) : ReadVersionOneImage(bytes, header[12], *ram);
  if (problem) return problem;

  for (const HeaderField& field : kHeaderFields) field.apply(cpu, machine, header.data() + field.offset);
  cpu.pc = pc;
  for (std::size_t k = 0; k < kRamLength; ++k) {
    StoreDirect(machine, static_cast<std::uint16_t>(kRamStart + k), (*ram)[k]);
  }
  // The program resumes at the header's PC; a HALT the old one was waiting
  // in must not move it on by one at the next interrupt.
  cpu.halted = false;
  return std::nullopt;
}

std::vector<std::uint8_t> Z80FileBytes(const Machine& machine, const CpuState& cpu) {
  const std::uint8_t interrupts = cpu.iff != 0 ? 1 : 0;
  std::vector<std::uint8_t> file{
      cpu.a, cpu.f, cpu.c, cpu.b, cpu.l, cpu.h,
      0, 0,  // PC 0: the extra header follows
      static_cast<std::uint8_t>(cpu.sp), static_cast<std::uint8_t>(cpu.sp >> 8),
      cpu.i, cpu.r,
      static_cast<std::uint8_t>((cpu.r7 >> 7) | (machine.ula_out & 7) << 1),
      cpu.e, cpu.d, cpu.c_alt, cpu.b_alt, cpu.e_alt, cpu.d_alt, cpu.l_alt, cpu.h_alt,
      cpu.a_alt, cpu.f_alt,
      static_cast<std::uint8_t>(cpu.iy), static_cast<std::uint8_t>(cpu.iy >> 8),
      static_cast<std::uint8_t>(cpu.ix), static_cast<std::uint8_t>(cpu.ix >> 8),
      interrupts, interrupts,  // no NMI here, so both flip-flops agree
      static_cast<std::uint8_t>((cpu.im & 3) | JoystickCode(machine.joystick) << 6)};
  file.resize(kExtraStart + kVersion3Extra, 0);  // hardware 0: a plain 48K
  file[kExtraLengthAt] = kVersion3Extra;
  file[kExtraPcAt] = static_cast<std::uint8_t>(cpu.pc);
  file[kExtraPcAt + 1] = static_cast<std::uint8_t>(cpu.pc >> 8);
  const std::int32_t into_frame = std::clamp(machine.frame_tstates, 0, 4 * kQuarterFrame - 1);
  const auto low = static_cast<std::uint16_t>(kQuarterFrame - 1 - into_frame % kQuarterFrame);
  file[kTStatesAt] = static_cast<std::uint8_t>(low);
  file[kTStatesAt + 1] = static_cast<std::uint8_t>(low >> 8);
  file[kTStatesAt + 2] = static_cast<std::uint8_t>((3 + into_frame / kQuarterFrame) & 3);
  file[kLowRomAt] = 0xFF;
  file[kHighRomAt] = 0xFF;
  std::vector<std::uint8_t> packed;
  for (const PagePlace& place : kPages) {
    packed.clear();
    Pack(machine.memory.data() + place.address, kPageLength, packed);
    // Runs keep a page far below FFFFh, the length that would mean "raw".
    file.push_back(static_cast<std::uint8_t>(packed.size()));
    file.push_back(static_cast<std::uint8_t>(packed.size() >> 8));
    file.push_back(place.page);
    file.insert(file.end(), packed.begin(), packed.end());
  }
  return file;
}
