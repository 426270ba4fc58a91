// SNA snapshot load and save, and the "Save SNA" command, which writes a Z80
// file instead for a name ending in .z80. The program counter is not in the
// SNA header: the saver pushes it onto the emulated stack before taking RAM
// and the loader pops it after, exactly as the machine would.
#include "snapshots/sna.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "snapshots/file_filters.h"
#include "snapshots/file_names.h"
#include "snapshots/szx.h"
#include "snapshots/z80_snapshot.h"
#include "computer/computer.h"

namespace {

// What EI stores; the file keeps the state in bit 2 (IFF2).
constexpr std::uint8_t kIffEnabled = 4;

constexpr char kLoadTitle[] = "Load SNA";
constexpr char kCantOpen[] = "Can't open file for reading!";
constexpr char kWrongLength[] = "This is not an SNA snapshot: an SNA file is 49,179 bytes long!";
constexpr char kSaveTitle[] = "Save SNA";
constexpr char kSaveDialogTitle[] = "Save SNA file";
constexpr char kCantCreate[] = "Can't create file!";
// The machine's own report line, spaces and all.
constexpr char kSaveCompleted[] = "0 OK ,  0 : 1  Save completed!";
constexpr char kSaveError[] = "ERROR saving file!";
constexpr char kPcLost[] =
    "0 OK ,  0 : 1  Save completed!\n\n"
    "The stack reaches into the protected ROM, so the program counter could not be stored: "
    "this snapshot will not resume where it stopped. A .z80 file keeps it.";

constexpr std::uint16_t kRamStart = 0x4000;
constexpr std::size_t kRamLength = 49152;

std::uint16_t Word(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// The push of PC loses a byte when either of its two addresses lies below
// write_floor: SP 0002h-4001h with the ROM protected, and 0001h, whose push
// wraps its high byte to 0000h.
bool PushLosesPc(const Machine& machine, std::uint16_t sp) {
  const auto low = static_cast<std::uint16_t>(sp - 2);
  const auto high = static_cast<std::uint16_t>(sp - 1);
  return low < machine.write_floor || high < machine.write_floor;
}

}  // namespace

std::optional<FileProblem> LoadSna(Machine& machine, CpuState& cpu, const std::string& path) {
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, kSnaFileLength, not_a_file);
  if (!file) return UnreadableFile(kLoadTitle, kCantOpen, not_a_file);
  if (file->longer) return FileProblem{kLoadTitle, kWrongLength};
  return LoadSnaBytes(machine, cpu, file->bytes);
}

std::optional<FileProblem> LoadSnaBytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() != kSnaFileLength) return FileProblem{kLoadTitle, kWrongLength};

  const std::uint8_t* h = bytes.data();
  cpu.i = h[0];
  cpu.l_alt = h[1];
  cpu.h_alt = h[2];
  cpu.e_alt = h[3];
  cpu.d_alt = h[4];
  cpu.c_alt = h[5];
  cpu.b_alt = h[6];
  cpu.f_alt = h[7];
  cpu.a_alt = h[8];
  cpu.l = h[9];
  cpu.h = h[10];
  cpu.e = h[11];
  cpu.d = h[12];
  cpu.c = h[13];
  cpu.b = h[14];
  cpu.iy = Word(h + 15);
  cpu.ix = Word(h + 17);
  // Bit 2 is IFF2; with no NMI the two flip-flops are one, so the other
  // bits (set by some writers) say nothing about the interrupt state.
  cpu.iff = (h[19] & 0x04) ? kIffEnabled : 0;
  cpu.r = h[20];
  cpu.r7 = h[20] & 0x80;
  cpu.f = h[21];
  cpu.a = h[22];
  cpu.sp = Word(h + 23);
  cpu.im = h[25];
  machine.ula_out = static_cast<std::uint8_t>((machine.ula_out & ~7) | (h[26] & 7));
  for (std::size_t i = 0; i < kRamLength; ++i) {
    StoreDirect(machine, static_cast<std::uint16_t>(kRamStart + i), h[kSnaHeaderLength + i]);
  }
  cpu.pc = PopWord(cpu, machine);
  // The loaded program runs from the popped PC; a HALT the old one was
  // waiting in must not move it on by one at the next interrupt.
  cpu.halted = false;
  return std::nullopt;
}

std::optional<FileProblem> SaveSnapshot(Machine& machine, CpuState& cpu, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return FileProblem{kSaveTitle, kCantCreate};
  const bool as_z80 = UpperAscii(FileExtension(path)) == "Z80";
  const bool as_szx = UpperAscii(FileExtension(path)) == "SZX";
  // Z80 and SZX keep PC in their headers; SNA pushes it onto the stack.
  const bool pc_lost = !as_z80 && !as_szx && PushLosesPc(machine, cpu.sp);
  std::vector<std::uint8_t> bytes;
  if (as_z80) {
    bytes = Z80FileBytes(machine, cpu);
  } else if (as_szx) {
    std::optional<std::vector<std::uint8_t>> szx = SzxFileBytes(machine, cpu);
    if (!szx) {
      std::fclose(file);
      return FileProblem{kSaveTitle, kSaveError};
    }
    bytes = std::move(*szx);
  } else {
    PushWord(cpu, machine, cpu.pc);
    bytes = {cpu.i,
             cpu.l_alt, cpu.h_alt, cpu.e_alt, cpu.d_alt, cpu.c_alt, cpu.b_alt, cpu.f_alt, cpu.a_alt,
             cpu.l, cpu.h, cpu.e, cpu.d, cpu.c, cpu.b,
             static_cast<std::uint8_t>(cpu.iy), static_cast<std::uint8_t>(cpu.iy >> 8),
             static_cast<std::uint8_t>(cpu.ix), static_cast<std::uint8_t>(cpu.ix >> 8),
             static_cast<std::uint8_t>(cpu.iff != 0 ? kIffEnabled : 0),
             static_cast<std::uint8_t>((cpu.r & 0x7F) | cpu.r7),
             cpu.f, cpu.a,
             static_cast<std::uint8_t>(cpu.sp), static_cast<std::uint8_t>(cpu.sp >> 8),
             cpu.im,
             static_cast<std::uint8_t>(machine.ula_out & 7)};
    bytes.insert(bytes.end(), machine.memory.begin() + kRamStart, machine.memory.end());
    PopWord(cpu, machine);
  }
  const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  // Every byte must reach the file, buffers included, so a full disk shows
  // as an error rather than as success.
  const bool closed = std::fclose(file) == 0;
  if (!closed || written != bytes.size()) return FileProblem{kSaveTitle, kSaveError};
  if (pc_lost) return FileProblem{kSaveTitle, kPcLost};
  return std::nullopt;
}

void SaveSnaCommand(Machine& machine, CpuState& cpu, Host& host) {
  // A bare name takes the extension of the file type chosen in the dialog
  // (SNA unless Z80 was chosen); the extension then decides the format.
  int choice = 0;
  std::string chosen = host.AskSavePathChoosing(kSaveDialogTitle, HostFilter(kSaveSnapshotFileTypes), choice);
  if (chosen.empty()) return;
  std::string_view extension = ChosenExtension(kSaveSnapshotFileTypes, choice);
  std::string path = WithDefaultExtension(chosen, extension.empty() ? ".sna" : extension);
  if (!ShowProblem(host, SaveSnapshot(machine, cpu, path))) host.ShowMessage(kSaveTitle, kSaveCompleted);
}
