// SNA snapshot load and save. The program counter is not in the header: the
// saver pushes it onto the emulated stack before writing RAM and the loader
// pops it after, exactly as the machine itself would.
#include "snapshots/sna.h"

#include <array>
#include <cstdio>

#include "snapshots/file_names.h"

namespace {

constexpr char kLoadTitle[] = "Load SNA";
constexpr char kCantOpen[] = "Can't open file for reading!";
constexpr char kSaveTitle[] = "Save SNA";
constexpr char kSaveDialogTitle[] = "Save SNA file";
constexpr char kSaveFilter[] = "SNA (*.sna)";
constexpr char kCantCreate[] = "Can't create file!";
// The machine's own report line, spaces and all.
constexpr char kSaveCompleted[] = "0 OK ,  0 : 1  Save completed!";
constexpr char kSaveError[] = "ERROR saving file!";

constexpr std::uint16_t kRamStart = 0x4000;
constexpr std::size_t kRamLength = 49152;

long FileLength(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  long length = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  return length;
}

std::uint16_t Word(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

void LoadSna(Machine& machine, CpuState& cpu, Host& host, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    host.ShowMessage(kLoadTitle, kCantOpen);
    return;
  }
  // Read everything before touching the machine, so a read error half way
  // cannot leave it half loaded.
  std::array<std::uint8_t, kSnaFileLength> image;
  bool complete = FileLength(file) == static_cast<long>(kSnaFileLength) &&
                  std::fread(image.data(), 1, image.size(), file) == image.size();
  std::fclose(file);
  if (!complete) return;

  const std::uint8_t* h = image.data();
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
  cpu.iff = h[19];
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
}

void SaveSnaCommand(Machine& machine, CpuState& cpu, Host& host) {
  std::string chosen = host.AskSavePath(kSaveDialogTitle, kSaveFilter);
  if (chosen.empty()) return;
  std::string path = WithDefaultExtension(chosen, ".sna");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    host.ShowMessage(kSaveTitle, kCantCreate);
    return;
  }

  PushWord(cpu, machine, cpu.pc);
  std::array<std::uint8_t, kSnaHeaderLength> h{
      cpu.i,
      cpu.l_alt, cpu.h_alt, cpu.e_alt, cpu.d_alt, cpu.c_alt, cpu.b_alt, cpu.f_alt, cpu.a_alt,
      cpu.l, cpu.h, cpu.e, cpu.d, cpu.c, cpu.b,
      static_cast<std::uint8_t>(cpu.iy), static_cast<std::uint8_t>(cpu.iy >> 8),
      static_cast<std::uint8_t>(cpu.ix), static_cast<std::uint8_t>(cpu.ix >> 8),
      cpu.iff,
      static_cast<std::uint8_t>((cpu.r & 0x7F) | cpu.r7),
      cpu.f, cpu.a,
      static_cast<std::uint8_t>(cpu.sp), static_cast<std::uint8_t>(cpu.sp >> 8),
      cpu.im,
      static_cast<std::uint8_t>(machine.ula_out & 7)};
  std::fwrite(h.data(), 1, h.size(), file);
  std::fwrite(machine.memory.data() + kRamStart, 1, kRamLength, file);

  // The length is asked of the file itself, after the buffers reach it, so
  // a full disk shows as an error rather than as success.
  bool flushed = std::fflush(file) == 0;
  bool complete = flushed && FileLength(file) == static_cast<long>(kSnaFileLength);
  host.ShowMessage(kSaveTitle, complete ? kSaveCompleted : kSaveError);
  PopWord(cpu, machine);
  std::fclose(file);
}
